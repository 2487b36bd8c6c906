#include "EngineTestSupport.h"
#include "Serializer.h"

#include <sstream>

using test::CountOf;
using test::Events;
using test::OtherProbe;
using test::Probe;

namespace
{
	class CompositionHandlers : public test::StoreTest
	{
	};
	class CompositionComponents : public test::EngineTest
	{
	};

	Probe& ProbeOf(const Object& object)
	{
		return *object.object->GetComponent<Probe>();
	}
	OtherProbe& OtherProbeOf(const Object& object)
	{
		return *object.object->GetComponent<OtherProbe>();
	}
}

TEST_F(CompositionHandlers, CallsHandlersInRegistrationOrderWithTheReceiversId)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	const Object listener = MakeObject<Probe>("Listener");
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny);
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	// Another object's component hears the target's messages, told the target's id.
	target.object->RegisterHandler("Ping", &Probe::OnAny, listener.id);
	Events().clear();

	Message ping("Ping");
	ping.PushFloat(1.5f).PushU32(7);
	target.object->HandleMessage(ping);
	EXPECT_EQ(Events(), (std::vector<std::string>{"Ping from 1 OtherProbe 1", "Ping from 1 Probe 1", "Ping from 1 Probe 2"}));
	const std::vector<IDPair> expected = {{1, OtherProbe::TypeId()}, {1, Probe::TypeId()}, {2, Probe::TypeId()}};
	EXPECT_EQ(target.GetAffected("Ping"), expected);
}

TEST_F(CompositionHandlers, HandlersReadTheArgumentsInPushOrder)
{
	const Object target = MakeObject<Probe>("Target");
	target.object->RegisterHandler("Move", &Probe::OnAny);
	float speed = 0;
	std::string where;
	ProbeOf(target).action = [&](Message::Reader& reader) {
		speed = reader.Read<float>();
		where = reader.Read<std::string>();
	};
	Message move("Move");
	move.PushFloat(2.5f).PushString("north");
	target.object->HandleMessage(move);
	EXPECT_EQ(speed, 2.5f);
	EXPECT_EQ(where, "north");
}

TEST_F(CompositionHandlers, RegisteringTheSameHandlerTwiceKeepsOneEntry)
{
	const Object target = MakeObject<Probe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &Probe::OnAny, target.id);
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 Probe 1"), 1u);
	EXPECT_EQ(target.GetAffected("Ping").size(), 1u);
}

TEST_F(CompositionHandlers, HandlerThatDestroysItsOwnObjectLetsTheWalkFinish)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny);
	ProbeOf(target).action = [&](Message::Reader&) { target.object->Destroy(); };
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 1"), 1u);
	EXPECT_EQ(CountOf("Delete Probe 1"), 0u);
	EXPECT_FALSE(ObjectFromId(1).IsDummy());

	ProcessObjectChanges();
	EXPECT_TRUE(ObjectFromId(1).IsDummy());
	EXPECT_EQ(CountOf("Delete Probe 1"), 1u);
}

TEST_F(CompositionHandlers, HandlerAddedDuringADeliveryWaitsForTheNextOne)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	ProbeOf(target).action = [&](Message::Reader&) {
		target.object->RegisterHandler("Ping", &OtherProbe::OnAny);
		// New names force the table to grow while the walk holds on to its list.
		for (int index = 0; index < 40; ++index)
			target.object->RegisterHandler("Extra" + std::to_string(index), &OtherProbe::OnAny);
	};
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 1"), 0u);
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 Probe 1"), 2u);
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 1"), 1u);
}

TEST_F(CompositionHandlers, HandlerDroppedDuringADeliveryIsNotCalled)
{
	const Object target = MakeObject<Probe>("Target");
	const Object listener = MakeObject<OtherProbe>("Listener");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny, listener.id);
	ProbeOf(target).action = [&](Message::Reader&) { target.object->DropHandlers("Ping", listener.id); };
	target.object->HandleMessage(Message("Ping"));
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 Probe 1"), 2u);
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 2"), 0u);
	EXPECT_EQ(target.GetAffected("Ping").size(), 1u);
}

TEST_F(CompositionHandlers, DroppedHandlerCanBeRegisteredAgainBeforeTheNextDelivery)
{
	const Object target = MakeObject<Probe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->DropHandlers(0);
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->HandleMessage(Message("Ping"));
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 Probe 1"), 2u);
}

TEST_F(CompositionHandlers, NestedDeliveryThatDropsHandlersKeepsTheOuterWalkValid)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny);
	target.object->RegisterHandler("Inner", &Probe::OnAny);
	ProbeOf(target).action = [&](Message::Reader& reader) {
		if (std::string(reader.name) == "Ping")
			target.object->HandleMessage(Message("Inner"));
		else
			target.object->DropHandlers("Inner", 0);
	};
	target.object->HandleMessage(Message("Ping"));
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Inner from 1 Probe 1"), 1u);
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 1"), 2u);
}

TEST_F(CompositionHandlers, HandlerOfARemovedComponentIsSkippedAndForgotten)
{
	const Object target = MakeObject<Probe>("Target");
	const Object listener = MakeObject<OtherProbe>("Listener");
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny, listener.id);
	listener.object->RemoveComponent("OtherProbe");
	ProcessObjectChanges();
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 2"), 0u);
	EXPECT_TRUE(target.GetAffected("Ping").empty());
}

