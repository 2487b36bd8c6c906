#include "ComponentFactory.h"

#include "EngineTestSupport.h"

using test::OtherProbe;
using test::Probe;

namespace
{
	class ComponentFactory : public test::StoreTest
	{
	};
}

TEST_F(ComponentFactory, UnregisteredNamesAndTypesGiveNothing)
{
	EXPECT_EQ(ComponentTypeIdFromName("NoSuchComponent"), 0u);
	EXPECT_EQ(ComponentTypeIdFromName(nullptr), 0u);
	const Object target = CreateObject("Target");
	EXPECT_EQ(CreateComponent(0, target), nullptr);
	EXPECT_EQ(GetComponentPrototype(0), nullptr);
	EXPECT_FALSE(target.object->AddComponent(0));
	EXPECT_TRUE(target.object->GetComponents().empty());
}

TEST_F(ComponentFactory, TypeIdIsTheSameThroughEveryRouteAndNeverZero)
{
	const unsigned typeId = Probe::TypeId();
	EXPECT_NE(typeId, 0u);
	EXPECT_NE(typeId, OtherProbe::TypeId());
	EXPECT_EQ(ComponentTypeIdFromName("Probe"), typeId);
	EXPECT_EQ(GetComponentPrototype(typeId)->GetTypeId(), typeId);
	const Object target = MakeObject<Probe>("Target");
	EXPECT_EQ(target.object->GetComponent<Probe>()->GetTypeId(), typeId);
	EXPECT_EQ(target.object->GetComponent<Probe>()->GetName(), "Probe");
}

TEST_F(ComponentFactory, RegisteringTwiceKeepsOnePrototypeAndClearingStartsAfresh)
{
	Component* prototype = GetComponentPrototype(Probe::TypeId());
	const unsigned typeId = Probe::TypeId();
	Probe::Register();
	EXPECT_EQ(GetComponentPrototype(typeId), prototype);

	ClearComponentFactory();
	EXPECT_EQ(GetComponentPrototype(typeId), nullptr);
	EXPECT_EQ(ComponentTypeIdFromName("Probe"), 0u);

	Probe::Register();
	EXPECT_NE(GetComponentPrototype(typeId), nullptr);
	EXPECT_EQ(ComponentTypeIdFromName("Probe"), typeId);
	EXPECT_EQ(Probe::TypeId(), typeId);
	OtherProbe::Register();
}

TEST_F(ComponentFactory, CreateGivesANewInstanceOwnedByTheTargetAndCloneCopiesEveryField)
{
	Component* prototype = GetComponentPrototype(Probe::TypeId());
	EXPECT_EQ(prototype->owner, &DummyComposition::Instance());

	const Object target = CreateObject("Target");
	Component* first = CreateComponent(Probe::TypeId(), target);
	Component* second = CreateComponent(Probe::TypeId(), target);
	ASSERT_NE(first, nullptr);
	EXPECT_NE(first, prototype);
	EXPECT_NE(first, second);
	EXPECT_EQ(first->owner, target.object);

	static_cast<Probe*>(first)->value = 42;
	Component* copy = first->Clone();
	EXPECT_EQ(copy->owner, target.object);
	EXPECT_EQ(static_cast<Probe*>(copy)->value, 42);
	// Create never copies state.
	Component* fresh = first->Create();
	EXPECT_EQ(static_cast<Probe*>(fresh)->value, 0);
	for (Component* made : {first, second, copy, fresh})
		delete made;
}
