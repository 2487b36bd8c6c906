#include "Components/Physics/PhysicsId.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

#include "EngineTestSupport.h"
#include "Systems/TestEngine.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
	// An engine with the Physics system configured by the "Physics" element given.
	class PhysicsSystem : public test::EngineTest
	{
	protected:
		void SetUp() override
		{
			EngineTest::SetUp();
			Configure("");
		}

		void Configure(const std::string& physicsElement)
		{
			engine.reset();
			WriteConfig("<Config>" + physicsElement + "</Config>");
			MakeEngine();
			physics = new Physics();
			engine->AddSystem(physics);
		}

		static void Send(const char* name)
		{
			Engine::SendMessage(Message(name));
		}

		static void SendBool(const char* name, bool value)
		{
			Message message(name);
			message.PushBool(value);
			Engine::SendMessage(message);
		}

		// A PhysicsId on a new object, registered with the id given.
		PhysicsId& Register(unsigned id)
		{
			const Object object = CreateObject("Tagged");
			object.object->AddComponent(PhysicsId::TypeId());
			PhysicsId& component = *object.object->GetComponent<PhysicsId>();
			component.objectId = object.id;
			component.id = id;
			physics->RegisterPhysicsId(component);
			return component;
		}

		// Owned by the engine.
		Physics* physics = nullptr;
	};
}

TEST_F(PhysicsSystem, KeysReplaceTheSettingsAndTheToleranceIsHeldInRadians)
{
	EXPECT_FLOAT_EQ(Physics::Settings().epaTolerance, 0.05235988f) << "3 degrees without the key";
	EXPECT_EQ(&Physics::Settings(), &physics->GetSettings());
	Configure("<Physics><Time_Step>0.02</Time_Step><Constraint_Iterations>7</Constraint_Iterations>"
			  "<EPA_Tolerance>6</EPA_Tolerance><Sleep_Timeout>30</Sleep_Timeout><Gravity_Magnitude>3.5</Gravity_Magnitude>"
			  "<Max_Bodies>250</Max_Bodies><Max_Manifolds>9</Max_Manifolds></Physics>");
	const PhysicsSettings& s = Physics::Settings();
	EXPECT_FLOAT_EQ(s.epaTolerance, 0.10471976f);
	EXPECT_FLOAT_EQ(s.epaToleranceTan, 0.10510424f);
	EXPECT_FLOAT_EQ(physics->GetResolution().GetSolverTimeStep(), 0.02f);
	EXPECT_EQ(s.constraintIterations, 7);
	EXPECT_EQ(s.Gravity(), Tuple3f(0.0f, -3.5f, 0.0f));
	EXPECT_EQ(s.maxContacts, 2000) << "a key left out keeps its default";

	// A missing key passes the value held as its default: the tolerance survives the round trip.
	PhysicsSettings roundTrip = s;
	for (int reload = 0; reload < 3; ++reload)
		roundTrip.SetEpaToleranceDegrees(roundTrip.GetEpaToleranceDegrees());
	EXPECT_EQ(roundTrip.epaTolerance, s.epaTolerance);
}

TEST_F(PhysicsSystem, SolverRunsFiftyIterationsForTheFirstTwentyStepsOfALevel)
{
	Configure("<Physics><Constraint_Iterations>7</Constraint_Iterations></Physics>");
	ResolutionManager& resolution = physics->GetResolution();
	for (int round = 0; round < 2; ++round)
	{
		for (unsigned step = 1; step <= Physics::kWarmUpSteps; ++step)
		{
			physics->Update();
			ASSERT_EQ(resolution.GetSolverIterations(), 50) << "step " << step;
		}
		physics->Update();
		EXPECT_EQ(resolution.GetSolverIterations(), 7);
		EXPECT_EQ(physics->GetFrameCounter(), Physics::kWarmUpSteps + 1);
		Send("LevelLoaded");
		EXPECT_EQ(physics->GetFrameCounter(), 0u);
	}
}

