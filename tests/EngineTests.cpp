#include "Engine.h"

#include "EngineTestSupport.h"
#include "JSEngine.h"
#include "ObjectGroup.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/SearchPaths.h"
#include "Utilities/TestHelpers.h"

using namespace test;

namespace
{
	using EngineDelivery = EngineTest;
	using EngineSystems = EngineTest;
	using EngineSetup = EngineTest;
	using EngineLevelRequests = EngineTest;

	Message SendTo(const std::string& name, std::function<void(Message&)> pushInner)
	{
		Message sendTo("SendTo");
		sendTo.PushString(name).PushU32(0);
		pushInner(sendTo);
		return sendTo;
	}
}

TEST_F(EngineDelivery, ListenersThenTheEngineThenSystemsInAddingOrder)
{
	MakeEngine();
	// Gamma takes its type id first, so id order differs from adding order.
	EXPECT_EQ(engine->GetSystem<Gamma>(), nullptr);
	engine->AddSystem(new Alpha);
	engine->AddSystem(new Beta);
	engine->AddSystem(new Gamma);
	const Object listener = MakeObject<Probe>("Listener");
	engine->AddListener("Shutdown", listener.id, &Probe::OnAny);
	Engine::State seenByListener = Engine::kQuit;
	listener.object->GetComponent<Probe>()->action = [&](Message::Reader&) { seenByListener = engine->GetRequestedState(); };
	Events().clear();

	Engine::SendMessage(Message("Shutdown"));
	EXPECT_EQ(Events(), (Names{"Shutdown from 0 Probe 1", "Shutdown Alpha", "Shutdown Beta", "Shutdown Gamma"}));
	// The listener ran before the engine's own handler, which asked to quit.
	EXPECT_EQ(seenByListener, Engine::kRunning);
	EXPECT_EQ(engine->GetRequestedState(), Engine::kQuit);
}

TEST_F(EngineDelivery, ListenerRegisteredTwiceIsCalledTwiceAndStaleOnesAreSkipped)
{
	MakeEngine();
	const Object twice = MakeObject<Probe>("Twice");
	const Object gone = MakeObject<Probe>("Gone");
	for (unsigned id : {twice.id, twice.id, gone.id})
		engine->AddListener("Ping", id, &Probe::OnAny);
	gone.object->Destroy();
	ProcessObjectChanges();
	Events().clear();
	Engine::SendMessage(Message("Ping"));
	Engine::SendMessage(Message("Ping"));
	EXPECT_EQ(Events(), Names(4, "Ping from 0 Probe 1"));
}

TEST_F(EngineDelivery, ListenerThatAddsListenersOrSendsEngineWideKeepsTheWalkValid)
{
	MakeEngine();
	const Object first = MakeObject<Probe>("First");
	const Object second = MakeObject<Probe>("Second");
	engine->AddListener("Ping", first.id, &Probe::OnAny);
	engine->AddListener("Ping", second.id, &Probe::OnAny);
	first.object->GetComponent<Probe>()->action = [&](Message::Reader& reader) {
		if (std::string(reader.name) != "Ping")
			return;
		// New names force the listener table to grow while the walk holds on to its list.
		for (int index = 0; index < 40; ++index)
			engine->AddListener("Echo" + std::to_string(index), first.id, &Probe::OnAny);
		engine->AddListener("Ping", first.id, &Probe::OnAny);
		Engine::SendMessage(Message("Echo0"));
	};
	Engine::SendMessage(Message("Ping"));
	EXPECT_EQ(Events(), (Names{"Ping from 0 Probe 1", "Echo0 from 0 Probe 1", "Ping from 0 Probe 2"}));
}

TEST_F(EngineDelivery, SendToReachesTheNamedObjectOrElseEveryone)
{
	MakeEngine();
	engine->AddSystem(new Alpha);
	const Object player = MakeObject<Probe>("Player");
	player.object->RegisterHandler("Ping", &Probe::OnAny);
	Message ping("Ping");
	const struct
	{
		std::string target;
		std::function<void(Message&)> pushInner;
		Names heard;
	} cases[] = {
		{"Player", [&](Message& m) { m.Push(&ping); }, {"Ping from 1 Probe 1"}},
		{"Nobody", [&](Message& m) { m.Push(&ping); }, {"Ping Alpha"}},
		// Without an inner message there is nothing to send.
		{"Player", [](Message& m) { m.PushString("Ping"); }, {}},
	};
	for (const auto& c : cases)
	{
		SCOPED_TRACE(c.target);
		Events().clear();
		Engine::SendMessage(SendTo(c.target, c.pushInner));
		EXPECT_EQ(Events(), c.heard);
	}
}

