#include "Components/Logic/RagdollLink.h"

#include "Components/Logic/GameplayWorld.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <sstream>

namespace
{
	using test::GameplayWorld;

	// A target whose bone "Neck" stands one unit above its origin, turned a quarter about y, and a
	// loose head to hang on it.
	struct LinkWorld
	{
		explicit LinkWorld(float connectTime = 0.5f, const std::string& rotation = "0 0 0")
		{
			target = world.AddBodyObject("Target", Tuple3f(4, 0, 0), false, GameplayWorld::CubeBody("LOGIC NOGRAVITY GHOST"));
			GameplayWorld::AddLoaded(target, BoneTransform::TypeId(),
				"<Bone><string>Neck</string><Tuple3f>0 90 0</Tuple3f><Tuple3f>0 1 0</Tuple3f></Bone>");
			target.object->Start();
			head = world.AddBodyObject("Head", Tuple3f(0, 3, 0), false, GameplayWorld::CubeBody());
			GameplayWorld::AddLoaded(head, RagdollLink::TypeId(), "<float>" + std::to_string(connectTime) +
				"</float><string>Neck</string><Tuple3f>0 0 1</Tuple3f><Tuple3f>" + rotation + "</Tuple3f>");
			head.object->Start();
			world.Frame();
		}

		RagdollLink& Link() const { return *head.object->GetComponent<RagdollLink>(); }
		RigidBody& HeadBody() const { return GameplayWorld::RigidBodyOf(head); }
		Tuple3f HeadPosition() const { return head.object->GetComponent<Transform>()->GetWorldPosition(); }
		// The neck in the world plus the offset turned by the bone alone: (1, 0, 0) after the quarter turn.
		Tuple3f Anchor() const { return target.object->GetComponent<Transform>()->GetWorldPosition() + Tuple3f(1, 1, 0); }
		void Connect() const { head.object->HandleMessage(Message("Connect").PushU32(target.id)); }

		GameplayWorld world;
		Object target;
		Object head;
	};

	// A head caught in flight hangs still: it carries no speed of its own into the glide.
	TEST(RagdollLink, StopsTheFlyingBodyGlidesItToTheBoneOverConnectTimeThenRidesOnIt)
	{
		LinkWorld link;
		const Tuple3f start = link.HeadPosition();
		link.HeadBody().velocity = Tuple3f(5, -3, 2);
		link.HeadBody().angularVelocity = Tuple3f(0, 4, 0);
		link.Connect();
		EXPECT_EQ(link.HeadBody().velocity, Tuple3f());
		EXPECT_EQ(link.HeadBody().angularVelocity, Tuple3f());
		EXPECT_TRUE(link.HeadBody().HasFlag(kBodyGhost));
		EXPECT_TRUE(link.HeadBody().HasFlag(kBodyNoGravity));
		// A frame's updates see the clock as it stood when the frame began.
		link.world.clock.Advance(250);
		link.world.Frame();
		EXPECT_EQ(link.Link().GetState(), RagdollLink::kGliding);
		EXPECT_TRUE(link.HeadBody().HasFlag(kBodyGhost)) << "a ghost while gliding";
		ExpectNear(link.HeadPosition(), start + (link.Anchor() - start) * 0.5f, 0.05);
		const Quaternion half = Quaternion::Slerp(Quaternion(), QuaternionFromRotationVector(Tuple3f(0, 1.5707963f, 0)), 0.5f);
		ExpectNear(link.head.object->GetComponent<Transform>()->GetWorldOrientation(), half, 1e-3);

		link.world.clock.Advance(499 - 266);
		link.world.Frame();
		EXPECT_EQ(link.Link().GetState(), RagdollLink::kGliding) << "1 ms short of connectTime";
		link.world.Frame();
		EXPECT_EQ(link.Link().GetState(), RagdollLink::kAttached);
		EXPECT_FALSE(link.HeadBody().HasFlag(kBodyGhost));
		for (const Tuple3f& moved : {Tuple3f(6, 0, 0), Tuple3f(6, 2, -3)})
		{
			link.target.object->HandleMessage(Message("SetPos").Push(moved));
			link.Link().Update();
			ExpectNear(link.HeadPosition(), link.Anchor(), 1e-3);
		}
	}

	TEST(RagdollLink, AGlideOfNoTimeArrivesInTheFirstUpdate)
	{
		for (const float connectTime : {0.0f, -2.0f})
		{
			LinkWorld link(connectTime);
			link.Connect();
			link.Link().Update();
			EXPECT_EQ(link.Link().GetState(), RagdollLink::kAttached) << connectTime;
			ExpectNear(link.HeadPosition(), link.Anchor(), 1e-3);
		}
	}

	TEST(RagdollLink, ATargetThatGoesOrLosesItsBoneLetsGoNextUpdateAtRest)
	{
		for (const bool destroy : {true, false})
		{
			LinkWorld link(0.0f);
			link.Connect();
			link.world.Frame();
			ASSERT_EQ(link.Link().GetState(), RagdollLink::kAttached);
			link.HeadBody().velocity = Tuple3f(3, 3, 3);
			if (destroy)
				link.target.object->Destroy();
			else
				link.target.object->RemoveComponent("BoneTransform");
			link.world.Frame();
			link.world.Frame();
			EXPECT_EQ(link.Link().GetState(), RagdollLink::kFree) << destroy;
			EXPECT_FALSE(link.HeadBody().HasFlag(kBodyNoGravity)) << "it falls again";
			EXPECT_FALSE(link.HeadBody().HasFlag(kBodyNoIntegrate));
			EXPECT_LT(link.HeadBody().velocity.Length(), 0.2) << "let go at rest, then only gravity acts";
		}
	}

	TEST(RagdollLink, OffsetRotationSavesAsItsRotationVector)
	{
		for (const char* rotation : {"0 0 0", "0 1.5 0", "0.3 -0.2 0.1"})
		{
			LinkWorld link(0.5f, rotation);
			std::istringstream text(rotation);
			Tuple3f expected;
			text >> expected.x >> expected.y >> expected.z;
			const std::string saved = GameplayWorld::Saved(link.Link());
			EXPECT_NE(saved.find("offsetRot.AxisAngle()"), std::string::npos);
			ExpectNear(QuaternionToRotationVector(link.Link().offsetRot), expected, 1e-5);
			GameplayWorld::ExpectSavedTextReloads(link.Link(), CreateObject("Copy"));
		}
	}
}