TEST_F(PhysicsSystem, PauseAndDebugMessagesSetTheFlags)
{
	const ResolutionManager& resolution = physics->GetResolution();
	ASSERT_TRUE(resolution.updateEnabled);

	const struct
	{
		const char* name;
		int argument; // -1: none
		bool updateEnabled;
	} cases[] = {{"Pause", 1, false}, {"Pause", 0, true}, {"PausePhysics", 1, false}, {"ToggleUpdate", -1, true},
		{"ToggleUpdate", -1, false}, {"PausePhysics", 0, true}};
	for (const auto& c : cases)
	{
		if (c.argument < 0)
			Send(c.name);
		else
			SendBool(c.name, c.argument == 1);
		EXPECT_EQ(resolution.updateEnabled, c.updateEnabled) << c.name << ' ' << c.argument;
	}

	EXPECT_FALSE(physics->IsDebugDrawing());
	Send("ToggleDebug");
	EXPECT_TRUE(physics->IsDebugDrawing());
	Send("ToggleDebug");
	EXPECT_FALSE(physics->IsDebugDrawing());
}

TEST_F(PhysicsSystem, NewIdAfterTheLevelLoadedTakesTheSmallestFreeOne)
{
	Send("LevelLoaded");
	for (unsigned id : {1u, 2u, 4u})
		Register(id);
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(3), 0u) << "an unknown id names no object";
	PhysicsId& fresh = Register(0);
	EXPECT_EQ(fresh.id, 3u) << "asking for 3 did not take it";
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(3), fresh.objectId);
	EXPECT_EQ(Register(0).id, 5u);
}

TEST_F(PhysicsSystem, IdsAskedForBeforeTheLevelLoadedAreGivenInOrderOfArrival)
{
	PhysicsId& first = Register(0);
	Register(2);
	PhysicsId& second = Register(0);
	EXPECT_EQ(first.id, 0u);
	Send("LevelLoaded");
	EXPECT_EQ(first.id, 1u);
	EXPECT_EQ(second.id, 3u);
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(1), first.objectId);
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(3), second.objectId);

	// An id that leaves frees its number; a second owner of a number keeps it when the first leaves.
	physics->UnregisterPhysicsId(first);
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(1), 0u);
	PhysicsId& claimant = Register(3);
	physics->UnregisterPhysicsId(second);
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(3), claimant.objectId);
}

TEST_F(PhysicsSystem, ComponentThatGoesWhileWaitingIsNeverGivenAnId)
{
	Register(0);
	Register(0);
	DestroyAllObjects();
	// The two gone components were taken off the waiting list: the one left gets 1.
	PhysicsId& later = Register(0);
	Send("LevelLoaded");
	EXPECT_EQ(later.id, 1u);
}

TEST_F(PhysicsSystem, GroupUnderAnOriginPrefixesTheIdsOfItsMembers)
{
	std::istringstream text("<ObjectGroup><Object><string>Beam</string><Component><string>PhysicsId</string>"
							"<unsigned>2</unsigned></Component></Object><Unknown><string>Origin</string>"
							"<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><unsigned>5</unsigned></Unknown></ObjectGroup>");
	Serializer reader;
	ASSERT_TRUE(reader.LoadFromStream(text, "PhysicsIdGroup"));
	ObjectGroup::Create()->Load(reader, 1);
	const Object beam = ObjectFromName("Beam");
	EXPECT_EQ(beam.object->GetComponent<PhysicsId>()->id, 0x00050002u);
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(0x00050002u), beam.id);
	EXPECT_EQ(physics->ObjectIdFromPhysicsId(2), 0u) << "the id from the file was given up";
}

TEST_F(PhysicsSystem, EachLevelStartsWithoutIdsAndTheLevelNotLoaded)
{
	for (int level = 0; level < 100; ++level)
	{
		Send("LevelLoaded");
		ASSERT_TRUE(physics->IsLevelLoaded());
		ASSERT_EQ(Register(0).id, 1u) << "level " << level;
		physics->Reload();
		ASSERT_FALSE(physics->IsLevelLoaded());
		EXPECT_EQ(physics->ObjectIdFromPhysicsId(1), 0u);
		DestroyAllObjects();
	}
}

