#include "Systems/Physics/ResolutionManager.h"
#include "Systems/Physics/TransgressionManager.h"

#include "QuietComponent.h"
#include "Systems/Physics/PhysicsScene.h"
#include "Systems/Physics/PhysicsWorld.h"
#include "Systems/Physics/ShapeCast.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
	constexpr float kResolutionStep = 0.016f;
	constexpr float kGravity = -9.8f;
	constexpr float kDamping = 0.995f;

	using test::PhysicsWorld;

	Tuple3f BodyPositionOf(const RigidBody& body)
	{
		return body.GetPosition();
	}

	void SendToPhysics(const char* name)
	{
		Engine::SendMessage(Message(name));
	}

	void SendPhysicsPause(bool paused)
	{
		Message message("Pause");
		message.PushBool(paused);
		Engine::SendMessage(message);
	}

	// A component that notes its name each time it is updated.
	struct __StepProbeName
	{
		static constexpr const char* name = "StepProbe";
	};

	class StepProbe : public test::QuietComponent<StepProbe, __StepProbeName>
	{
	public:
		bool Update() override
		{
			log->push_back(label);
			if (unlinkFrom != nullptr)
				unlinkFrom->Remove(link);
			return true;
		}

		std::string label;
		std::vector<std::string>* log = nullptr;
		PostStepList* unlinkFrom = nullptr;
		PostStepLink link{this};
	};
}

TEST(ResolutionManager, FreeFallFollowsDampedGravity)
{
	PhysicsWorld world;
	RigidBody& body = world.AddBody(1.0f, Tuple3f(0, 10, 0));
	double velocity = 0.0;
	double height = 10.0;
	for (int step = 1; step <= 100; ++step)
	{
		world.Step();
		velocity = (velocity + kGravity * kResolutionStep) * kDamping;
		height += velocity * kResolutionStep;
		ASSERT_NEAR(body.velocity.y, velocity, 1e-5) << "step " << step;
		ASSERT_NEAR(BodyPositionOf(body).y, height, 1e-4) << "step " << step;
	}
	EXPECT_EQ(body.velocity.x, 0.0f);
	EXPECT_FALSE(body.IsAsleep());
}

TEST(ResolutionManager, BodiesMoveByTheirFlagsAndMass)
{
	PhysicsWorld world;
	const Matrix4 inertia = test::SphereInverseInertia(1.0f, 0.5f);
	const Tuple3f start(1, 2, 3), velocity(1, 2, 3), spin(0.5f, 0, 0);
	RigidBody& floating = world.AddBody(1.0f, start, kBodyNoGravity, inertia);
	RigidBody& falling = world.AddBody(1.0f, start, 0, inertia);
	RigidBody& fixed = world.AddBody(0.0f, start);
	RigidBody& told = world.AddBody(0.0f, start, kBodyLogic | kBodyNoGravity);
	RigidBody& heavy = world.AddBody(0.0f, start, kBodyLogic);
	for (RigidBody* body : {&floating, &falling, &fixed, &told, &heavy})
	{
		body->velocity = velocity;
		body->angularVelocity = spin;
	}
	world.Step();
	EXPECT_EQ(falling.angularVelocity, spin * kDamping);
	ExpectNear(falling.velocity, (velocity + Tuple3f(0, kGravity * kResolutionStep, 0)) * kDamping, 1e-6);

	world.Step(9);
	for (RigidBody* body : {&floating, &told})
	{
		EXPECT_EQ(body->velocity, velocity) << "no gravity, no damping";
		EXPECT_EQ(body->angularVelocity, spin);
		ExpectNear(BodyPositionOf(*body), start + velocity * (10 * kResolutionStep), 1e-5);
	}
	EXPECT_NE(floating.orientation, Quaternion()) << "it turns with its spin";
	EXPECT_EQ(BodyPositionOf(fixed), start) << "a static body never moves, whatever its velocity";
	// A LOGIC body under gravity falls and loses linear speed, but keeps its spin.
	EXPECT_EQ(heavy.angularVelocity, spin);
	EXPECT_LT(heavy.velocity.y, velocity.y + kGravity * 9 * kResolutionStep);
	EXPECT_LT(heavy.velocity.x, velocity.x);
}

