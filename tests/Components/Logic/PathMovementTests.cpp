#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/PathMovement.h"
#include "Systems/Logic/NavTestLevels.h"
#include "Utilities/DebugDraw.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace
{
	using test::NavWorld;
	using test::Stride;

	// A 32-unit floor with a walker standing (by default) half a unit above it at (4, 4).
	struct WalkLevel
	{
		explicit WalkLevel(const std::string& values = "<float>4</float><float>1</float>", float height = 0.5f)
		{
			world.AddFloorObject(32, 32);
			world.LevelLoaded();
			walker = NavWorld::AddWalker(Tuple3f(4, height, 4), values);
			log = &test::Listen(walker, {"PathingComplete"});
		}
		PathMovement& Movement() const { return *walker.object->GetComponent<PathMovement>(); }
		Tuple3f& Velocity() const { return walker.object->GetComponent<Stride>()->velocity; }
		Transform& Place() const { return *walker.object->GetComponent<Transform>(); }
		bool SetEnd(const Tuple3f& end) const
		{
			bool reached = false;
			walker.object->HandleMessage(Message("SetEndPoint").Push(end).Push(&reached));
			return reached;
		}
		// Walks until "PathingComplete" or the frames run out; the frames it took.
		unsigned WalkToEnd(unsigned frames)
		{
			for (unsigned frame = 0; frame < frames; ++frame)
			{
				world.Walk(walker, 1);
				if (log->Count("PathingComplete") > 0)
					return frame + 1;
			}
			return frames;
		}

		NavWorld world;
		Object walker;
		test::MessageLog* log = nullptr;
	};

	// On a 32-unit floor, a walker whose body keeps its own rise or fall (no gravity) at (4, 4).
	Object AddBodyWalker(NavWorld& world, const std::string& values)
	{
		world.AddFloorObject(32, 32);
		world.LevelLoaded();
		const Object walker = world.AddBodyObject("Walker", Tuple3f(4, 0.5f, 4), false, NavWorld::BodyValues("NOGRAVITY"));
		NavWorld::AddLoaded(walker, PathMovement::TypeId(), values);
		walker.object->Start();
		return walker;
	}

	TEST(PathMovement, TheWalkHeadsForTheSecondPointNeverTheStartAndAnnouncesItsEndOnce)
	{
		WalkLevel level;
		ASSERT_TRUE(level.SetEnd(Tuple3f(24, 0, 4)));
		EXPECT_EQ(level.Movement().GetPathIndex(), 1u);
		level.world.Walk(level.walker, 1);
		EXPECT_NEAR(level.Velocity().x, 4.0f, 1e-4f);
		EXPECT_NEAR(level.Velocity().z, 0.0f, 1e-4f);
		EXPECT_LT(level.WalkToEnd(400), 400u);
		EXPECT_LT(std::hypot(level.Place().GetWorldPosition().x - 24.0f, level.Place().GetWorldPosition().z - 4.0f), 1.0f);
		level.world.Walk(level.walker, 100);
		EXPECT_EQ(level.log->Count("PathingComplete"), 1u);
	}

	// Its back to where it heads (its model -z looks along the way), for each way it heads.
	TEST(PathMovement, TheWalkerTurnsItsModelMinusZAlongItsWay)
	{
		for (const auto& [end, heading] : {std::pair{Tuple3f(24, 0, 4), Tuple3f(1, 0, 0)}, {Tuple3f(4, 0, 24), Tuple3f(0, 0, 1)},
				 {Tuple3f(4, 0, 0.5f), Tuple3f(0, 0, -1)}})
		{
			WalkLevel level;
			ASSERT_TRUE(level.SetEnd(end));
			level.world.Walk(level.walker, 1);
			const Tuple3f back = Quaternion::Rotate(level.Place().GetWorldOrientation(), Tuple3f(0, 0, 1));
			EXPECT_LT(back.Distance(heading * -1.0f), 1e-3f) << end << ": " << back;
		}
	}

	// The steering sets the ground velocity and leaves the body's fall or rise as it is.
	TEST(PathMovement, SteeringKeepsTheBodysVerticalVelocity)
	{
		for (const float vertical : {-3.0f, 2.0f})
		{
			NavWorld world;
			const Object walker = AddBodyWalker(world, "<float>4</float><float>1</float>");
			test::MessageLog& log = test::Listen(walker, {"SetVelocity"});
			walker.object->HandleMessage(Message("SetEndPoint").Push(Tuple3f(24, 0, 4)));
			NavWorld::RigidBodyOf(walker).velocity = Tuple3f(0, vertical, 0);
			world.Frame();
			ASSERT_FALSE(log.entries.empty());
			std::istringstream sent(log.entries.front().substr(std::string("SetVelocity ").size()));
			Tuple3f velocity;
			sent >> velocity.x >> velocity.y >> velocity.z;
			EXPECT_EQ(velocity.y, vertical);
			EXPECT_NEAR(std::hypot(velocity.x, velocity.z), 4.0f, 1e-3f);
		}
	}

	// Whether the walk ends or is paused, the body stops across the ground and keeps its rise.
	TEST(PathMovement, AnEndedOrPausedWalkStopsTheBodysGroundVelocityOnly)
	{
		for (const char* cause : {"PathingComplete", "StopPathing", "Ragdoll"})
		{
			NavWorld world;
			const Object walker = AddBodyWalker(world, "<float>4</float><float>100</float>");
			test::MessageLog& log = test::Listen(walker, {"PathingComplete"});
			walker.object->HandleMessage(Message("SetEndPoint").Push(Tuple3f(7, 0, 4)));
			RigidBody& body = NavWorld::RigidBodyOf(walker);
			body.velocity.y = 0.25f;
			for (int frame = 0; frame < 10; ++frame)
				world.Frame();
			if (std::string(cause) != "PathingComplete")
				walker.object->HandleMessage(Message(cause).PushBool(true));
			for (int frame = 0; frame < 200 && log.Count("PathingComplete") == 0 && std::string(cause) == "PathingComplete"; ++frame)
				world.Frame();
			world.Frame();
			EXPECT_EQ(Tuple3f(body.velocity.x, 0, body.velocity.z), Tuple3f()) << cause;
			EXPECT_EQ(body.velocity.y, 0.25f) << cause;
		}
	}

	TEST(PathMovement, ACharacterWhoseCentreStandsAUnitOrMoreAboveThePathStillArrives)
	{
		for (const float height : {1.0f, 1.5f})
		{
			WalkLevel level("<float>4</float><float>1</float>", height);
			ASSERT_TRUE(level.SetEnd(Tuple3f(24, 0, 4)));
			EXPECT_LT(level.WalkToEnd(400), 400u) << "centre " << height << " up";
		}
	}

	TEST(PathMovement, AWayPointJoinsThePathOnlyAfterTheNextRegeneration)
	{
		WalkLevel level("<float>1</float><float>1</float>");
		level.SetEnd(Tuple3f(24, 0, 4));
		const std::size_t length = level.Movement().GetPath().size();
		const Tuple3f wayPoint(20, 0, 20);
		level.walker.object->HandleMessage(Message("AddWayPoint").Push(wayPoint));
		level.world.Walk(level.walker, 60);
		EXPECT_EQ(level.Movement().GetPath().size(), length);
		level.world.Walk(level.walker, 5);
		ASSERT_FALSE(level.Movement().GetPath().empty());
		EXPECT_EQ(level.Movement().GetPath().back(), wayPoint);
	}

	// A walk done before any regeneration still goes on to its way point (a builder sent to a
	// piece that lies in a hole of the navigation mesh stopped at the hole's edge).
	TEST(PathMovement, AWalkDoneBeforeTheNextRegenerationGoesOnToItsWayPoint)
	{
		WalkLevel level("<float>4</float><float>100</float>");
		ASSERT_TRUE(level.SetEnd(Tuple3f(8, 0, 4)));
		const Tuple3f wayPoint(10, 0, 8);
		level.walker.object->HandleMessage(Message("AddWayPoint").Push(wayPoint));
		ASSERT_LT(level.WalkToEnd(600), 600u);
		const Tuple3f at = level.Place().GetWorldPosition();
		EXPECT_LT(std::hypot(at.x - wayPoint.x, at.z - wayPoint.z), PathMovement::kReachedDistance);
		EXPECT_EQ(level.log->Count("PathingComplete"), 1u);
	}

	// Way points a regeneration put into the path are walked once: at the last one the walk ends
	// there, it does not turn back to walk them again.
	TEST(PathMovement, WayPointsTakenUpByARegenerationAreWalkedOnce)
	{
		// Regenerated once, two seconds in, short of the end; done before the next.
		WalkLevel level("<float>4</float><float>2</float>");
		ASSERT_TRUE(level.SetEnd(Tuple3f(14, 0, 4)));
		const Tuple3f first(14, 0, 7), last(14, 0, 11);
		for (const Tuple3f& wayPoint : {first, last})
			level.walker.object->HandleMessage(Message("AddWayPoint").Push(wayPoint));
		float farthestAfterLast = 0.0f;
		bool reachedLast = false;
		for (unsigned frame = 0; frame < 600 && level.log->Count("PathingComplete") == 0; ++frame)
		{
			level.world.Walk(level.walker, 1);
			const Tuple3f at = level.Place().GetWorldPosition();
			const float fromLast = std::hypot(at.x - last.x, at.z - last.z);
			reachedLast = reachedLast || fromLast < PathMovement::kReachedDistance;
			if (reachedLast)
				farthestAfterLast = std::max(farthestAfterLast, fromLast);
		}
		ASSERT_TRUE(reachedLast);
		EXPECT_EQ(level.log->Count("PathingComplete"), 1u);
		EXPECT_LT(farthestAfterLast, PathMovement::kReachedDistance) << "walked back towards the way points";
	}

	TEST(PathMovement, WithRegenTimeZeroItRegeneratesEveryFrameAndStillWalksToTheEnd)
	{
		WalkLevel level("<float>4</float><float>0</float>");
		ASSERT_TRUE(level.SetEnd(Tuple3f(20, 0, 16)));
		EXPECT_LT(level.WalkToEnd(600), 600u);
		const Tuple3f at = level.Place().GetWorldPosition();
		EXPECT_LT(std::hypot(at.x - 20.0f, at.z - 16.0f), 1.0f);
	}

	TEST(PathMovement, ATargetStraightBelowGivesNoHorizontalVelocityAndKeepsTheFacing)
	{
		WalkLevel level;
		level.Place().SetWorldRotationVector(Tuple3f(0, 1, 0));
		level.Velocity() = Tuple3f(9, 9, 9);
		level.SetEnd(Tuple3f(4, 0, 4));
		ASSERT_GE(level.Movement().GetPath().size(), 2u);
		level.world.Frame();
		EXPECT_TRUE(IsFinite(level.Velocity()));
		EXPECT_EQ(level.Velocity().x, 0.0f);
		EXPECT_EQ(level.Velocity().z, 0.0f);
		EXPECT_NEAR(level.Place().GetWorldRotationVector().y, 1.0f, 1e-4f);
	}

	TEST(PathMovement, StopPathingAndRagdollPauseTheWalkWithoutClearingItAndTheOppositeResumesIt)
	{
		for (const char* pause : {"StopPathing", "Ragdoll"})
		{
			WalkLevel level;
			level.SetEnd(Tuple3f(24, 0, 20));
			level.world.Walk(level.walker, 10);
			const std::vector<Tuple3f> path = level.Movement().GetPath();
			level.walker.object->HandleMessage(Message(pause).PushBool(true));
			level.Velocity() = Tuple3f();
			level.world.Walk(level.walker, 100);
			EXPECT_EQ(level.Velocity(), Tuple3f()) << pause;
			EXPECT_EQ(level.Movement().GetPath(), path) << pause;
			level.walker.object->HandleMessage(Message(pause).PushBool(false));
			level.world.Walk(level.walker, 1);
			EXPECT_GT(level.Velocity().Length(), 3.9) << pause;
		}
	}

	std::vector<std::pair<Tuple3f, Tuple3f>>& DrawnLines()
	{
		static std::vector<std::pair<Tuple3f, Tuple3f>> lines;
		return lines;
	}

	TEST(PathMovement, WithTheNavMeshShownTheRemainingPathIsDrawnHalfAUnitUpFromTheCharacter)
	{
		WalkLevel level;
		level.SetEnd(Tuple3f(24, 0, 20));
		const DebugDraw::DrawLineHook previous = DebugDraw::DrawLine;
		// The path in red; the navigation mesh itself is drawn in green.
		DebugDraw::DrawLine = [](Tuple3f from, Tuple3f to, float, Tuple4f colour) {
			if (colour == Tuple4f(1, 0, 0, 1))
				DrawnLines().emplace_back(from, to);
		};
		DrawnLines().clear();
		level.world.Frame();
		EXPECT_TRUE(DrawnLines().empty());
		Engine::SendMessage(Message("ToggleNavMesh").PushBool(true));
		level.world.Frame();
		DebugDraw::DrawLine = previous;
		const std::vector<Tuple3f>& path = level.Movement().GetPath();
		ASSERT_EQ(DrawnLines().size(), path.size() - level.Movement().GetPathIndex());
		EXPECT_EQ(DrawnLines().front().first, Tuple3f(4, 0.5f, 4));
		EXPECT_EQ(DrawnLines().back().second, Tuple3f(path.back().x, 0.5f, path.back().z));
	}
}
