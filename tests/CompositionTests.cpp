#include "EngineTestSupport.h"
#include "Utilities/TestHelpers.h"

#include <functional>
#include <sstream>
#include <utility>
#include <vector>

using namespace test;

namespace
{
	using CompositionHandlers = StoreTest;
	using CompositionComponents = EngineTest;

	constexpr int kNumberedTypes = 40;

	// Component types "C00" to "C39", enough to fill an object's table past several rebuilds.
	template <int N>
	struct __NumberedName
	{
		static constexpr char text[] = {'C', static_cast<char>('0' + N / 10), static_cast<char>('0' + N % 10), '\0'};
		static constexpr const char* name = text;
	};
	template <int N>
	class Numbered : public test::QuietComponent<Numbered<N>, __NumberedName<N>>
	{
	};

	template <int... N>
	std::vector<unsigned> RegisterNumbered(std::integer_sequence<int, N...>)
	{
		(Numbered<N>::Register(), ...);
		return {Numbered<N>::TypeId()...};
	}

	// The component names of an object's saved element, in the order written.
	std::vector<std::string> SavedComponentNames(Composition& object, std::string& text)
	{
		Serializer writer;
		object.Save(writer);
		std::ostringstream out;
		writer.SaveToStream(out);
		text = out.str();
		std::vector<std::string> names;
		writer.SwitchToReading();
		while (writer.NextElement())
		{
			writer.EnterNode("", "");
			names.push_back(writer.ReadString());
			writer.LeaveNode();
		}
		return names;
	}

	template <class Component>
	Component& Of(const Object& object)
	{
		return *object.object->GetComponent<Component>();
	}
}

TEST_F(CompositionHandlers, CallsHandlersInRegistrationOrderWithTheReceiversId)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	const Object listener = MakeObject<Probe>("Listener");
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny);
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	// Registering the same handler again keeps one entry.
	target.object->RegisterHandler("Ping", &Probe::OnAny, target.id);
	// Another object's component hears the target's messages, told the target's id.
	target.object->RegisterHandler("Ping", &Probe::OnAny, listener.id);
	Events().clear();

	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(Events(), (Names{"Ping from 1 OtherProbe 1", "Ping from 1 Probe 1", "Ping from 1 Probe 2"}));
	const std::vector<IDPair> expected = {{1, OtherProbe::TypeId()}, {1, Probe::TypeId()}, {2, Probe::TypeId()}};
	EXPECT_EQ(target.GetAffected("Ping"), expected);
}

// A name looked up while no handler anywhere had it must be looked up again once one is filed:
// whether sent as the same message again or as a new message from a name kept for sending.
TEST_F(CompositionHandlers, ANameFirstSentWithoutHandlersReachesOnesFiledLater)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	const MessageName kept("FiledAfterAKeptNameWasSent");
	const Message early("FiledAfterAMessageWasSent");
	const struct
	{
		const char* name;
		std::function<void()> send;
	} cases[] = {
		{"FiledAfterAMessageWasSent", [&] { target.object->HandleMessage(early); }},
		{"FiledAfterAKeptNameWasSent", [&] { target.object->HandleMessage(Message(kept)); }},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.name);
		c.send();
		target.object->RegisterHandler(c.name, &OtherProbe::OnAny);
		c.send();
		EXPECT_EQ(CountOf(std::string(c.name) + " from 1 OtherProbe 1"), 1u);
	}
}

TEST_F(CompositionHandlers, HandlerThatDestroysItsOwnObjectLetsTheWalkFinish)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny);
	Of<Probe>(target).action = [&](Message::Reader&) { target.object->Destroy(); };
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
	Of<Probe>(target).action = [&](Message::Reader&) {
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

TEST_F(CompositionHandlers, HandlersDroppedDuringADeliveryAreNotCalledAndMayBeRegisteredAgain)
{
	const Object target = MakeObject<Probe>("Target");
	const Object listener = MakeObject<OtherProbe>("Listener");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny, listener.id);
	Of<Probe>(target).action = [&](Message::Reader&) { target.object->DropHandlers("Ping", listener.id); };
	target.object->HandleMessage(Message("Ping"));
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 Probe 1"), 2u);
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 2"), 0u);
	EXPECT_EQ(target.GetAffected("Ping").size(), 1u);

	Events().clear();
	Of<Probe>(target).action = nullptr;
	target.object->DropHandlers(0);
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->HandleMessage(Message("Ping"));
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(Events(), Names(2, "Ping from 1 Probe 1"));
}