TEST_F(EngineSystems, AddingConfiguresAndInitialisesAndAReplacementShutsTheOldOneDown)
{
	WriteConfig("<Config><Alpha><Greeting>hello</Greeting></Alpha></Config>");
	MakeEngine();
	Alpha* first = new Alpha;
	engine->AddSystem(first);
	EXPECT_EQ(Events(), (Names{"LoadConfig Alpha", "Initialize Alpha"}));
	EXPECT_EQ(first->greeting, "hello");
	EXPECT_EQ(engine->GetSystem<Alpha>(), first);

	engine->AddSystem(new Beta);
	Events().clear();
	engine->AddSystem(first);
	EXPECT_TRUE(Events().empty());

	Alpha* second = new Alpha;
	engine->AddSystem(second);
	EXPECT_EQ(Events(), (Names{"Shutdown Alpha", "Delete Alpha", "LoadConfig Alpha", "Initialize Alpha"}));
	EXPECT_EQ(engine->GetSystem<Alpha>(), second);
	// The replacement keeps the frame position of the system it replaced.
	EXPECT_EQ(engine->GetSystems().front(), second);
	EXPECT_EQ(engine->GetSystems().size(), 2u);
}

TEST_F(EngineSystems, ShutdownDestroysObjectsBeforeShuttingSystemsDownInOrder)
{
	MakeEngine();
	engine->AddSystem(new Alpha);
	engine->AddSystem(new Beta);
	MakeObject<Probe>("Object");
	Events().clear();
	engine.reset();
	// Ids restart with the next engine: a group still listing this one would claim its successor.
	EXPECT_TRUE(ObjectGroup::Default().GetMembers().empty());
	const Names expected = {"Detach Probe 1", "Release Probe 1", "Delete Probe 1", "Shutdown Alpha", "Delete Alpha", "Shutdown Beta",
		"Delete Beta"};
	ASSERT_GE(Events().size(), expected.size());
	EXPECT_EQ(Names(Events().begin(), Events().begin() + 7), expected);
	// Then the component factory deletes the prototypes.
	EXPECT_EQ(CountOf("Delete Probe 0"), 1u);
	EXPECT_EQ(Engine::Instance(), nullptr);
	EXPECT_TRUE(GetSearchPaths().Entries().empty());
	EXPECT_EQ(ComponentTypeIdFromName("Probe"), 0u);
}

TEST_F(EngineSetup, ConfigurationGivesTheLevelsAndLoadingPageAndIsWrittenBack)
{
	MakeEngine();
	engine->AddSystem(new Logic);
	EXPECT_EQ(engine->GetCurrentLevel(), "MainMenu");
	EXPECT_EQ(engine->GetNextLevel(), "MainMenu");
	EXPECT_EQ(engine->GetLoadingPage(), "LoadingScreen.html");
	engine.reset();
	const std::string written = userFolder.ReadFile(kConfigFile);
	EXPECT_NE(written.find("<Logic"), std::string::npos) << written;

	WriteConfig("<Config><FirstLevel>Tutorial1</FirstLevel><LoadScreen>Wait.html</LoadScreen></Config>");
	dataFolder.WriteFile("HUDElements/Wait.html", "<html/>");
	MakeEngine();
	EXPECT_EQ(engine->GetCurrentLevel(), "Tutorial1");
	EXPECT_EQ(engine->GetNextLevel(), "Tutorial1");
	EXPECT_EQ(engine->GetLoadingPage(), dataFolder.Path() + "HUDElements/Wait.html");
}

TEST_F(EngineSetup, FoldersGainASeparatorAndSearchPathsListUserFoldersFirst)
{
	std::string bareUser = userFolder.Path();
	bareUser.pop_back();
	Engine withBareFolders(dataFolder.Path(), bareUser, kConfigFile);
	EXPECT_EQ(withBareFolders.GetUserFolder(), userFolder.Path());

	const Names& paths = GetSearchPaths().Entries();
	ASSERT_EQ(paths.size(), 44u);
	const std::pair<std::size_t, std::string> expected[] = {{0, userFolder.Path()}, {1, userFolder.Path() + "Levels/"},
		{20, userFolder.Path() + "Levels/Tutorials/"}, {21, dataFolder.Path()}, {25, dataFolder.Path() + "Levels/LevelEditor/"},
		{34, dataFolder.Path() + "Fonts/"}, {43, dataFolder.Path() + "Levels/Tutorials/"}};
	for (const auto& [index, path] : expected)
		EXPECT_EQ(paths[index], path) << index;

	userFolder.WriteFile("Levels/Shadowed.xml", "user");
	dataFolder.WriteFile("Levels/Shadowed.xml", "data");
	EXPECT_EQ(FindFile("Shadowed.xml"), userFolder.Path() + "Levels/Shadowed.xml");
}