// A full body pool is printed for the first object that finds it so, once a level: the next level
// names its own first object, not the last level's.
TEST_F(PhysicsSystem, AFullBodyPoolIsPrintedForTheFirstObjectOfEachLevel)
{
	const auto printedFor = [](const std::vector<std::string>& objects) {
		tw::Diagnostics::Flush();
		testing::internal::CaptureStderr();
		for (const std::string& object : objects)
			Physics::ReportBodyPoolFull("Body", object, "the object is not simulated");
		return testing::internal::GetCapturedStderr();
	};
	const std::string firstLevel = printedFor({"FirstLevelCrate", "FirstLevelKeg"});
	physics->Reload();
	const std::string nextLevel = printedFor({"NextLevelKeg", "NextLevelCrate"});
	const auto lineFor = [](const std::string& object) {
		return "Body of object \"" + object + "\": the body pool is full (Max_Bodies " + std::to_string(Physics::Settings().maxBodies) +
			"), the object is not simulated\n";
	};
	EXPECT_EQ(firstLevel, lineFor("FirstLevelCrate"));
	EXPECT_EQ(nextLevel, lineFor("NextLevelKeg"));
	tw::Diagnostics::Flush();
}

TEST_F(PhysicsSystem, ProfilerAveragesTheRecordedStepsAndPrintsNotANumberWhenEmpty)
{
	testing::internal::CaptureStdout();
	Send("PrintProfiler");
	const std::string empty = testing::internal::GetCapturedStdout();
	for (const char* label : {"Average physics frame time: ", "Transgression: ", "Resolution: ", "Detection: "})
		EXPECT_NE(empty.find(std::string(label) + "nan"), std::string::npos) << empty;
	EXPECT_EQ(empty.substr(empty.size() - 2), "\n\n");

	for (int step = 0; step < 3; ++step)
		physics->Update();
	for (PhysicsSubsystem* stage :
		std::initializer_list<PhysicsSubsystem*>{&physics->GetDetection(), &physics->GetTransgression(), &physics->GetResolution()})
		EXPECT_EQ(stage->durations.count, 3u);
	testing::internal::CaptureStdout();
	Send("PrintProfiler");
	EXPECT_EQ(testing::internal::GetCapturedStdout().find("nan"), std::string::npos);

	Send("ClearProfiler");
	EXPECT_EQ(physics->GetResolution().durations.count, 0u);
}

TEST_F(PhysicsSystem, OnlyTheLivingSystemIsTheInstance)
{
	EXPECT_EQ(Physics::Instance(), physics);
	engine.reset();
	EXPECT_EQ(Physics::Instance(), nullptr);
	EXPECT_EQ(Physics::Settings().sleepTimeout, 15) << "the defaults when no system exists";
	Configure("");
}

namespace
{
	struct __RayAnswerName
	{
		static constexpr const char* name = "RayAnswer";
	};

	// Answers every ray query with a hit at the origin plus the direction.
	class RayAnswer : public SystemBase<RayAnswer, __RayAnswerName>
	{
	public:
		void LoadConfig(Config&) override { RegisterHandler("PhysicsQueryRayCast", &RayAnswer::OnQuery); }
		void OnQuery(Message::Reader reader)
		{
			bool* hit = reader.Read<bool*>();
			const Tuple3f origin = reader.Read<Tuple3f>();
			const Tuple3f direction = reader.Read<Tuple3f>();
			RigidBody** body = reader.Read<RigidBody**>();
			Tuple3f* point = reader.Read<Tuple3f*>();
			*hit = true;
			if (body != nullptr)
				*body = &answer;
			if (point != nullptr)
				*point = origin + direction;
		}

		RigidBody answer;
	};
}

TEST_F(PhysicsSystem, RayCastAsksWhoeverAnswersTheQueryMessage)
{
	EXPECT_FALSE(Physics::RayCast(Tuple3f(), Tuple3f(1, 0, 0))) << "nobody answers";
	RayAnswer* answer = new RayAnswer();
	engine->AddSystem(answer);
	RigidBody* body = nullptr;
	Tuple3f point;
	EXPECT_TRUE(Physics::RayCast(Tuple3f(1, 2, 3), Tuple3f(0, 0, 1), &body, &point));
	EXPECT_EQ(body, &answer->answer);
	EXPECT_EQ(point, Tuple3f(1, 2, 4));
	EXPECT_TRUE(Physics::RayCast(Tuple3f(), Tuple3f(0, 1, 0))) << "the answers are optional";
}
