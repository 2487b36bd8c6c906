#include "ComponentFactory.h"

#include "EngineTestSupport.h"

using test::OtherProbe;
using test::Probe;

namespace
{
	using ComponentFactory = test::StoreTest;
}

TEST_F(ComponentFactory, UnregisteredNamesAndTypesGiveNothing)
{
	EXPECT_EQ(ComponentTypeIdFromName("NoSuchComponent"), 0u);
	EXPECT_EQ(ComponentTypeIdFromName(nullptr), 0u);
	const Object target = CreateObject("Target");
	EXPECT_EQ(CreateComponent(0, target), nullptr);
	EXPECT_EQ(GetComponentPrototype(0), nullptr);
	EXPECT_FALSE(target.object->AddComponent(0));
}

TEST_F(ComponentFactory, RegisteringTwiceKeepsOnePrototypeAndClearingStartsAfreshUnderTheSameTypeId)
{
	const unsigned typeId = Probe::TypeId();
	EXPECT_NE(typeId, OtherProbe::TypeId());
	Component* prototype = GetComponentPrototype(typeId);
	Probe::Register();
	EXPECT_EQ(GetComponentPrototype(typeId), prototype);

	ClearComponentFactory();
	EXPECT_EQ(GetComponentPrototype(typeId), nullptr);
	EXPECT_EQ(ComponentTypeIdFromName("Probe"), 0u);

	RegisterTestComponents();
	EXPECT_EQ(ComponentTypeIdFromName("Probe"), typeId);
	EXPECT_EQ(GetComponentPrototype(typeId)->GetTypeId(), typeId);
}

TEST_F(ComponentFactory, CreateGivesANewInstanceOwnedByTheTargetAndCloneCopiesEveryField)
{
	Component* prototype = GetComponentPrototype(Probe::TypeId());
	EXPECT_EQ(prototype->owner, &DummyComposition::Instance());

	const Object target = CreateObject("Target");
	std::unique_ptr<Component> first(CreateComponent(Probe::TypeId(), target));
	std::unique_ptr<Component> second(CreateComponent(Probe::TypeId(), target));
	ASSERT_NE(first, nullptr);
	EXPECT_NE(first, second);
	EXPECT_EQ(first->owner, target.object);

	static_cast<Probe&>(*first).value = 42;
	std::unique_ptr<Component> copy(first->Clone());
	EXPECT_EQ(static_cast<Probe&>(*copy).value, 42);
	// Create never copies state.
	std::unique_ptr<Component> fresh(first->Create());
	EXPECT_EQ(static_cast<Probe&>(*fresh).value, 0);
}