TEST_F(CompositionHandlers, ReplacedComponentsReceiveLaterMessages)
{
	const Object target = MakeObject<Probe>("Target");
	const Object listener = MakeObject<OtherProbe>("Listener");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny, listener.id);
	target.object->HandleMessage(Message("Ping"));

	// Both handling components are replaced: the next delivery must reach the new ones.
	target.object->AddComponent(Probe::TypeId());
	listener.object->AddComponent(OtherProbe::TypeId());
	int calls = 0;
	ProbeOf(target).action = [&](Message::Reader&) { ++calls; };
	OtherProbeOf(listener).action = [&](Message::Reader&) { ++calls; };
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(calls, 2);
}

TEST_F(CompositionComponents, StartStartsEveryComponentThenAnnouncesTheObject)
{
	MakeEngine();
	const Object watcher = MakeObject<OtherProbe>("Watcher");
	engine->AddListener("ObjectCreated", watcher.id, &OtherProbe::OnAny);
	const Object target = MakeObject<Probe>("Target");
	target.object->RegisterHandler("Created", &Probe::OnAny);
	Events().clear();
	target.object->Start();
	EXPECT_EQ(Events(), (std::vector<std::string>{"Start Probe 2", "Created from 2 Probe 2", "ObjectCreated from 0 OtherProbe 1"}));
}

TEST_F(CompositionComponents, AddingAPresentTypeDiscardsTheOldComponentAndAnnouncesTheNew)
{
	MakeEngine();
	const Object watcher = MakeObject<OtherProbe>("Watcher");
	engine->AddListener("ComponentAdded", watcher.id, &OtherProbe::OnAny);
	unsigned announcedObject = 0;
	unsigned announcedType = 0;
	OtherProbeOf(watcher).action = [&](Message::Reader& reader) {
		announcedObject = reader.Read<unsigned>();
		announcedType = reader.Read<unsigned>();
	};
	const Object target = MakeObject<Probe>("Target");
	Probe* first = &ProbeOf(target);
	Events().clear();
	EXPECT_TRUE(target.object->AddComponent(Probe::TypeId()));
	EXPECT_NE(&ProbeOf(target), first);
	EXPECT_EQ(Events(), (std::vector<std::string>{"Detach Probe 2", "Release Probe 2", "Delete Probe 2", "ComponentAdded from 0 OtherProbe 1"}));
	EXPECT_EQ(announcedObject, target.id);
	EXPECT_EQ(announcedType, Probe::TypeId());
	EXPECT_EQ(target.GetComponents(), std::vector<std::string>{"Probe"});
}

TEST_F(CompositionComponents, SavingWritesOnlyWhatTheLevelAddedToItsArchetypes)
{
	MakeEngine();
	dataFolder.WriteFile("Objects/CrateArchetype.xml",
		"<Object><string name=\"Archetype\">Crate</string>"
		"<Component><string name=\"ComponentName\">Probe</string></Component></Object>");
	dataFolder.WriteFile("Components/SharedProbe.xml", "<Component><string name=\"ComponentName\">Probe</string></Component>");
	std::istringstream level("<Level><string name=\"nextLevel\">Two</string><string name=\"prevLevel\">Zero</string>"
							 "<ObjectGroup>"
							 "<Object file=\"CrateArchetype.xml\">"
							 "<Component><string name=\"ComponentName\">OtherProbe</string></Component></Object>"
							 "<Object><string name=\"Archetype\">Barrel</string><Component file=\"SharedProbe.xml\"/>"
							 "<Component><string name=\"ComponentName\">Unregistered</string></Component></Object>"
							 "</ObjectGroup></Level>");
	Serializer reader;
	ASSERT_TRUE(reader.LoadFromStream(level, "CompositionArchetypeLevel"));
	reader.ReadString();
	reader.ReadString();
	reader.EnterNode("", "");
	std::vector<Object> loaded;
	while (reader.HasMore())
	{
		reader.EnterNode("", "");
		const Object object = CreateObject(reader.ReadString());
		// Objects of a level's group stand at base depth 2.
		object.object->Load(reader, 2);
		loaded.push_back(object);
		reader.LeaveNode();
	}
	reader.LeaveNode();

	ASSERT_EQ(loaded.size(), 2u);
	EXPECT_EQ(loaded[0].GetName(), "Crate");
	EXPECT_EQ(loaded[1].GetName(), "Barrel");
	EXPECT_NE(loaded[0].object->GetComponent<Probe>(), nullptr);
	EXPECT_NE(loaded[0].object->GetComponent<OtherProbe>(), nullptr);
	EXPECT_NE(loaded[1].object->GetComponent<Probe>(), nullptr);
	EXPECT_EQ(loaded[1].GetComponents().size(), 1u);

	const auto saved = [](const Object& object) {
		Serializer writer;
		writer.EnterNode("", "Object");
		object.object->Save(writer);
		writer.LeaveNode();
		std::ostringstream text;
		writer.SaveToStream(text);
		return text.str();
	};
	const std::string crate = saved(loaded[0]);
	EXPECT_NE(crate.find(">OtherProbe<"), std::string::npos) << crate;
	EXPECT_EQ(crate.find(">Probe<"), std::string::npos) << crate;
	// A component named by its own file is written as the reference alone.
	const std::string barrel = saved(loaded[1]);
	EXPECT_NE(barrel.find("file=\"SharedProbe.xml\""), std::string::npos) << barrel;
	EXPECT_EQ(barrel.find("ComponentName"), std::string::npos) << barrel;

	// Once its record is cleared, the inherited component is written in full.
	loaded[0].object->ClearArchetypeRecord(Probe::TypeId());
	EXPECT_NE(saved(loaded[0]).find(">Probe<"), std::string::npos);
}
