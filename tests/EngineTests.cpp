#include "Engine.h"

#include "Components/Origin.h"
#include "Components/Transform.h"
#include "EngineTestSupport.h"
#include "JSEngine.h"
#include "Sound.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/ScriptClassRegistry.h"
#include "Utilities/SearchPaths.h"

using test::Alpha;
using test::Beta;
using test::CountOf;
using test::Events;
using test::Gamma;
using test::Probe;

namespace
{
	class EngineDelivery : public test::EngineTest
	{
	};
	class EngineSystems : public test::EngineTest
	{
	};
	class EngineSetup : public test::EngineTest
	{
	};
	class EngineLevelRequests : public test::EngineTest
	{
	};
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
	EXPECT_EQ(Events(), (std::vector<std::string>{"Shutdown from 0 Probe 1", "Shutdown Alpha", "Shutdown Beta", "Shutdown Gamma"}));
	// The listener ran before the engine's own handler, which asked to quit.
	EXPECT_EQ(seenByListener, Engine::kRunning);
	EXPECT_EQ(engine->GetRequestedState(), Engine::kQuit);
	EXPECT_EQ(engine->GetSystems().size(), 3u);
	EXPECT_EQ(engine->GetSystems()[2]->GetName(), "Gamma");
}

TEST_F(EngineDelivery, ListenerRegisteredTwiceIsCalledTwiceAndStaleOnesAreSkipped)
{
	MakeEngine();
	const Object twice = MakeObject<Probe>("Twice");
	const Object gone = MakeObject<Probe>("Gone");
	engine->AddListener("Ping", twice.id, &Probe::OnAny);
	engine->AddListener("Ping", twice.id, &Probe::OnAny);
	engine->AddListener("Ping", gone.id, &Probe::OnAny);
	gone.object->Destroy();
	ProcessObjectChanges();
	Events().clear();
	Engine::SendMessage(Message("Ping"));
	Engine::SendMessage(Message("Ping"));
	EXPECT_EQ(Events(), std::vector<std::string>(4, "Ping from 0 Probe 1"));
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
		for (int index = 0; index < 40; ++index)
			engine->AddListener("Echo" + std::to_string(index), first.id, &Probe::OnAny);
		engine->AddListener("Ping", first.id, &Probe::OnAny);
		Engine::SendMessage(Message("Echo0"));
	};
	Engine::SendMessage(Message("Ping"));
	EXPECT_EQ(Events(), (std::vector<std::string>{"Ping from 0 Probe 1", "Echo0 from 0 Probe 1", "Ping from 0 Probe 2"}));
}

TEST_F(EngineDelivery, SendToReachesTheNamedObjectOrElseEveryone)
{
	MakeEngine();
	engine->AddSystem(new Alpha);
	const Object player = MakeObject<Probe>("Player");
	player.object->RegisterHandler("Ping", &Probe::OnAny);
	Message ping("Ping");

	Message toPlayer("SendTo");
	toPlayer.PushString("Player").PushU32(0).Push(&ping);
	Events().clear();
	Engine::SendMessage(toPlayer);
	EXPECT_EQ(CountOf("Ping from " + std::to_string(player.id) + " Probe " + std::to_string(player.id)), 1u);
	EXPECT_EQ(CountOf("Ping Alpha"), 0u);

	Message toMissing("SendTo");
	toMissing.PushString("Nobody").Push(&ping);
	Events().clear();
	Engine::SendMessage(toMissing);
	EXPECT_EQ(CountOf("Ping Alpha"), 1u);

	Message withoutInner("SendTo");
	withoutInner.PushString("Player").PushU32(0).PushString("Ping");
	Events().clear();
	Engine::SendMessage(withoutInner);
	EXPECT_EQ(CountOf("Ping Alpha"), 0u);
	EXPECT_EQ(CountOf("Ping from " + std::to_string(player.id) + " Probe " + std::to_string(player.id)), 0u);
}

TEST_F(EngineSystems, AddingConfiguresAndInitialisesAndAReplacementShutsTheOldOneDown)
{
	WriteConfig("<Config><Alpha><Greeting>hello</Greeting></Alpha></Config>");
	MakeEngine();
	Alpha* first = new Alpha;
	engine->AddSystem(first);
	EXPECT_EQ(Events(), (std::vector<std::string>{"LoadConfig Alpha", "Initialize Alpha"}));
	EXPECT_EQ(first->greeting, "hello");
	EXPECT_EQ(engine->GetSystem<Alpha>(), first);

	engine->AddSystem(new Beta);
	Events().clear();
	engine->AddSystem(first);
	EXPECT_TRUE(Events().empty());

	Alpha* second = new Alpha;
	engine->AddSystem(second);
	EXPECT_EQ(Events(), (std::vector<std::string>{"Shutdown Alpha", "Delete Alpha", "LoadConfig Alpha", "Initialize Alpha"}));
	EXPECT_EQ(engine->GetSystem<Alpha>(), second);
	// The replacement keeps the frame position of the system it replaced.
	EXPECT_EQ(engine->GetSystems().front(), second);
}

