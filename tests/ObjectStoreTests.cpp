#include "EngineTestSupport.h"

#include <map>
#include <random>

using namespace test;

namespace
{
	using ObjectStoreTest = StoreTest;
	// Listens engine-wide, through an engine over throw-away folders.
	using EngineWideLog = EngineTest;

	std::vector<unsigned> LiveIdsNewestFirst()
	{
		std::vector<unsigned> ids;
		for (Object walk = FirstObject(); !walk.IsDummy(); walk = NextObject(walk))
			ids.push_back(walk.id);
		return ids;
	}
}

TEST_F(ObjectStoreTest, WalkAndNameListsGiveNewestFirstAndFirstNamedFirstAndIdsRestartAfterDestroyingEverything)
{
	for (const char* name : {"Crate", "Player", "Crate", "Crate"})
		CreateObject(name);
	EXPECT_EQ(LiveIdsNewestFirst(), (std::vector<unsigned>{4, 3, 2, 1}));
	EXPECT_EQ(ObjectIdsByName("Crate"), (std::vector<unsigned>{1, 3, 4}));
	EXPECT_EQ(ObjectFromName("Crate", 2).id, 4u);
	EXPECT_EQ(ObjectFromName("Player").object->GetName(), "Player");
	EXPECT_TRUE(ObjectFromName("Player", 1).IsDummy());
	EXPECT_TRUE(NextObject(ObjectFromId(1)).IsDummy());
	EXPECT_TRUE(NextObject(ObjectFromId(99)).IsDummy());
	// A renamed object joins the end of its new name's list.
	ObjectFromId(1).object->SetName("Player");
	EXPECT_EQ(ObjectIdsByName("Player"), (std::vector<unsigned>{2, 1}));
	EXPECT_EQ(ObjectIdsByName("Crate"), (std::vector<unsigned>{3, 4}));

	DestroyAllObjects();
	EXPECT_TRUE(FirstObject().IsDummy());
	EXPECT_EQ(CreateObject("C").id, 1u);
	EXPECT_TRUE(ObjectFromName("Crate").IsDummy());
}

TEST_F(ObjectStoreTest, MissingObjectResolvesToTheDummy)
{
	const Object missing = ObjectFromId(7);
	ASSERT_TRUE(missing.IsDummy());
	EXPECT_EQ(missing.id, 0u);
	EXPECT_EQ(missing.object->GetName(), "Dummy");
	// Asked for a component, the dummy yields the prototype; unregistered types give null.
	EXPECT_EQ(missing.object->GetComponent<Probe>(), GetComponentPrototype(Probe::TypeId()));
	EXPECT_EQ(missing.object->GetComponent(0), nullptr);
	// Commands do nothing.
	missing.object->RegisterHandler("Ping", &Probe::OnAny);
	missing.object->HandleMessage(Message("Ping"));
	missing.object->Destroy();
	missing.object->SetName("Renamed");
	EXPECT_FALSE(missing.object->AddComponent(Probe::TypeId()));
	ProcessObjectChanges();
	EXPECT_TRUE(Events().empty());
	EXPECT_EQ(missing.object->GetName(), "Dummy");
	EXPECT_TRUE(missing.GetAffected("Ping").empty());
	EXPECT_TRUE(missing.GetComponents().empty());
}

TEST_F(ObjectStoreTest, DestructionWaitsForTheEndOfFrameWork)
{
	const Object doomed = MakeObject<Probe>("Doomed");
	doomed.object->RegisterHandler("Destroyed", &Probe::OnAny);
	doomed.object->Destroy();
	doomed.object->Destroy();
	EXPECT_EQ(CountOf("Destroyed from 1 Probe 1"), 1u);
	// Still found, by id and by name, and still handling messages.
	EXPECT_EQ(ObjectFromId(1).object, doomed.object);
	EXPECT_EQ(ObjectFromName("Doomed").id, 1u);
	doomed.object->HandleMessage(Message("Destroyed"));
	EXPECT_EQ(CountOf("Destroyed from 1 Probe 1"), 2u);

	ProcessObjectChanges();
	EXPECT_TRUE(ObjectFromId(1).IsDummy());
	EXPECT_TRUE(ObjectFromName("Doomed").IsDummy());
	EXPECT_TRUE(LiveIdsNewestFirst().empty());
	EXPECT_EQ(Events().back(), "Delete Probe 1");
}

TEST_F(ObjectStoreTest, ComponentsLeaveTheirListsBeforeTheyAreReleasedAndDeleted)
{
	const Object doomed = MakeObject<Probe, OtherProbe>("Doomed");
	const Object trimmed = MakeObject<Probe, OtherProbe>("Trimmed");
	Events().clear();
	doomed.object->Destroy();
	trimmed.object->RemoveComponent("OtherProbe");
	EXPECT_TRUE(Events().empty());
	ProcessObjectChanges();

	for (const std::string component : {"Probe 1", "OtherProbe 1", "OtherProbe 2"})
	{
		const auto detach = std::find(Events().begin(), Events().end(), "Detach " + component);
		const auto release = std::find(detach, Events().end(), "Release " + component);
		EXPECT_NE(std::find(release, Events().end(), "Delete " + component), Events().end()) << component;
		EXPECT_EQ(CountOf("Detach " + component), 1u) << component;
	}
	EXPECT_EQ(trimmed.object->GetComponent<OtherProbe>(), nullptr);
	EXPECT_NE(trimmed.object->GetComponent<Probe>(), nullptr);
	EXPECT_EQ(CountOf("Detach Probe 2"), 0u);
}