TEST_F(EngineLevelRequests, GotoLevelWithoutALevelNameSaysSo)
{
	MakeEngine();
	const std::string report = StderrOf([] { Engine::SendMessage(Message("GotoLevel")); });
	EXPECT_NE(report.find("\"GotoLevel\" names no level; the request is ignored."), std::string::npos) << report;
	EXPECT_EQ(engine->GetRequestedState(), Engine::kRunning);
}

TEST_F(EngineLevelRequests, HandlersAndScriptFunctionsOnlySetTheRequest)
{
	const auto send = [](const char* name) { return [name] { Engine::SendMessage(Message(name)); }; };
	const struct
	{
		const char* what;
		std::function<void()> request;
		Engine::State state;
		const char* nextLevel;
	} cases[] = {
		{"Shutdown", send("Shutdown"), Engine::kQuit, "MainMenu"},
		{"NextLevel", send("NextLevel"), Engine::kChangeLevel, "MainMenu"},
		{"RestartLevel", send("RestartLevel"), Engine::kRestartLevel, "MainMenu"},
		{"GotoLevel", [] { Engine::SendMessage(Message("GotoLevel").PushString("Castle")); }, Engine::kChangeLevel, "Castle"},
		// A "GotoLevel" that names no level is ignored.
		{"GotoLevel without a level", [] { StderrOf([] { Engine::SendMessage(Message("GotoLevel")); }); }, Engine::kRunning, "MainMenu"},
		{"GotoLevel of \"\"", [] { StderrOf([] { Engine::SendMessage(Message("GotoLevel").PushString("")); }); }, Engine::kRunning, "MainMenu"},
		{"GotoLevel of a number", [] { StderrOf([] { Engine::SendMessage(Message("GotoLevel").PushInt(2)); }); }, Engine::kRunning, "MainMenu"},
		{"PrevLevel", send("PrevLevel"), Engine::kChangeLevel, ""},
		{"script LoadLevel", [] { JSEngine().LoadLevel("Forest"); }, Engine::kChangeLevel, "Forest"},
		{"script SetNextLevel", [] { JSEngine().SetNextLevel("Cave"); }, Engine::kChangeLevel, "Cave"},
		{"script GotoNextLevel", [] { JSEngine().GotoNextLevel(); }, Engine::kChangeLevel, "MainMenu"},
		{"script GotoPrevLevel", [] { JSEngine().GotoPrevLevel(); }, Engine::kChangeLevel, ""},
		{"script ReloadLevel", [] { JSEngine().ReloadLevel(); }, Engine::kRestartLevel, "MainMenu"},
		{"script Exit", [] { JSEngine().Exit(); }, Engine::kQuit, "MainMenu"},
		// The last request of a frame wins.
		{"NextLevel then Shutdown", [&] { send("NextLevel")(); send("Shutdown")(); }, Engine::kQuit, "MainMenu"},
		{"Shutdown then NextLevel", [&] { send("Shutdown")(); send("NextLevel")(); }, Engine::kChangeLevel, "MainMenu"},
		// Unless the window was closed: a held key's binding must not keep the game from ending.
		{"window closed, then NextLevel and RestartLevel",
			[&] { Engine::Instance()->RequestClose(); send("NextLevel")(); send("RestartLevel")(); }, Engine::kQuit, "MainMenu"},
		{"window closed, then GotoLevel and PrevLevel",
			[&] { Engine::Instance()->RequestClose(); Engine::SendMessage(Message("GotoLevel").PushString("Castle")); send("PrevLevel")(); },
			Engine::kQuit, "MainMenu"},
	};
	for (const auto& entry : cases)
	{
		SCOPED_TRACE(entry.what);
		Engine& made = MakeEngine();
		entry.request();
		EXPECT_EQ(made.GetRequestedState(), entry.state);
		EXPECT_EQ(made.GetCurrentState(), Engine::kRunning);
		EXPECT_EQ(made.GetNextLevel(), entry.nextLevel);
		EXPECT_EQ(made.GetCurrentLevel(), "MainMenu");
		engine.reset();
	}
}