TEST(ResolutionManager, PauseHoldsBodiesAndFrameStepMovesThemOneStep)
{
	PhysicsWorld world;
	Physics& physics = *world.physics;
	RigidBody& body = world.AddBody(1.0f, Tuple3f(), kBodyNoGravity);
	body.velocity = Tuple3f(1, 0, 0);

	SendPhysicsPause(true);
	body.ApplyForce(Tuple3f(0, 100, 0), BodyPositionOf(body));
	physics.Update();
	physics.Update();
	EXPECT_EQ(BodyPositionOf(body), Tuple3f()) << "paused";
	EXPECT_EQ(body.acceleration, Tuple3f()) << "a force applied while paused is lost";

	SendToPhysics("FrameStep");
	SendToPhysics("FrameStep");
	physics.Update();
	ExpectNear(BodyPositionOf(body), Tuple3f(kResolutionStep, 0, 0), 1e-7);
	EXPECT_EQ(body.velocity, Tuple3f(1, 0, 0));
	// Two FrameSteps in one frame make one step.
	physics.Update();
	ExpectNear(BodyPositionOf(body), Tuple3f(kResolutionStep, 0, 0), 1e-7);

	SendPhysicsPause(false);
	physics.Update();
	ExpectNear(BodyPositionOf(body), Tuple3f(2 * kResolutionStep, 0, 0), 1e-7);
}

TEST(ResolutionManager, AsleepBodiesHoldStillAndTheirIslandsLoseTheStepsGravity)
{
	PhysicsWorld world;
	RigidBody& body = world.AddBody(1.0f, Tuple3f(0, 5, 0));
	body.Sleep();
	world.physics->GetTransgression().islands.Find(&body)->info.asleep = true;

	world.Resolution().Update();
	// The step's gravity, damped, minus the undamped gravity taken back.
	EXPECT_NEAR(body.solverVelocity[1], (kGravity * kResolutionStep * kDamping - kGravity * kResolutionStep) / kResolutionStep, 1e-4);
	EXPECT_EQ(BodyPositionOf(body), Tuple3f(0, 5, 0));
	EXPECT_EQ(body.velocity, Tuple3f()) << "an asleep body ends the step still";

	// A clear push wakes the body, which moves from the next step on.
	body.velocity = Tuple3f(1, 0, 0);
	world.Step();
	EXPECT_FALSE(body.IsAsleep());
	EXPECT_EQ(BodyPositionOf(body), Tuple3f(0, 5, 0));
	world.physics->GetTransgression().islands.Find(&body)->info.asleep = false;
	world.Step();
	EXPECT_GT(BodyPositionOf(body).x, 0.0f);
}

TEST(ResolutionManager, BodiesJoinAndLeaveTheListAndTheirIslands)
{
	PhysicsWorld world;
	ResolutionManager& resolution = world.Resolution();
	const IslandSet& islands = world.physics->GetTransgression().islands;
	RigidBody& first = world.AddBody(1.0f, Tuple3f());
	RigidBody& middle = world.AddBody(1.0f, Tuple3f());
	RigidBody& last = world.AddBody(1.0f, Tuple3f());
	EXPECT_FALSE(resolution.AddBody(middle)) << "a body is simulated once";
	EXPECT_TRUE(islands.Contains(&middle));

	EXPECT_TRUE(resolution.RemoveBody(middle));
	EXPECT_FALSE(resolution.RemoveBody(middle));
	EXPECT_FALSE(islands.Contains(&middle));
	EXPECT_EQ(resolution.GetBodies().count, 2u);
	EXPECT_TRUE(first.next == &last && last.prev == &first);

	EXPECT_TRUE(resolution.RemoveBody(first) && resolution.RemoveBody(last));
	EXPECT_TRUE(resolution.GetBodies().first == nullptr && resolution.GetBodies().last == nullptr);

	// Physics restarts for every level: the pools are reserved anew, so nothing may stay listed.
	world.AddBody(1.0f, Tuple3f());
	world.physics->Shutdown();
	world.physics->Initialize();
	EXPECT_EQ(resolution.GetBodies().first, nullptr);
	EXPECT_EQ(islands.Size(), 0u);
}