TEST_F(CompositionHandlers, NestedDeliveryThatDropsHandlersKeepsTheOuterWalkValid)
{
	const Object target = MakeObject<Probe, OtherProbe>("Target");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny);
	target.object->RegisterHandler("Inner", &Probe::OnAny);
	Of<Probe>(target).action = [&](Message::Reader& reader) {
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

TEST_F(CompositionHandlers, HandlersFollowRemovedAndReplacedComponents)
{
	const Object target = MakeObject<Probe>("Target");
	const Object listener = MakeObject<OtherProbe>("Listener");
	const Object removed = MakeObject<OtherProbe>("Removed");
	target.object->RegisterHandler("Ping", &Probe::OnAny);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny, listener.id);
	target.object->RegisterHandler("Ping", &OtherProbe::OnAny, removed.id);
	removed.object->RemoveComponent("OtherProbe");
	ProcessObjectChanges();
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(CountOf("Ping from 1 OtherProbe 3"), 0u);
	EXPECT_EQ(target.GetAffected("Ping").size(), 2u);

	// Both remaining handling components are replaced: the next delivery must reach the new ones.
	target.object->AddComponent(Probe::TypeId());
	listener.object->AddComponent(OtherProbe::TypeId());
	int calls = 0;
	Of<Probe>(target).action = [&](Message::Reader&) { ++calls; };
	Of<OtherProbe>(listener).action = [&](Message::Reader&) { ++calls; };
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(calls, 2);
	// The target's own handler found its component before it was removed.
	target.object->RemoveComponent("Probe");
	ProcessObjectChanges();
	target.object->HandleMessage(Message("Ping"));
	EXPECT_EQ(calls, 3);
}

TEST_F(CompositionComponents, AddingAPresentTypeDiscardsTheOldComponentAndAnnouncesTheNew)
{
	MakeEngine();
	const Object watcher = MakeObject<OtherProbe>("Watcher");
	engine->AddListener("ComponentAdded", watcher.id, &OtherProbe::OnAny);
	unsigned announced[2] = {};
	Of<OtherProbe>(watcher).action = [&](Message::Reader& reader) {
		reader.Read(announced[0]);
		reader.Read(announced[1]);
	};
	const Object target = MakeObject<Probe>("Target");
	Probe* first = &Of<Probe>(target);
	Events().clear();
	EXPECT_TRUE(target.object->AddComponent(Probe::TypeId()));
	EXPECT_NE(&Of<Probe>(target), first);
	EXPECT_EQ(Events(), (Names{"Detach Probe 2", "Release Probe 2", "Delete Probe 2", "ComponentAdded from 0 OtherProbe 1"}));
	EXPECT_EQ(announced[0], target.id);
	EXPECT_EQ(announced[1], Probe::TypeId());
	EXPECT_EQ(target.GetComponents(), Names{"Probe"});
}

// The table walks in an order that changes whenever it is rebuilt; the save must not follow it.
TEST_F(CompositionComponents, ComponentsSaveOldestFirstWhateverTheirNumberAndReSaveIdentically)
{
	MakeEngine();
	const std::vector<unsigned> typeIds = RegisterNumbered(std::make_integer_sequence<int, kNumberedTypes>());
	for (int count = 1; count <= kNumberedTypes; ++count)
	{
		// Added in a shuffled order: every seventh type, wrapping round.
		std::vector<std::string> added;
		const Object object = CreateObject("Many");
		for (int index = 0; index < count; ++index)
		{
			const unsigned typeId = typeIds[static_cast<std::size_t>(index * 7 % kNumberedTypes)];
			if (object.object->AddComponent(typeId))
				added.push_back(GetComponentPrototype(typeId)->GetName());
		}
		std::string firstText;
		EXPECT_EQ(SavedComponentNames(*object.object, firstText), added) << count << " components";

		std::istringstream saved(firstText);
		Serializer reader;
		ASSERT_TRUE(reader.LoadFromStream(saved, "Many" + std::to_string(count)));
		const Object reloaded = CreateObject("Many");
		reloaded.object->Load(reader, 0);
		std::string secondText;
		SavedComponentNames(*reloaded.object, secondText);
		EXPECT_EQ(secondText, firstText) << count << " components";
	}
}

TEST_F(CompositionComponents, AStrayValueAmongTheComponentsIsSkippedWithOneDiagnostic)
{
	MakeEngine();
	std::istringstream text("<Object><Component><string>Marker</string><int>3</int></Component><float name=\"weight\">2</float>"
							"<Component><string>Probe</string></Component></Object>");
	Serializer reader;
	ASSERT_TRUE(reader.LoadFromStream(text, "StrayComponentValue"));
	const Object object = CreateObject("Crate");
	const std::string diagnostics = StderrOf([&] { object.object->Load(reader, 0); });
	EXPECT_EQ(Of<Marker>(object).value, 3);
	EXPECT_NE(object.object->GetComponent<Probe>(), nullptr);
	EXPECT_EQ(diagnostics,
		"Serializer: 'StrayComponentValue': value 2 'weight' of 'Object' stands where an element was expected; it is skipped\n");
}