TEST_F(EngineSystems, GetSystemOfATypeNeverAddedIsNull)
{
	MakeEngine();
	engine->AddSystem(new Logic);
	EXPECT_NE(engine->GetSystem<Logic>(), nullptr);
	EXPECT_EQ(engine->GetSystem<Graphics>(), nullptr);
	EXPECT_EQ(engine->GetSystem<Sound>(), nullptr);
}

TEST_F(EngineSystems, ShutdownDestroysObjectsBeforeShuttingSystemsDownInOrder)
{
	MakeEngine();
	engine->AddSystem(new Alpha);
	engine->AddSystem(new Beta);
	MakeObject<Probe>("Object");
	Events().clear();
	engine.reset();
	const std::vector<std::string> expected = {"Detach Probe 1", "Release Probe 1", "Delete Probe 1", "Shutdown Alpha",
		"Delete Alpha", "Shutdown Beta", "Delete Beta"};
	ASSERT_GE(Events().size(), expected.size());
	EXPECT_EQ(std::vector<std::string>(Events().begin(), Events().begin() + 7), expected);
	// Then the component factory deletes the prototypes.
	EXPECT_EQ(CountOf("Delete Probe 0"), 1u);
	EXPECT_EQ(Engine::Instance(), nullptr);
	EXPECT_TRUE(GetSearchPaths().Entries().empty());
	EXPECT_EQ(ComponentTypeIdFromName("Transform"), 0u);
	EXPECT_EQ(ComponentTypeIdFromName("Probe"), 0u);
}

TEST_F(EngineSetup, EmptyConfigurationGivesTheDefaultsAndTheFileIsWrittenBack)
{
	MakeEngine();
	engine->AddSystem(new Logic);
	EXPECT_EQ(engine->GetCurrentLevel(), "MainMenu");
	EXPECT_EQ(engine->GetNextLevel(), "MainMenu");
	EXPECT_EQ(engine->GetLoadingPage(), "LoadingScreen.html");
	EXPECT_EQ(Engine::Instance(), engine.get());
	engine.reset();
	const std::string written = userFolder.ReadFile(kConfigFile);
	EXPECT_NE(written.find("<Logic"), std::string::npos) << written;
}

TEST_F(EngineSetup, FirstLevelAndLoadingPageComeFromTheConfiguration)
{
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
	EXPECT_EQ(withBareFolders.GetDataFolder(), dataFolder.Path());

	const std::vector<std::string>& paths = GetSearchPaths().Entries();
	ASSERT_EQ(paths.size(), 44u);
	EXPECT_EQ(paths[0], userFolder.Path());
	EXPECT_EQ(paths[1], userFolder.Path() + "Levels/");
	EXPECT_EQ(paths[20], userFolder.Path() + "Levels/Tutorials/");
	EXPECT_EQ(paths[21], dataFolder.Path());
	EXPECT_EQ(paths[25], dataFolder.Path() + "Levels/LevelEditor/");
	EXPECT_EQ(paths[34], dataFolder.Path() + "Fonts/");
	EXPECT_EQ(paths[43], dataFolder.Path() + "Levels/Tutorials/");

	userFolder.WriteFile("Levels/Shadowed.xml", "user");
	dataFolder.WriteFile("Levels/Shadowed.xml", "data");
	EXPECT_EQ(FindFile("Shadowed.xml"), userFolder.Path() + "Levels/Shadowed.xml");
}