TEST(ResolutionManager, RowsMoveBetweenTheListsKeepingTheirMultiplier)
{
	PhysicsWorld world;
	ResolutionManager& resolution = world.Resolution();
	ConstraintRef ref = resolution.CreateConstraint();
	ASSERT_NE(ref.record, nullptr);
	EXPECT_EQ(resolution.inactiveConstraints.Count(), 1u);

	EXPECT_FALSE(resolution.EnableConstraint(ref)) << "a row without bodies never reaches the solver";
	ref.record->bodyA = &world.AddBody(1.0f, Tuple3f());
	ref.record->bodyB = &world.AddBody(1.0f, Tuple3f());
	ref.record->lambda = 3.5f;
	EXPECT_TRUE(resolution.EnableConstraint(ref));
	EXPECT_TRUE(ref.active && resolution.inactiveConstraints.Count() == 0u);
	EXPECT_EQ(&resolution.activeConstraints.Head()->element, ref.record);

	EXPECT_TRUE(resolution.DisableConstraint(ref));
	EXPECT_FALSE(ref.active);
	EXPECT_EQ(ref.record->lambda, 3.5f);
	EXPECT_EQ(resolution.activeConstraints.Count(), 0u);

	resolution.DestroyConstraint(ref);
	EXPECT_EQ(ref.record, nullptr);
	EXPECT_EQ(resolution.inactiveConstraints.Count(), 0u);
}

TEST(ResolutionManager, FullListsRefuseRowsAndReportOnce)
{
	PhysicsWorld world("<Physics><Max_Constraints>1</Max_Constraints></Physics>");
	ResolutionManager& resolution = world.Resolution();
	RigidBody& a = world.AddBody(1.0f, Tuple3f());
	RigidBody& b = world.AddBody(1.0f, Tuple3f());
	ConstraintRef refs[4];
	const std::string report = StderrOf([&] {
		for (ConstraintRef& ref : refs)
		{
			ref = resolution.CreateConstraint();
			if (ref.record != nullptr)
			{
				ref.record->bodyA = &a;
				ref.record->bodyB = &b;
			}
		}
		EXPECT_TRUE(resolution.EnableConstraint(refs[0]));
		EXPECT_FALSE(resolution.EnableConstraint(refs[1]));
	});
	// The inactive list holds twice Max_Constraints; the two rows beyond are refused.
	EXPECT_TRUE(refs[1].record != nullptr && refs[2].record == nullptr && refs[3].record == nullptr);
	EXPECT_FALSE(refs[1].active);
	EXPECT_EQ(resolution.activeConstraints.Count(), 1u);
	EXPECT_EQ(resolution.inactiveConstraints.Count(), 1u);
	for (const char* line : {"the inactive constraint list is full (Max_Constraints 1)", "the active constraint list is full"})
	{
		EXPECT_NE(report.find(line), std::string::npos) << report;
		EXPECT_EQ(report.find(line), report.rfind(line)) << "repeats are only counted: " << report;
	}

	world.Step();
	EXPECT_EQ(a.velocity, b.velocity) << "the step runs with what fitted";
}

TEST(ResolutionManager, PostStepComponentsRunAfterEveryFrameSecondListFirst)
{
	PhysicsWorld world;
	ResolutionManager& resolution = world.Resolution();
	std::vector<std::string> log;
	StepProbe first, second, early;
	for (auto [probe, label] : {std::pair{&first, "first"}, {&second, "second"}, {&early, "early"}})
	{
		probe->label = label;
		probe->log = &log;
	}
	resolution.postStepComponents.Append(first.link);
	resolution.postStepComponents.Append(second.link);
	resolution.postStepComponents2.Append(early.link);
	// The first unlinks itself while the list runs; the walk goes on to the second.
	first.unlinkFrom = &resolution.postStepComponents;

	SendPhysicsPause(true);
	world.physics->Update();
	EXPECT_EQ(log, (std::vector<std::string>{"early", "first", "second"})) << "paused frames run them too";
	world.physics->Update();
	EXPECT_EQ(log, (std::vector<std::string>{"early", "first", "second", "early", "second"}));
	EXPECT_EQ(resolution.postStepComponents.count, 1u);

	resolution.postStepComponents.Remove(first.link);
	resolution.postStepComponents.Remove(second.link);
	resolution.postStepComponents2.Remove(early.link);
	EXPECT_EQ(resolution.postStepComponents.first, nullptr);
	EXPECT_EQ(resolution.postStepComponents2.count, 0u);
}

