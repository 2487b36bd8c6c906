#include "Archetype.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/PathMovement.h"
#include "Components/Physics/ZeroRotation.h"
#include "Systems/Logic/NavTestLevels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace
{
	using test::GameplayWorld;
	using test::NavWorld;

	// A 40-unit floor, a character at its near edge and a 2-unit crate asleep on the straight line
	// to a point 20 units ahead.
	struct CrateWalk
	{
		static constexpr float kAgentRadius = 1.25f;
		const Tuple3f start{20, 1, 4};
		const Tuple3f end{20, 0, 24};

		CrateWalk()
		{
			GameplayWorld::AddStaticBox("Floor", Tuple3f(20, -0.5f, 20), Tuple3f(40, 1, 40));
			world.LevelLoaded();
			crate = world.AddBodyObject("Crate", Tuple3f(20, 1, 14), true, Cube("DEFAULT", "2 2 2"));
			world.Frame(2);
			GameplayWorld::RigidBodyOf(crate).Sleep();
			world.RebuildQueued();
			walker = world.AddBodyObject("Walker", start, false, Cube("DEFAULT", "1 2 1"));
			ZeroRotation::Register();
			walker.object->AddComponent(ZeroRotation::TypeId());
			GameplayWorld::AddLoaded(walker, PathMovement::TypeId(), "<float>4</float><float>0.5</float>");
			walker.object->Start();
			log = &test::Listen(walker, {"PathingComplete"});
		}
		static std::string Cube(const char* flags, const std::string& scale)
		{
			return GameplayWorld::BodyValues(flags, "CompositePrimitive", "0 0 0",
				"<Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>" + scale + "</Tuple3f></Collider>");
		}
		Tuple3f At() const { return walker.object->GetComponent<Transform>()->GetWorldPosition(); }

		struct Walk
		{
			unsigned frames = 0;
			float length = 0.0f;
			float widestSwerve = 0.0f;
			bool enteredCrate = false;
		};
		// Walks from the start to the end for at most 20 s of game time.
		Walk WalkOnce()
		{
			walker.object->HandleMessage(Message("SetPos").Push(start));
			log->entries.clear();
			walker.object->HandleMessage(Message("SetEndPoint").Push(end));
			Walk walk;
			Tuple3f previous = At();
			// The crate's footprint widened by nine tenths of the agent's radius.
			const float reach = 1.0f + 0.9f * kAgentRadius;
			while (log->Count("PathingComplete") == 0 && walk.frames < 1250)
			{
				world.Frame();
				++walk.frames;
				const Tuple3f at = At();
				EXPECT_TRUE(IsFinite(at));
				walk.length += static_cast<float>(std::hypot(at.x - previous.x, at.z - previous.z));
				walk.widestSwerve = std::max(walk.widestSwerve, std::fabs(at.x - start.x));
				walk.enteredCrate |= std::fabs(at.x - 20.0f) < reach && std::fabs(at.z - 14.0f) < reach;
				previous = at;
			}
			return walk;
		}

		NavWorld world;
		Object crate;
		Object walker;
		test::MessageLog* log = nullptr;
	};

	TEST(NavigationScene, ACharacterPathsAroundASleepingCrateAndStraightOnceTheCrateIsKnockedAway)
	{
		CrateWalk scene;
		const CrateWalk::Walk around = scene.WalkOnce();
		EXPECT_LT(around.frames, 1250u) << "no \"PathingComplete\" within 20 s";
		EXPECT_FALSE(around.enteredCrate);
		EXPECT_GT(around.widestSwerve, 2.0f);
		scene.crate.object->HandleMessage(Message("SetPos").Push(Tuple3f(36, 1, 36)));
		scene.crate.object->HandleMessage(Message("SetVelocity").Push(Tuple3f(0, 0, 1)));
		GameplayWorld::RigidBodyOf(scene.crate).Wake();
		scene.world.RebuildQueued();
		const CrateWalk::Walk straight = scene.WalkOnce();
		EXPECT_LT(straight.frames, 1250u);
		EXPECT_LT(straight.widestSwerve, 0.5f);
		EXPECT_LT(straight.length, around.length);
	}
}