TEST_F(EngineSetup, RegistersItsComponentTypesAndScriptClasses)
{
	MakeEngine();
	EXPECT_EQ(ComponentTypeIdFromName("Transform"), Transform::TypeId());
	EXPECT_EQ(ComponentTypeIdFromName("BoneTransform"), BoneTransform::TypeId());
	EXPECT_EQ(ComponentTypeIdFromName("Origin"), Origin::TypeId());

	const ScriptClassRegistry& registry = ScriptClassRegistry::Instance();
	ASSERT_NE(registry.Find("Engine"), nullptr);
	EXPECT_EQ(registry.Find("Engine")->GetFunctions().size(), 20u);
	EXPECT_EQ(registry.Find("Engine")->GetConstructorArgumentCount(), 0u);
	ASSERT_NE(registry.Find("ObjectFromName"), nullptr);
	EXPECT_EQ(registry.Find("ObjectFromName")->GetConstructorArgumentCount(), 2u);
	EXPECT_EQ(registry.Find("ObjectFromId")->GetFunctions().size(), 6u);
	EXPECT_EQ(registry.Find("IDPair")->GetProperties().size(), 2u);
	EXPECT_EQ(registry.Find("Origin")->GetProperties().size(), 2u);
	EXPECT_EQ(registry.Find("Transform")->GetProperties().size(), 3u);
}

TEST_F(EngineLevelRequests, HandlersAndScriptFunctionsOnlySetTheRequest)
{
	struct Case
	{
		const char* what;
		std::function<void(Engine&)> request;
		Engine::State state;
		const char* nextLevel;
	};
	const std::vector<Case> cases = {
		{"Shutdown", [](Engine&) { Engine::SendMessage(Message("Shutdown")); }, Engine::kQuit, "MainMenu"},
		{"NextLevel", [](Engine&) { Engine::SendMessage(Message("NextLevel")); }, Engine::kChangeLevel, "MainMenu"},
		{"RestartLevel", [](Engine&) { Engine::SendMessage(Message("RestartLevel")); }, Engine::kRestartLevel, "MainMenu"},
		{"GotoLevel", [](Engine&) { Engine::SendMessage(Message("GotoLevel").PushString("Castle")); }, Engine::kChangeLevel, "Castle"},
		{"PrevLevel", [](Engine&) { Engine::SendMessage(Message("PrevLevel")); }, Engine::kChangeLevel, ""},
		{"script LoadLevel", [](Engine&) { JSEngine().LoadLevel("Forest"); }, Engine::kChangeLevel, "Forest"},
		{"script SetNextLevel", [](Engine&) { JSEngine().SetNextLevel("Cave"); }, Engine::kChangeLevel, "Cave"},
		{"script GotoNextLevel", [](Engine&) { JSEngine().GotoNextLevel(); }, Engine::kChangeLevel, "MainMenu"},
		{"script GotoPrevLevel", [](Engine&) { JSEngine().GotoPrevLevel(); }, Engine::kChangeLevel, ""},
		{"script ReloadLevel", [](Engine&) { JSEngine().ReloadLevel(); }, Engine::kRestartLevel, "MainMenu"},
		{"script Exit", [](Engine&) { JSEngine().Exit(); }, Engine::kQuit, "MainMenu"},
		// The last request of a frame wins.
		{"NextLevel then Shutdown", [](Engine&) {
			 Engine::SendMessage(Message("NextLevel"));
			 Engine::SendMessage(Message("Shutdown"));
		 },
			Engine::kQuit, "MainMenu"},
	};
	for (const Case& entry : cases)
	{
		SCOPED_TRACE(entry.what);
		Engine& made = MakeEngine();
		entry.request(made);
		EXPECT_EQ(made.GetRequestedState(), entry.state);
		EXPECT_EQ(made.GetCurrentState(), Engine::kRunning);
		EXPECT_EQ(made.GetNextLevel(), entry.nextLevel);
		EXPECT_EQ(made.GetCurrentLevel(), "MainMenu");
		EXPECT_EQ(JSEngine().CurrLevel(), "MainMenu");
		engine.reset();
	}
}

TEST_F(EngineLevelRequests, ScriptPauseAndResolutionAreSentEngineWide)
{
	MakeEngine();
	const Object listener = MakeObject<Probe>("Listener");
	engine->AddListener("PauseGame", listener.id, &Probe::OnAny);
	engine->AddListener("ChangeResolution", listener.id, &Probe::OnAny);
	Tuple2<int> size;
	bool fullScreen = false;
	listener.object->GetComponent<Probe>()->action = [&](Message::Reader& reader) {
		if (std::string(reader.name) == "ChangeResolution")
		{
			size = reader.Read<Tuple2<int>>();
			fullScreen = reader.Read<bool>();
		}
	};
	JSEngine().Pause(false);
	JSEngine().SetResolution(1280, 720, true);
	EXPECT_EQ(CountOf("PauseGame from 0 Probe 1"), 1u);
	EXPECT_EQ(size.x, 1280);
	EXPECT_EQ(size.y, 720);
	EXPECT_TRUE(fullScreen);
}