TEST(ResolutionManager, OrientationsTravelBetweenBodyAndTransform)
{
	PhysicsWorld world;
	RigidBody& body = world.AddBody(1.0f, Tuple3f(), kBodyNoGravity, test::SphereInverseInertia(1.0f, 1.0f));
	body.transform->SetWorldOrientation(kQuarterTurnZ);
	world.Resolution().PreUpdate();
	ExpectNear(body.orientation, kQuarterTurnZ, 1e-6);

	// A spin of π/2 rad/s about y for one second turns the body a quarter about y on top.
	body.angularVelocity = Tuple3f(0, 1.5707964f, 0);
	const int steps = static_cast<int>(1.0f / kResolutionStep + 0.5f);
	for (int i = 0; i < steps; ++i)
	{
		world.Resolution().Update();
		world.Resolution().PostUpdate();
	}
	const Quaternion expected = QuaternionFromRotationVector(Tuple3f(0, 1.5707964f * steps * kResolutionStep, 0)) * kQuarterTurnZ;
	ExpectNear(body.orientation, expected, 1e-3);
	ExpectNear(body.transform->GetWorldOrientation(), body.orientation, 1e-6);
}

namespace
{
	TEST(Tunnel, ASmallBoxAtFortyMetresASecondStopsOnAMeshFloorAThinFloorAndAThinWall)
	{
		const struct
		{
			const char* what;
			Tuple3f start;
			Tuple3f velocity;
			bool mesh;
			Tuple3f wallSize;
		} cases[] = {{"mesh floor", {0, 3, 0}, {0, -40, 0}, true, {}}, {"thin floor", {0, 3, 0}, {0, -40, 0}, false, {20, 0.05f, 20}},
			{"thin wall", {-3, 1, 0}, {40, 0, 0}, false, {0.05f, 20, 20}}};
		for (const auto& c : cases)
		{
			test::PhysicsScene scene;
			if (c.mesh)
				scene.AddMesh({{{-10, 0, -10}, {10, 0, -10}, {10, 0, 10}, {-10, 0, 10}}, {0, 2, 1, 0, 3, 2}});
			else
			{
				test::BodyShape wall;
				wall.isStatic = true;
				wall.scale = c.wallSize;
				scene.Add(wall, Tuple3f(0, 0, 0));
			}
			test::BodyShape crate;
			crate.scale = Tuple3f(0.2f, 0.2f, 0.2f);
			crate.flags = c.velocity.y == 0.0f ? kBodyNoGravity : 0u;
			RigidBody& box = scene.Add(crate, c.start);
			scene.LoadLevel();
			box.velocity = c.velocity;
			scene.Step(40);
			const Tuple3f along = c.velocity.Normalize();
			EXPECT_LT(box.GetPosition().DotProduct(along), -0.08f) << c.what << ": stopped on the near side";
		}
	}

	// A keg-sized body coming down faster than half its height a step is stopped by the sweep where
	// it touches the floor. It must land at once, touched by the floor, whether the floor is a mesh
	// or a static box; straight down, the floor takes its whole speed.
	TEST(SweptStep, AFastBodyComingDownLandsOnAMeshOrBoxFloor)
	{
		constexpr int kFramesToLand = 30;
		const struct
		{
			Tuple3f velocity;
			float floorTakes;
		} cases[] = {{{-9, -30, 9}, 0}, {{-12, -40, 12}, 0}, {{-14.4f, -48, 14.4f}, 0}, {{0, -40, 0}, 39}};
		for (const bool mesh : {true, false})
			for (const auto& c : cases)
			{
				test::PhysicsScene scene;
				if (mesh)
					scene.AddMesh({{{-20, 0, -20}, {20, 0, -20}, {20, 0, 20}, {-20, 0, 20}}, {0, 2, 1, 0, 3, 2}});
				else
				{
					test::BodyShape floor;
					floor.isStatic = true;
					floor.scale = Tuple3f(40, 1, 40);
					scene.Add(floor, Tuple3f(0, -0.5f, 0));
				}
				test::BodyShape keg;
				keg.shape = "cylinder";
				keg.scale = Tuple3f(0.8f, 0.8f, 0.8f);
				RigidBody& body = scene.Add(keg, Tuple3f(5, 3, 8));
				scene.LoadLevel();
				body.velocity = c.velocity;
				int landedAt = -1;
				float hardest = 0.0f;
				for (int frame = 1; frame <= kFramesToLand && landedAt < 0; ++frame)
				{
					scene.Step();
					hardest = std::max(hardest, body.constraintForce[1] * body.inverseMass * kResolutionStep);
					const bool down = body.GetPosition().y < 0.41f && std::fabs(body.velocity.y) < 0.2f;
					if (down && test::PhysicsScene::Log(body).collisions > 0)
						landedAt = frame;
				}
				EXPECT_GT(landedAt, 0) << (mesh ? "mesh" : "box") << " floor, velocity " << c.velocity << ": never landed";
				EXPECT_GE(hardest, c.floorTakes) << (mesh ? "mesh" : "box") << " floor, velocity " << c.velocity;
			}
	}