TEST_F(ObjectStoreTest, QueuedChangesMeetLaterOnesInOrder)
{
	// A removal queued before a re-add removes the new component.
	const Object readded = MakeObject<Probe>("Readded");
	readded.object->RemoveComponent("Probe");
	readded.object->AddComponent(Probe::TypeId());
	// A component added after its object was destroyed goes with it.
	const Object doomed = MakeObject<Probe>("Doomed");
	doomed.object->Destroy();
	doomed.object->AddComponent(OtherProbe::TypeId());
	ProcessObjectChanges();

	EXPECT_EQ(readded.object->GetComponent<Probe>(), nullptr);
	// The first was discarded by the re-add, the second by the removal.
	EXPECT_EQ(CountOf("Delete Probe 1"), 2u);
	EXPECT_EQ(CountOf("Detach Probe 1"), 2u);
	for (const char* step : {"Detach", "Release", "Delete"})
		EXPECT_EQ(CountOf(std::string(step) + " OtherProbe 2"), 1u) << step;
}

TEST_F(ObjectStoreTest, SendingToANameReachesEveryObjectBearingItInOrder)
{
	for (const char* name : {"Crate", "Player", "Crate"})
		MakeObject<Probe>(name).object->RegisterHandler("Ping", &Probe::OnAny);
	Events().clear();
	SendMessageToNamed("Crate", Message("Ping"));
	SendMessageToNamed("Nobody", Message("Ping"));
	EXPECT_EQ(Events(), (Names{"Ping from 1 Probe 1", "Ping from 3 Probe 3"}));
}

TEST_F(EngineWideLog, EndOfFrameWorkAnnouncesRemovalsAndDestructionsEngineWide)
{
	MakeEngine();
	const Object watcher = MakeObject<OtherProbe>("Watcher");
	for (const char* name : {"ComponentAdded", "ComponentRemoved", "ObjectDestroyed", "ObjectCreated"})
		engine->AddListener(name, watcher.id, &OtherProbe::OnAny);
	// A destruction announced during the end-of-frame work is carried out in a further pass.
	watcher.object->GetComponent<OtherProbe>()->action = [](Message::Reader& reader) {
		if (std::string(reader.name) == "ObjectDestroyed" && reader.Read<unsigned>() == 2)
			ObjectFromId(3).object->Destroy();
	};
	const Object first = MakeObject<Probe>("First");
	const Object second = MakeObject<Probe>("Second");
	second.object->Start();
	first.object->Destroy();
	ProcessObjectChanges();

	for (const auto& [message, count] : {std::pair<std::string, std::size_t>{"ComponentAdded", 2}, {"ObjectCreated", 1},
			 {"ComponentRemoved", 2}, {"ObjectDestroyed", 2}})
		EXPECT_EQ(CountOf(message + " from 0 OtherProbe 1"), count) << message;
	EXPECT_TRUE(ObjectFromId(first.id).IsDummy());
	EXPECT_TRUE(ObjectFromId(second.id).IsDummy());
	EXPECT_FALSE(ObjectFromId(1).IsDummy());
}

TEST_F(EngineWideLog, DestroyingEverythingDetachesReleasesSendsNothingAndDropsListeners)
{
	MakeEngine();
	const Object watcher = MakeObject<Probe>("Watcher");
	engine->AddListener("Ping", watcher.id, &Probe::OnAny);
	engine->AddListener("ObjectDestroyed", watcher.id, &Probe::OnAny);
	MakeObject<OtherProbe>("Other");
	DestroyAllObjects();
	EXPECT_EQ(Events(), (Names{"Detach OtherProbe 2", "Release OtherProbe 2", "Delete OtherProbe 2", "Detach Probe 1", "Release Probe 1",
							"Delete Probe 1"}));

	// Ids restart at 1: the listener of the old object 1 must not reach the new one.
	Events().clear();
	MakeObject<Probe>("Newcomer");
	Engine::SendMessage(Message("Ping"));
	EXPECT_TRUE(Events().empty());
}

TEST_F(ObjectStoreTest, RandomCreationsRenamesAndDestructionsMatchAReference)
{
	std::mt19937 random(20240611);
	const Names names = {"Crate", "Player", "Golem", "Origin"};
	std::map<unsigned, std::string> reference;
	std::vector<unsigned> order;
	for (int step = 0; step < 2000; ++step)
	{
		const int action = static_cast<int>(random() % 10);
		const std::string& name = names[random() % names.size()];
		if (action < 5 || reference.empty())
		{
			const Object made = CreateObject(name);
			reference[made.id] = name;
			order.push_back(made.id);
			continue;
		}
		auto victim = std::next(reference.begin(), static_cast<long>(random() % reference.size()));
		std::erase(order, victim->first);
		if (action < 7)
		{
			ObjectFromId(victim->first).object->SetName(name);
			order.push_back(victim->first);
			victim->second = name;
			continue;
		}
		ObjectFromId(victim->first).object->Destroy();
		reference.erase(victim);
		if (action == 9)
			ProcessObjectChanges();
	}
	ProcessObjectChanges();

	std::vector<unsigned> newestFirst;
	for (const auto& entry : reference)
		newestFirst.insert(newestFirst.begin(), entry.first);
	EXPECT_EQ(LiveIdsNewestFirst(), newestFirst);
	for (const std::string& name : names)
	{
		// A name list holds the ids in the order they took the name.
		std::vector<unsigned> expected;
		for (unsigned id : order)
			if (reference[id] == name)
				expected.push_back(id);
		EXPECT_EQ(ObjectIdsByName(name), expected) << name;
	}
}
