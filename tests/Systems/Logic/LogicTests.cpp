#include "Systems/Logic/Logic.h"

#include "Components/Graphics/Camera.h"
#include "Components/Logic/BehaviorTree.h"
#include "Components/Physics/CharacterController.h"
#include "Components/Physics/CursorController.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Logic/NavTestLevels.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace
{
	using test::Events;
	using test::GameWorld;
	using test::Leaf;
	using test::LeafFields;
	using test::Names;
	using test::PhysicsComponentWorld;

	Logic& ConfiguredLogic(TestEngine& engine)
	{
		auto* logic = new Logic();
		engine.engine->AddSystem(logic);
		return *logic;
	}

	TEST(LogicConfig, SettingsBecomeRecastCellsAsTheBuildTakesThem)
	{
		struct Case { const char* settings; int rcConfig::*field; int expected; };
		const Case cases[] = {
			{"<TileSize>32.7</TileSize>", &rcConfig::tileSize, 32},
			{"", &rcConfig::borderSize, 8},
			{"", &rcConfig::width, 48},
			{"", &rcConfig::height, 48},
			{"<MinCeilingHeight>1.7</MinCeilingHeight>", &rcConfig::walkableHeight, 4},
			{"<MinClimbableHeight>0.9</MinClimbableHeight>", &rcConfig::walkableClimb, 1},
			{"<MaxNavPolyEdgeLen>12.9</MaxNavPolyEdgeLen>", &rcConfig::maxEdgeLen, 51},
			{"<MinRegionArea>64.9</MinRegionArea>", &rcConfig::minRegionArea, 64},
			{"<MinAgentRadius>1e30</MinAgentRadius>", &rcConfig::walkableRadius, 1 << 20},
		};
		for (const Case& c : cases)
		{
			TestEngine engine(std::string("<Config><Logic>") + c.settings + "</Logic></Config>");
			EXPECT_EQ(ConfiguredLogic(engine).GetNavMeshConfig().*c.field, c.expected) << c.settings;
		}
	}

	TEST(LogicConfig, PathSmoothingIsAlwaysOddAndShortSampleDistancesTurnSamplingOff)
	{
		const std::pair<int, int> smoothing[] = {{4, 5}, {6, 7}, {5, 5}, {0, 1}};
		for (const auto& [value, expected] : smoothing)
		{
			TestEngine engine("<Config><Logic><PathSmoothing>" + std::to_string(value) + "</PathSmoothing></Logic></Config>");
			EXPECT_EQ(ConfiguredLogic(engine).GetPathSmoothing(), expected) << value;
		}
		const std::pair<const char*, float> sampling[] = {{"0.5", 0.0f}, {"0.9", 0.9f * 0.25f}, {"", 1.5f}};
		for (const auto& [value, expected] : sampling)
		{
			const std::string element = *value != '\0' ? std::string("<SampleDistance>") + value + "</SampleDistance>" : "";
			TestEngine engine("<Config><Logic>" + element + "</Logic></Config>");
			EXPECT_FLOAT_EQ(ConfiguredLogic(engine).GetNavMeshConfig().detailSampleDist, expected) << value;
		}
	}

	TEST(LogicConfig, ValuesRecastCannotTakeFallBackWithOneDiagnosticEach)
	{
		struct Case { const char* key; const char* value; float rcConfig::*floatField; int rcConfig::*intField; float expected; };
		const Case cases[] = {
			{"TileSize", "0.5", nullptr, &rcConfig::tileSize, 32},
			{"CellSize", "0", &rcConfig::cs, nullptr, 0.25f},
			{"CellHeight", "-1", &rcConfig::ch, nullptr, 0.5f},
			{"MaxVertsPerNavPoly", "9", nullptr, &rcConfig::maxVertsPerPoly, 3},
			{"MaxVertsPerNavPoly", "2", nullptr, &rcConfig::maxVertsPerPoly, 3},
			{"MergeRegionArea", "-5", nullptr, &rcConfig::mergeRegionArea, 400},
			{"MinAgentRadius", "nan", nullptr, &rcConfig::walkableRadius, 5},
			{"MaxWalkableSlope", "-0.01", &rcConfig::walkableSlopeAngle, nullptr, 30},
			{"MaxWalkableSlope", "90.01", &rcConfig::walkableSlopeAngle, nullptr, 30},
		};
		for (const Case& c : cases)
		{
			tw::Diagnostics::Flush();
			TestEngine engine(std::string("<Config><Logic><") + c.key + ">" + c.value + "</" + c.key + "></Logic></Config>");
			testing::internal::CaptureStderr();
			const rcConfig& config = ConfiguredLogic(engine).GetNavMeshConfig();
			const std::string errors = testing::internal::GetCapturedStderr();
			EXPECT_FLOAT_EQ(c.floatField ? config.*c.floatField : static_cast<float>(config.*c.intField), c.expected) << c.key;
			std::size_t mentions = 0;
			for (std::size_t at = errors.find(c.key); at != std::string::npos; at = errors.find(c.key, at + 1))
				++mentions;
			EXPECT_EQ(mentions, 1u) << c.key << ": " << errors;
		}
	}

	// Each walkable setting Recast cannot take: the shipped levels still build a mesh a character
	// walks on, and the key is named.
	TEST(LogicConfig, WalkableSettingsOutOfRangeLeaveTheShippedLevelsWalkable)
	{
		if (!std::getenv("DISPLAY"))
			GTEST_SKIP() << "the shipped levels load their shaders: run the tests under xvfb-run";
		const char* const settings[] = {
			"<MinAgentRadius>-1</MinAgentRadius>",
			"<MinCeilingHeight>-1</MinCeilingHeight>",
			"<MinClimbableHeight>-0.5</MinClimbableHeight>",
			"<MinAgentRadius>0</MinAgentRadius><MinCeilingHeight>0</MinCeilingHeight>",
			"<MaxWalkableSlope>-10</MaxWalkableSlope>",
		};
		GameWorld world("<Window><Width>160</Width><Height>120</Height></Window>");
		world.engine.engine->AddSystem(new Window());
		world.engine.engine->AddSystem(new Graphics());
		for (const char* level : {"Homestead", "Hillside"})
		{
			DestroyAllObjects();
			ProcessObjectChanges();
			ASSERT_TRUE(world.LoadLevel(level));
			for (const char* setting : settings)
			{
				TiXmlDocument document;
				document.Parse((std::string("<Logic>") + setting + "</Logic>").c_str());
				struct Section : Config
				{
					explicit Section(TiXmlElement* element) : Config(element) {}
				} section(document.RootElement());
				const std::string reported = test::Reported([&] {
					world.logic->LoadConfig(section);
					Engine::SendMessage(Message("LevelLoaded"));
				});
				EXPECT_NE(reported.find("the default"), std::string::npos) << level << " " << setting;
				bool reached = false;
				std::vector<Tuple3f> points;
				Engine::SendMessage(Message("GeneratePath").Push(Tuple3f(0, 1, 0)).Push(Tuple3f(4, 0, 6)).Push(&points).Push(&reached)
						.Push(static_cast<Tuple3f*>(nullptr)));
				EXPECT_TRUE(reached) << level << " " << setting;
				EXPECT_GE(points.size(), 2u) << level << " " << setting;
			}
		}
	}

	TEST(LogicSystem, UpdatesTheControllersOfStartedObjectsOncePerFrame)
	{
		GameWorld world;
		Camera::Register();
		const Object player = world.AddBodyObject("Player", Tuple3f(), false);
		player.object->AddComponent(Camera::TypeId());
		player.object->GetComponent<Camera>()->SetDirection(Tuple3f(0, 0, 1));
		// Added before the controller: the update order is the type table's, not the object's.
		PhysicsComponentWorld::AddLoaded(player, BehaviorTree::TypeId(), "<string>TestLeaf</string>" + test::LeafFields("look"));
		PhysicsComponentWorld::AddLoaded(player, CharacterController::TypeId(),
			"<float>4</float><float>2</float><float>3</float><float>40</float><float>20</float><float>30</float><float>1</float>"
			"<float>1</float><float>10</float><float>5</float><Tuple3f>1 0.5 1</Tuple3f><float>0.2</float><float>0</float>");
		const Object crate = world.AddBodyObject("Crate", Tuple3f());
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(player);
		bool awakeForTree = false;
		test::LeafActions()["look"] = [&] { awakeForTree = !body.IsAsleep(); };

		player.object->Start();
		ASSERT_EQ(world.logic->GetLogicObjects(), std::vector<unsigned>{player.id});
		body.Sleep();
		world.logic->Update();
		EXPECT_TRUE(awakeForTree) << "the controller, earlier in the table, woke the body before the tree ran";

		player.object->Destroy();
		ProcessObjectChanges();
		EXPECT_TRUE(world.logic->GetLogicObjects().empty());
		world.logic->Update();
		EXPECT_EQ(crate.object->GetComponent<CharacterController>(), nullptr);
	}

	TEST(LogicSystem, ObjectsJoinAtTheirFirstLogicComponentOrAtStartAndLeaveWithTheirLast)
	{
		GameWorld world;
		const Object plain = world.AddBodyObject("Plain", Tuple3f());
		const Object guard = CreateObject("Guard");
		guard.object->AddComponent(CursorController::TypeId());
		EXPECT_FALSE(world.logic->IsLogicObject(plain.id));
		EXPECT_TRUE(world.logic->IsLogicObject(guard.id)) << "joined before its start";
		world.logic->Reload();
		EXPECT_FALSE(world.logic->IsLogicObject(guard.id));
		guard.object->Start();
		EXPECT_TRUE(world.logic->IsLogicObject(guard.id)) << "joined again at its start";

		guard.object->AddComponent(BehaviorTree::TypeId());
		guard.object->RemoveComponent("CursorController");
		world.Frame();
		EXPECT_TRUE(world.logic->IsLogicObject(guard.id)) << "one of two logic components left";
		guard.object->RemoveComponent("BehaviorTree");
		world.Frame();
		EXPECT_FALSE(world.logic->IsLogicObject(guard.id));
	}

	TEST(LogicSystem, NewestObjectFirstAndObjectsStartedByAnUpdateWaitForTheNextPass)
	{
		GameWorld world;
		const Object first = GameWorld::AddTree("First", "TestLeaf", LeafFields("first", Running, 100));
		GameWorld::AddTree("Second", "TestLeaf", LeafFields("second", Running, 100));
		constexpr int kSpawned = 40;
		// Enough joiners to move the object list while the pass walks it; and the tree the pass
		// is about to call is replaced (the old one deleted) before it gets there.
		test::LeafActions()["second"] = [first] {
			if (Events().back() != "Start second")
				return;
			for (int spawn = 0; spawn < kSpawned; ++spawn)
				GameWorld::AddTree("Spawn", "TestLeaf", LeafFields("spawn", Running, 100));
			PhysicsComponentWorld::AddLoaded(first, BehaviorTree::TypeId(), "<string>TestLeaf</string>" + LeafFields("first", Running, 100));
		};
		world.Frame();
		EXPECT_EQ(Events(), (Names{"Start second", "Start first"}));
		Events().clear();
		world.Frame();
		EXPECT_EQ(std::count(Events().begin(), Events().end(), "Start spawn"), kSpawned);
		EXPECT_EQ(Events().back(), "Update first");
	}

	// A rescale an update makes is settled before the next component runs; after the pass a
	// rescale is made at once again, as anywhere outside it.
	TEST(LogicSystem, ARescaleIsSettledBeforeTheNextUpdateAndMadeAtOnceAfterThePass)
	{
		GameWorld world;
		const Object crate = world.AddBodyObject("Crate", Tuple3f(), true,
			PhysicsComponentWorld::BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", PhysicsComponentWorld::UnitCube()));
		const RigidBody& body = PhysicsComponentWorld::RigidBodyOf(crate);
		const float massAtOne = body.mass;
		const auto scaleCrate = [crate](float size) {
			Message scale("SetScale");
			scale.Push(Tuple3f(size, size, size));
			crate.object->HandleMessage(scale);
		};
		GameWorld::AddTree("Reader", "TestLeaf", LeafFields("read", Running, 100));
		GameWorld::AddTree("Grower", "TestLeaf", LeafFields("grow", Running, 100));
		float massRead = 0.0f;
		test::LeafActions()["grow"] = [&] { scaleCrate(2.0f); };
		test::LeafActions()["read"] = [&] { massRead = body.mass; };
		world.logic->Update();
		EXPECT_NEAR(massRead, 8 * massAtOne, 1e-3f * massAtOne) << "the newer grower ran first";
		scaleCrate(1.0f);
		EXPECT_NEAR(body.mass, massAtOne, 1e-3f * massAtOne);
	}

	TEST(LogicSystem, PauseStopsTheTreesButNotTheHandlers)
	{
		GameWorld world;
		GameWorld::AddTree("Guard", "TestLeaf", LeafFields("guard", Running, 1000));
		world.Frame();
		Engine::SendMessage(Message("Pause").PushBool(true));
		Events().clear();
		Engine::SendMessage(Message("ToggleNavMesh"));
		world.Frame(3);
		EXPECT_TRUE(Events().empty());
		EXPECT_TRUE(world.logic->IsDrawingNavMesh()) << "handled while paused";
		Engine::SendMessage(Message("Pause").PushBool(false));
		world.Frame();
		EXPECT_EQ(Events(), Names{"Update guard"});
	}

	// The level editor pauses logic alone, and resumes it, with "PauseLogic".
	TEST(LogicSystem, PauseLogicStopsAndResumesTheTreesAsPauseDoes)
	{
		GameWorld world;
		GameWorld::AddTree("Guard", "TestLeaf", LeafFields("guard", Running, 1000));
		world.Frame();
		Engine::SendMessage(Message("PauseLogic").PushBool(true));
		Events().clear();
		world.Frame(2);
		EXPECT_TRUE(Events().empty());
		Engine::SendMessage(Message("PauseLogic").PushBool(false));
		world.Frame();
		EXPECT_EQ(Events(), Names{"Update guard"});
	}

	TEST(LogicSystem, ToggleNavMeshFlipsWithoutArgumentAndTakesOne)
	{
		GameWorld world;
		const std::vector<std::pair<Message, bool>> steps = {{Message("ToggleNavMesh"), true}, {Message("ToggleNavMesh"), false},
			{Message("ToggleNavMesh").PushBool(false), false}, {Message("ToggleNavMesh").PushBool(true), true}};
		for (const auto& [message, expected] : steps)
		{
			Engine::SendMessage(message);
			world.Frame();
			EXPECT_EQ(world.logic->IsDrawingNavMesh(), expected);
		}
	}

	TEST(LogicSystem, HandlersOnDestroyedObjectsLeaveEveryPrototypeAsItWas)
	{
		GameWorld world;
		const std::vector<std::string> before = GameWorld::PrototypeForms();
		const Object guard = GameWorld::AddTree("Guard", "SequenceNode", Leaf("a"));
		guard.object->AddComponent(CursorController::TypeId());
		guard.object->Destroy();
		world.Frame();
		for (const char* name : {"ObjectCreated", "ComponentAdded", "ComponentRemoved", "ObjectDestroyed"})
			Engine::SendMessage(Message(name).PushU32(guard.id).PushU32(BehaviorTree::TypeId()));
		ObjectFromId(guard.id).SendMessage(Message("ActivateBehaviors").PushBool(false));
		ObjectFromId(guard.id).SendMessage(Message("RevaluateBehavior"));
		world.Frame();
		EXPECT_EQ(GameWorld::PrototypeForms(), before);
		EXPECT_FALSE(world.logic->IsLogicObject(guard.id));
	}

	TEST(LogicSystem, UnloadLevelForgetsTheLevelsObjectsAndHouseOwners)
	{
		GameWorld world;
		const Object guard = GameWorld::AddTree("Guard", "TestLeaf", LeafFields("guard"));
		const Object house = GameWorld::AddTree("House", "TestLeaf", LeafFields("house"));
		world.logic->GetAvailableObjectOwners().insert(guard.id);
		world.logic->GetAvailableObjectOwners().insert(house.id);
		world.logic->UnregisterAvailableObjects(*guard.object->GetComponent<BehaviorTree>());
		EXPECT_EQ(world.logic->GetAvailableObjectOwners().size(), 1u);
		world.logic->UnloadLevel();
		EXPECT_TRUE(world.logic->GetAvailableObjectOwners().empty());
		EXPECT_TRUE(world.logic->GetLogicObjects().empty());
		world.Frame();
		EXPECT_TRUE(Events().empty()) << "no tree of the old level runs";
	}

	TEST(LogicSystem, ALevelChangeKeepsTypesRegistryAndSettings)
	{
		GameWorld world("<Logic><PathSmoothing>2</PathSmoothing></Logic>");
		const auto level = [&](const char* name, const char* next, const char* leafName) {
			return world.WriteLevel(name, std::string("<Level><string name=\"nextLevel\">") + next +
				"</string><string name=\"prevLevel\"></string><ObjectGroup><Object><string>Guard</string><Component>"
				"<string>BehaviorTree</string><string>TestLeaf</string><string>" + leafName + "</string><int>2</int>"
				"<int>100</int></Component></Object></ObjectGroup></Level>");
		};
		const std::string second = level("Second.xml", "", "two");
		const std::string first = level("First.xml", second.c_str(), "one");
		std::vector<std::size_t> objectCounts;
		world.Run(first, {{3, [] { Engine::Instance()->RequestState(Engine::kChangeLevel); }},
			{5, [&] { objectCounts.push_back(world.logic->GetLogicObjects().size()); }},
			{6, [] { Engine::Instance()->RequestState(Engine::kQuit); }}});
		EXPECT_EQ(std::count(Events().begin(), Events().end(), "Start two"), 1) << "the test leaf is still registered";
		EXPECT_EQ(objectCounts, std::vector<std::size_t>{1});
		EXPECT_EQ(world.logic->GetPathSmoothing(), 3);
	}
}