	// A mesh floor at y = 0, 80 units square.
	void AddMeshFloor(test::PhysicsScene& scene)
	{
		scene.AddMesh({{{-40, 0, -40}, {40, 0, -40}, {40, 0, 40}, {-40, 0, 40}}, {0, 2, 1, 0, 3, 2}});
	}

	RigidBody& AddStatic(test::PhysicsScene& scene, const Tuple3f& size, const Tuple3f& centre)
	{
		test::BodyShape block;
		block.isStatic = true;
		block.scale = size;
		return scene.Add(block, centre);
	}

	// The body turned as a level's Transform turns it, in degrees about x, y and z.
	void TurnBody(RigidBody& body, const Tuple3f& degrees)
	{
		body.transform->SetWorldOrientation(QuaternionFromRotationVector(degrees * static_cast<float>(kDegreesToRadians)));
		body.orientation = body.transform->GetWorldOrientation();
		body.UpdateDerived();
	}

	// Shots that the sweep stops, at speeds on both sides of where it starts sweeping (a unit box
	// sweeps above 31.25 m/s): what is left of the speed along the surface a few frames after the
	// first contact, and the hardest push the surface gave along its normal.
	TEST(SweptStep, AStoppedBodyKeepsItsSpeedAlongTheSurfaceAndStrikesWithTheRest)
	{
		const Tuple3f up(0, 1, 0), wallFacing(-1, 0, 0);
		const struct
		{
			const char* what;
			const char* shape;
			float size;
			bool wall;
			Tuple3f velocity;
		} cases[] = {{"crate 45 deg onto floor", "cube", 1, false, {21.92f, -21.92f, 0}},
			{"crate 45 deg onto floor", "cube", 1, false, {22.63f, -22.63f, 0}},
			{"keg 45 deg into wall", "cylinder", 0.8f, true, {14.14f, -3, 14.14f}},
			{"keg 45 deg into wall", "cylinder", 0.8f, true, {21.21f, -3, 21.21f}},
			{"keg 45 deg into wall", "cylinder", 0.8f, true, {31.82f, -3, 31.82f}},
			{"crate 0 deg onto floor", "cube", 1, false, {0, -40, 0}},
			{"crate 2 deg onto floor", "cube", 1, false, {1.40f, -39.98f, 0}},
			{"crate 5 deg onto floor", "cube", 1, false, {3.49f, -39.85f, 0}},
			{"crate 15 deg onto floor", "cube", 1, false, {10.35f, -38.64f, 0}},
			{"sphere down onto floor", "sphere", 1, false, {60, -30, 0}}};
		for (const auto& c : cases)
		{
			test::PhysicsScene scene;
			if (c.wall)
				scene.AddMesh({{{0, -20, -40}, {0, 20, -40}, {0, 20, 40}, {0, -20, 40}}, {0, 2, 1, 0, 3, 2}});
			else
				AddMeshFloor(scene);
			test::BodyShape shot;
			shot.shape = c.shape;
			shot.scale = Tuple3f(c.size, c.size, c.size);
			// Three frames' flight from the surface.
			const Tuple3f start = c.wall ? Tuple3f(-3 * kResolutionStep * c.velocity.x - 0.6f, 5, -10) : Tuple3f(-30, 3, 0);
			RigidBody& body = scene.Add(shot, start + (c.wall ? Tuple3f() : Tuple3f(0, -3 * kResolutionStep * c.velocity.y, 0)));
			scene.LoadLevel();
			body.velocity = c.velocity;
			const Tuple3f normal = c.wall ? wallFacing : up;
			const float intoSurface = -c.velocity.DotProduct(normal);
			const float along = static_cast<float>((c.velocity + normal * intoSurface).Length());
			float strike = 0.0f;
			int framesAfterContact = -1;
			for (int frame = 0; frame < 120 && framesAfterContact < 4; ++frame)
			{
				scene.Step();
				const Tuple3f push(body.constraintForce[0], body.constraintForce[1], body.constraintForce[2]);
				strike = std::max(strike, push.DotProduct(normal) * body.inverseMass * kResolutionStep);
				if (framesAfterContact >= 0 || test::PhysicsScene::Log(body).collisions > 0)
					++framesAfterContact;
			}
			const float alongAfter =
				static_cast<float>((body.velocity - normal * body.velocity.DotProduct(normal)).Length());
			const std::string row = std::string(c.what) + " at " + std::to_string(c.velocity.Length()) + " m/s";
			EXPECT_GE(framesAfterContact, 4) << row << ": never touched";
			// Friction may take at most its share of the speed into the surface.
			EXPECT_GT(alongAfter, along - 0.4f * intoSurface) << row << ": speed along " << along << " before";
			EXPECT_GT(strike, 0.8f * intoSurface) << row;
		}
	}

