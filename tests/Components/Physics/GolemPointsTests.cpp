#include "Components/Physics/GolemPoints.h"

#include "Components/Physics/PhysicsComponentWorld.h"
#include "Systems/Physics/TransgressionManager.h"

#include <gtest/gtest.h>

namespace
{
	using test::PhysicsComponentWorld;
	using Descriptions = std::vector<::GolemPoints::PointDescription>;

	struct __ReeledInCounterName
	{
		static constexpr const char* name = "ReeledInCounter";
	};

	// Counts the "ReeledIn" messages its object gets.
	class ReeledInCounter : public ComponentBase<ReeledInCounter, __ReeledInCounterName>
	{
	public:
		bool Load(Serializer&) override { return true; }
		bool Serialize(Serializer&) override { return true; }
		bool Start() override
		{
			owner->RegisterHandler("ReeledIn", &ReeledInCounter::OnReeledIn);
			return true;
		}
		bool Update() override { return true; }
		void Detach() override {}
		void OnReeledIn(Message::Reader) { ++count; }

		int count = 0;
	};

	class GolemPoints_ : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			ReeledInCounter::Register();
			::GolemPoints::Register();
			step = world.Settings().timeStep;
			golem = CreateObject("Golem");
			golem.object->AddComponent(Transform::TypeId());
			transform = golem.object->GetComponent<Transform>();
			transform->SetWorldPosition(Tuple3f(10, 0, 0));
			transform->SetScale(Tuple3f(1, 1, 1));
			// "Hand" turned a quarter about y and lifted by 2.
			PhysicsComponentWorld::AddLoaded(golem, BoneTransform::TypeId(),
				"<Bone><string>Hand</string><Tuple3f>0 90 0</Tuple3f><Tuple3f>0 2 0</Tuple3f></Bone>"
				"<Bone><string>Foot</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f></Bone>");
			// reelTime is two steps, so the timer lands on zero exactly.
			PhysicsComponentWorld::AddLoaded(golem, ::GolemPoints::TypeId(),
				"<float>" + std::to_string(2 * step) + "</float><float>0.5</float>");
			golem.object->AddComponent(ReeledInCounter::TypeId());
			golem.object->Start();
			points = golem.object->GetComponent<::GolemPoints>();
			points->reelTime = 2 * step;
			counter = golem.object->GetComponent<ReeledInCounter>();
		}

		void SetPoints(const Descriptions& descriptions)
		{
			golem.object->HandleMessage(Message("SetPoints").Push(&descriptions));
			points->Update();
		}

		bool Listed(const Connection& rope) const { return world.physics->GetTransgression().GetConnections().Contains(rope); }

		Object AddLoose(const std::string& name, const Tuple3f& position)
		{
			return world.AddBodyObject(name, position);
		}

		// A stone 4 units below the one point "Foot", tied to it.
		Object TieStone()
		{
			SetPoints({{Tuple3f(0, 0, 0), "Foot"}});
			const Object stone = AddLoose("Stone", Tuple3f(10, -4, 0));
			EXPECT_EQ(points->AttachObject(stone.id), 0);
			return stone;
		}

		PhysicsComponentWorld world;
		float step = 0.0f;
		Object golem;
		Transform* transform = nullptr;
		::GolemPoints* points = nullptr;
		ReeledInCounter* counter = nullptr;
	};

	class GolemPointsTest : public GolemPoints_
	{
	};

	TEST_F(GolemPointsTest, SaveWritesReelTimeAndDamp)
	{
		EXPECT_NE(PhysicsComponentWorld::Saved(*points).find("reelTime"), std::string::npos);
		EXPECT_NE(PhysicsComponentWorld::Saved(*points).find("damp"), std::string::npos);
		EXPECT_FLOAT_EQ(points->damp, 0.5f);
	}

	TEST_F(GolemPointsTest, PointsFollowTheirBonesInTheWorld)
	{
		// A point one unit along model x beside "Hand": in the hand's frame it lies along its z.
		SetPoints({{Tuple3f(1, 2, 0), "Hand"}, {Tuple3f(0, 0, 3), "Foot"}});
		ASSERT_EQ(points->GetPoints().size(), 2u);
		const ::GolemPoints::Point& hand = *points->GetPoints()[0];
		EXPECT_NEAR(hand.offset.z, 1.0f, 1e-5f);
		EXPECT_NEAR(hand.frame.GetWorldPosition().x, 11.0f, 1e-5f);
		EXPECT_NEAR(hand.frame.GetWorldPosition().y, 2.0f, 1e-5f);
		EXPECT_TRUE(hand.anchor->HasFlag(kBodyNoGravity));
		EXPECT_EQ(hand.anchor->ownerId, golem.id);
		// The anchor moved from the origin to its point within one step.
		EXPECT_NEAR(hand.anchor->velocity.x, 11.0f / step, 1e-2f);

		transform->SetWorldPosition(Tuple3f(10, 1, 0));
		points->Update();
		EXPECT_NEAR(hand.frame.GetWorldPosition().y, 3.0f, 1e-5f);
		EXPECT_NEAR(hand.anchor->velocity.y, 1.0f / step, 1e-2f);
		EXPECT_NEAR(hand.anchor->velocity.x, 0.0f, 1e-3f);
	}

	TEST_F(GolemPointsTest, UnknownBoneKeepsThePointOnTheObjectFrame)
	{
		SetPoints({{Tuple3f(0, 5, 0), "Tail"}});
		ASSERT_EQ(points->GetPoints().size(), 1u);
		EXPECT_EQ(points->GetPoints()[0]->bone, nullptr);
		EXPECT_NEAR(points->GetPoints()[0]->frame.GetWorldPosition().y, 5.0f, 1e-5f);
		EXPECT_NEAR(points->GetPoints()[0]->frame.GetWorldPosition().x, 10.0f, 1e-5f);
	}

	TEST_F(GolemPointsTest, AttachChoosesTheNearestFreePointAndTheEarlierOnATie)
	{
		SetPoints({{Tuple3f(0, 0, 1), "Foot"}, {Tuple3f(0, 0, -1), "Foot"}, {Tuple3f(0, 0, 1), "Foot"}});
		const Object first = AddLoose("First", Tuple3f(10, 0, 4));
		const Object second = AddLoose("Second", Tuple3f(10, 0, 4));
		const Object third = AddLoose("Third", Tuple3f(10, 0, 4));
		const Object fourth = AddLoose("Fourth", Tuple3f(10, 0, 4));
		EXPECT_EQ(points->AttachObject(first.id), 0);
		// An object already held, or one without a body, takes no point.
		EXPECT_EQ(points->AttachObject(first.id), -1);
		EXPECT_EQ(points->AttachObject(golem.id), -1);
		EXPECT_EQ(points->AttachObject(second.id), 2);
		EXPECT_EQ(points->AttachObject(third.id), 1);
		// Every point taken: nothing changes.
		EXPECT_EQ(points->AttachObject(fourth.id), -1);
		EXPECT_FALSE(PhysicsComponentWorld::RigidBodyOf(fourth).HasFlag(kBodyGhost));
		std::vector<unsigned> ids;
		points->GetAttachedObjects(ids);
		EXPECT_EQ(ids.size(), 3u);
		EXPECT_NEAR(points->GetObjectPointPosition(second.id).z, 1.0f, 1e-5f);
		EXPECT_EQ(points->GetObjectPointPosition(fourth.id), Tuple3f());
	}

	TEST_F(GolemPointsTest, ReelingEndsOnAnExactZeroTimerAndSendsReeledInOnce)
	{
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(TieStone());
		const ::GolemPoints::Point& point = *points->GetPoints()[0];
		EXPECT_TRUE(body.HasFlag(kBodyGhost));
		EXPECT_TRUE(body.HasFlag(kBodyNoGravity));
		EXPECT_FLOAT_EQ(point.rope.distance.length, 4.0f);
		EXPECT_TRUE(Listed(point.rope));

		points->Update();
		EXPECT_FLOAT_EQ(point.rope.distance.length, 2.0f);
		EXPECT_TRUE(points->IsReeling());
		body.velocity = Tuple3f(2, 2, 2);

		// The timer lands on 0 exactly: the rope is in and the object is itself again.
		points->Update();
		EXPECT_EQ(point.reelTimer, 0.0f);
		EXPECT_FLOAT_EQ(point.rope.distance.length, 0.0f);
		EXPECT_FALSE(body.HasFlag(kBodyGhost));
		EXPECT_FALSE(body.HasFlag(kBodyNoGravity));
		EXPECT_EQ(body.velocity, Tuple3f(1, 1, 1));
		EXPECT_EQ(counter->count, 1);

		for (int frame = 0; frame < 4; ++frame)
			points->Update();
		EXPECT_EQ(counter->count, 1);
		// Held at the point, the object keeps being damped.
		EXPECT_EQ(body.velocity, Tuple3f(1, 1, 1) * 0.0625f);
	}

	TEST_F(GolemPointsTest, AReelOfNoTimeEndsInTheFirstUpdateWithOneReeledIn)
	{
		for (const float reelTime : {0.0f, -1.0f})
		{
			SCOPED_TRACE(reelTime);
			points->reelTime = reelTime;
			const int before = counter->count;
			RigidBody& body = PhysicsComponentWorld::RigidBodyOf(TieStone());
			const ::GolemPoints::Point& point = *points->GetPoints()[0];
			points->Update();
			EXPECT_FLOAT_EQ(point.rope.distance.length, 0.0f);
			EXPECT_FALSE(body.HasFlag(kBodyGhost));
			EXPECT_FALSE(body.HasFlag(kBodyNoGravity));
			EXPECT_EQ(counter->count, before + 1);
			points->Update();
			points->Update();
			EXPECT_EQ(counter->count, before + 1);
		}
	}

	TEST_F(GolemPointsTest, RagdollStopsAndRestartsTheReeling)
	{
		RigidBody& body = PhysicsComponentWorld::RigidBodyOf(TieStone());
		const ::GolemPoints::Point& point = *points->GetPoints()[0];

		golem.object->HandleMessage(Message("Ragdoll").PushBool(true));
		EXPECT_FALSE(point.reeling);
		EXPECT_TRUE(body.HasFlag(kBodyGhost));
		EXPECT_FALSE(body.HasFlag(kBodyNoGravity));
		EXPECT_FALSE(Listed(point.rope));

		transform->SetWorldPosition(Tuple3f(10, 2, 0));
		points->Update();
		golem.object->HandleMessage(Message("Ragdoll").PushBool(false));
		EXPECT_TRUE(point.reeling);
		EXPECT_FLOAT_EQ(point.fullLength, 6.0f);
		EXPECT_FLOAT_EQ(point.reelTimer, points->reelTime);
		EXPECT_TRUE(Listed(point.rope));
	}

	TEST_F(GolemPointsTest, ReleaseLetsTheObjectGoAndFreesThePoint)
	{
		const Object stone = TieStone();
		const Object pebble = AddLoose("Pebble", Tuple3f(10, -5, 0));
		points->ReleaseObject(pebble.id);
		points->ReleaseObject(stone.id);
		EXPECT_FALSE(PhysicsComponentWorld::RigidBodyOf(stone).HasFlag(kBodyGhost));
		EXPECT_FALSE(Listed(points->GetPoints()[0]->rope));
		EXPECT_EQ(points->AttachObject(pebble.id), 0);
	}

	TEST_F(GolemPointsTest, ReleaseAllDetachesEveryRopeAndClearsTheMap)
	{
		SetPoints({{Tuple3f(0, 0, 0), "Foot"}, {Tuple3f(0, 1, 0), "Hand"}});
		const Object stone = AddLoose("Stone", Tuple3f(10, -4, 0));
		const Object pebble = AddLoose("Pebble", Tuple3f(10, 4, 0));
		points->AttachObject(stone.id);
		points->AttachObject(pebble.id);
		const unsigned bodiesBefore = world.physics->GetResolution().GetBodies().count;
		const unsigned rowsBefore = world.physics->GetResolution().activeConstraints.Count();

		// New points release the old ones first.
		SetPoints({{Tuple3f(0, 0, 0), "Foot"}});
		EXPECT_EQ(world.physics->GetResolution().GetBodies().count, bodiesBefore - 1);
		EXPECT_EQ(world.physics->GetResolution().activeConstraints.Count(), rowsBefore - 2);
		EXPECT_EQ(world.physics->GetTransgression().GetConnections().count, 0u);
		EXPECT_FALSE(PhysicsComponentWorld::RigidBodyOf(stone).HasFlag(kBodyGhost));
		EXPECT_FALSE(PhysicsComponentWorld::RigidBodyOf(pebble).HasFlag(kBodyNoGravity));
		std::vector<unsigned> ids;
		points->GetAttachedObjects(ids);
		EXPECT_TRUE(ids.empty());
		// A stale id reaches nothing.
		points->ReleaseObject(stone.id);
		points->SetPointValue(stone.id, 3.0f);
		EXPECT_EQ(points->AttachObject(stone.id), 0);

		points->Detach();
		EXPECT_TRUE(points->GetPoints().empty());
		EXPECT_EQ(world.physics->GetResolution().GetBodies().count, bodiesBefore - 2);
	}
}