	// One step of the resolution stage alone, before any detection: the swept step, with no contact
	// to take the speed or push the body first.
	void StepResolutionOnly(test::PhysicsScene& scene)
	{
		ResolutionManager& resolution = scene.physics->GetResolution();
		resolution.PreUpdate();
		resolution.Update();
		resolution.PostUpdate();
	}

	// The swept step alone, before any contact has taken the speed: a body resting on a floor a
	// contact's depth in it, thrown into it, is carried a touch's depth into the floor, not the part
	// of its step that leads into it; the contacts the next detection finds take the rest.
	TEST(SweptStep, ABodyRestingOnAFloorThrownIntoItGoesATouchDeepNotItsStepDeep)
	{
		constexpr float kRestingDepth = 0.002f;
		const struct
		{
			const char* what;
			Tuple3f size;
			Tuple3f turn;
			float height;
		} bodies[] = {{"crate", {1, 1, 1}, {}, 0.5f}, {"crate on an edge", {1, 1, 1}, {0, 0, 45}, 0.70710678f},
			{"hut piece", {2, 0.5f, 2}, {0, 30, 0}, 0.25f}};
		const Tuple3f throws[] = {{0, -40, 0}, {28.28f, -28.28f, 0}, {20, -20, 20}};
		for (const bool mesh : {true, false})
			for (const auto& shape : bodies)
				for (const Tuple3f& velocity : throws)
				{
					test::PhysicsScene scene;
					if (mesh)
						AddMeshFloor(scene);
					else
						AddStatic(scene, {80, 1, 80}, {0, -0.5f, 0});
					test::BodyShape thrown;
					thrown.scale = shape.size;
					RigidBody& body = scene.Add(thrown, Tuple3f(0, shape.height - kRestingDepth, 0));
					TurnBody(body, shape.turn);
					scene.LoadLevel();
					body.velocity = velocity;
					StepResolutionOnly(scene);
					const float depth = -body.collider->GetGeometry(0)->Support(Tuple3f(0, -1, 0)).y;
					EXPECT_LE(depth, ShapeCast::kPenetration + 0.001f)
						<< shape.what << " thrown at " << tw::TextOf(velocity) << " into a " << (mesh ? "mesh" : "box") << " floor";
				}
	}

	// A fast body sunk into two surfaces at once, shot along both: a ball 3 cm into both faces of a
	// crease (a floor and a face rising from it at 60, 90 or 150 degrees) is moved out to touch each
	// face; a crate wedged off-centre between walls nearer together than it is wide cannot leave
	// both and is left as deep in each, for the contacts to squeeze out.
	TEST(SweptStep, ABodyInTwoSurfacesIsMovedOutOfBothOrLeftAsDeepInEach)
	{
		constexpr float kSunk = 0.03f, kGap = 0.98f;
		const struct
		{
			const char* what;
			float creaseDegrees;
			float depthInEach;
			float tolerance;
		} rows[] = {{"ball in a 60 degree crease", 60, 0, 0.005f}, {"ball in a 90 degree crease", 90, 0, 0.005f},
			{"ball in a 150 degree crease", 150, 0, 0.005f}, {"crate between walls", 0, 0.5f * (1 - kGap), 0.001f}};
		for (const auto& row : rows)
		{
			test::PhysicsScene scene;
			test::BodyShape body;
			body.flags = kBodyNoGravity;
			// Each face as its normal towards the body and where along it the face lies.
			std::vector<std::pair<Tuple3f, float>> faces;
			Tuple3f start;
			if (row.creaseDegrees > 0)
			{
				const float angle = row.creaseDegrees * static_cast<float>(kDegreesToRadians);
				const Tuple3f rising(-std::cos(angle) * 40, std::sin(angle) * 40, 0);
				scene.AddMesh({{{-40, 0, -40}, {0, 0, -40}, {0, 0, 40}, {-40, 0, 40}, Tuple3f(0, 0, 40) + rising, Tuple3f(0, 0, -40) + rising},
					{0, 2, 1, 0, 3, 2, 1, 2, 4, 1, 4, 5}});
				faces = {{{0, 1, 0}, 0.0f}, {{-std::sin(angle), -std::cos(angle), 0}, 0.0f}};
				body.shape = "sphere";
				const float height = 0.5f - kSunk;
				start = Tuple3f(-height * (1 + std::cos(angle)) / std::sin(angle), height, 0);
			}
			else
			{
				AddStatic(scene, {1, 4, 80}, {-0.5f * kGap - 0.5f, 0, 0});
				AddStatic(scene, {1, 4, 80}, {0.5f * kGap + 0.5f, 0, 0});
				faces = {{{1, 0, 0}, -0.5f * kGap}, {{-1, 0, 0}, -0.5f * kGap}};
				start = Tuple3f(0.005f, 0, 0);
			}
			RigidBody& moved = scene.Add(body, start);
			scene.LoadLevel();
			moved.velocity = Tuple3f(0, 0, 40);
			StepResolutionOnly(scene);
			for (const auto& [normal, at] : faces)
				EXPECT_NEAR(at - moved.collider->GetGeometry(0)->Support(-normal).DotProduct(normal), row.depthInEach, row.tolerance)
					<< row.what << ": depth in the face facing " << tw::TextOf(normal);
		}
	}

	// A body without mass is moved by gameplay (a gate, a door, a windmill's sails): however fast it
	// moves or turns, it goes where it is sent, as a slow one does, neither lifted out of the floor
	// it is set in nor stopped at a wall.
	TEST(SweptStep, AFastBodyWithoutMassGoesWhereGameplaySendsIt)
	{
		const struct
		{
			const char* what;
			Tuple3f size;
			Tuple3f velocity;
			Tuple3f spin;
		} cases[] = {{"a gate sent along the floor it is set in, into a wall", {1, 1, 1}, {40, 0, 0}, {}},
			{"a sail turning with its end in the floor", {5, 0.6f, 0.2f}, {}, {0, 0, 4}}};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.what);
			test::PhysicsScene scene;
			AddStatic(scene, {80, 1, 80}, {0, -0.5f, 0});
			AddStatic(scene, {1, 4, 80}, {3, 2, 0});
			test::BodyShape moved;
			moved.isStatic = true;
			moved.flags = kBodyLogic | kBodyNoGravity;
			moved.scale = c.size;
			RigidBody& body = scene.Add(moved, Tuple3f(0, 0.5f * c.size.y - 0.1f, 0));
			TurnBody(body, {0, 0, c.spin.z == 0.0f ? 0.0f : -80.0f});
			scene.LoadLevel();
			scene.Step();
			const Tuple3f start = body.GetPosition();
			for (int step = 1; step <= 10; ++step)
			{
				body.Wake();
				body.velocity = c.velocity;
				body.angularVelocity = c.spin;
				scene.Step();
				ExpectNear(body.GetPosition(), start + c.velocity * (kResolutionStep * static_cast<float>(step)), 1e-4);
			}
		}
	}

	// A crate lying a hair from a floor, a wall and a second wall meeting the first at an angle,
	// thrown hardest at the first wall, then the second, then the floor: slid off each in turn, what
	// is left of its step leads out of the corner along the second wall, and it takes it within the
	// step instead of being stopped at the floor.
	TEST(SweptStep, ACrateThrownIntoThreeSurfacesItTouchesSlidesOutAlongTheLast)
	{
		constexpr float kGap = 0.005f;
		test::PhysicsScene scene;
		AddMeshFloor(scene);
		scene.AddMesh({{{0, -20, -40}, {0, 20, -40}, {0, 20, 40}, {0, -20, 40}}, {0, 2, 1, 0, 3, 2}});
		// The second wall faces -(0.6, 0, 0.8), a gap from the crate's corner.
		const Tuple3f into(0.6f, 0, 0.8f), along(-0.8f, 0, 0.6f), up(0, 1, 0);
		const Tuple3f on = into * (0.4f + 0.4f * kGap);
		scene.AddMesh({{on - along * 40 - up * 20, on - along * 40 + up * 20, on + along * 40 + up * 20, on + along * 40 - up * 20},
			{0, 2, 1, 0, 3, 2}});
		test::BodyShape crate;
		RigidBody& body = scene.Add(crate, Tuple3f(-0.5f - kGap, 0.5f + kGap, 0));
		scene.LoadLevel();
		const Tuple3f from = body.GetPosition();
		body.velocity = Tuple3f(1, -0.3f, 0.4f).Normalize() * 40.0f;
		scene.Step();
		const Tuple3f moved = body.GetPosition() - from;
		EXPECT_GT(moved.DotProduct(along), 0.1f * 40.0f * kResolutionStep) << "moved " << tw::TextOf(moved);
		EXPECT_GT(body.GetPosition().y, 0.5f - ShapeCast::kSkin) << "into the floor";
	}

	// Fast unit cubes, turned or not, dropped on thin slabs, a thick floor and two slabs with a gap
	// narrower than the cube: each stays on top; tumbling, it may hop, but it is not thrown up.
	TEST(Tunnel, AFastBodyTurnedOrNotStopsOnAnySurfaceWiderThanItsGaps)
	{
		const struct
		{
			const char* what;
			float thickness;
			float gap;
		} surfaces[] = {{"5 cm slab", 0.05f, 0}, {"1 m floor", 1, 0}, {"2 cm gap", 0.05f, 0.02f}, {"20 cm gap", 0.05f, 0.2f}};
		const Tuple3f turns[] = {{0, 0, 0}, {0, 0, 30}, {45, 45, 0}};
		for (const auto& surface : surfaces)
			for (const Tuple3f& turn : turns)
				for (const float speed : {100.0f, 150.0f, 300.0f})
				{
					test::PhysicsScene scene;
					const float side = 0.5f * (20 - surface.gap);
					AddStatic(scene, {side, surface.thickness, 20}, {-0.5f * (side + surface.gap), -0.5f * surface.thickness, 0});
					AddStatic(scene, {side, surface.thickness, 20}, {0.5f * (side + surface.gap), -0.5f * surface.thickness, 0});
					RigidBody& cube = scene.Add(test::BodyShape(), Tuple3f(0, 10, 0));
					TurnBody(cube, turn);
					scene.LoadLevel();
					cube.velocity = Tuple3f(0, -speed, 0);
					float highest = -1e9f;
					for (int frame = 0; frame < 90; ++frame)
					{
						scene.Step();
						if (test::PhysicsScene::Log(cube).collisions > 0)
							highest = std::max(highest, cube.GetPosition().y);
					}
					const std::string row = std::string(surface.what) + ", turned " + std::to_string(turn.x) + " " +
						std::to_string(turn.z) + ", " + std::to_string(speed) + " m/s";
					EXPECT_GT(cube.GetPosition().y, 0.45f) << row << ": fell through";
					EXPECT_LT(highest, 5.0f) << row << ": thrown up";
				}
	}

	// A heavy pile presses a small body under it slowly but deep into the floor: the contacts give
	// way, yet the body must stay on the floor, whichever way the floor's triangles face.
	TEST(Tunnel, ASmallBodyUnderAHeavyOneStaysOnAMeshFloorWhicheverWayTheFloorFaces)
	{
		const std::vector<std::uint32_t> windings[] = {{0, 2, 1, 0, 3, 2}, {0, 1, 2, 0, 2, 3}};
		for (const auto& indices : windings)
		{
			test::PhysicsScene scene;
			scene.AddMesh({{{-10, 0, -10}, {10, 0, -10}, {10, 0, 10}, {-10, 0, 10}}, indices});
			test::BodyShape pebble;
			pebble.scale = Tuple3f(0.2f, 0.2f, 0.2f);
			test::BodyShape load;
			load.scale = Tuple3f(3, 3, 3);
			RigidBody& small = scene.Add(pebble, Tuple3f(0, 0.1f, 0));
			scene.Add(load, Tuple3f(0, 1.7f, 0));
			scene.LoadLevel();
			scene.Step(100);
			EXPECT_GT(small.GetPosition().y, 0.0f) << "winding " << indices[1];
		}
	}
}
