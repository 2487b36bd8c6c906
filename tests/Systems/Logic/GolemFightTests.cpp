#include "Systems/Logic/GolemFightScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace
{
	using test::GolemFightScene;
	using test::GolemWorld;

	TEST(GolemFight, SummonedGolemFollowsThrowsIsKnockedOverStandsUpByItselfAndDies)
	{
		GolemFightScene fight(3);
		const auto reeledIn = [&](std::size_t count) { return [&fight, count] { return fight.golemLog->Count("ReeledIn") >= count; }; };
		fight.world.Frame(5);
		fight.golem.object->HandleMessage(Message("SummonScraps"));
		ASSERT_FALSE(GolemWorld::Attached(fight.golem).empty());
		// reelTime 1 s, and one second to spare.
		ASSERT_TRUE(fight.FrameUntil(reeledIn(1), 2.0f));
		fight.world.Frame(GolemFightScene::kFramesPerSecond);
		EXPECT_EQ(fight.golemLog->Count("ReeledIn"), 1u);

		// The level lets the golem loose: it walks up to the player and throws from its forearms.
		const Tuple3f playerAt = fight.player.object->GetComponent<Transform>()->GetWorldPosition();
		EXPECT_NEAR(playerAt.y, 0.5, 0.05) << "the player has come to stand on the floor";
		const auto distanceToPlayer = [&] {
			const Tuple3f at = fight.golem.object->GetComponent<Transform>()->GetWorldPosition();
			return Tuple3f(at.x - playerAt.x, 0, at.z - playerAt.z).Length();
		};
		const double startDistance = distanceToPlayer();
		fight.golem.object->HandleMessage(Message("ActivateBehaviors").PushBool(true));
		std::vector<unsigned> forearm;
		GolemWorld::GolemOf(fight.golem).GetScrapsByName("lowerArm_L", 10, forearm);
		GolemWorld::GolemOf(fight.golem).GetScrapsByName("lowerArm_R", 10, forearm);
		ASSERT_FALSE(forearm.empty());
		const auto flying = [&] {
			return std::any_of(forearm.begin(), forearm.end(), [](unsigned id) {
				return GolemWorld::RigidBodyOf(ObjectFromId(id)).HasFlag(kBodyNoGravity);
			});
		};
		ASSERT_TRUE(fight.FrameUntil(flying, 12.0f)) << "no throw";
		EXPECT_LT(distanceToPlayer(), startDistance - 1.0) << "it walked up to the player first";
		EXPECT_LT(distanceToPlayer(), 10.0) << "within throwDistance";
		std::map<unsigned, double> closest;
		for (unsigned frame = 0; frame < GolemFightScene::kFramesPerSecond; ++frame)
		{
			for (const unsigned id : forearm)
			{
				const RigidBody& body = GolemWorld::RigidBodyOf(ObjectFromId(id));
				if (!body.HasFlag(kBodyNoGravity) && closest.find(id) == closest.end())
					continue;
				const double distance = (body.GetPosition() - playerAt).Length();
				closest[id] = closest.count(id) ? std::min(closest[id], distance) : distance;
			}
			fight.world.Frame();
		}
		ASSERT_FALSE(closest.empty());
		for (const auto& [id, distance] : closest)
			EXPECT_LT(distance, 1.5) << "scrap " << id << " passed the player at " << distance;

		// Two blasts at part 1: it lies as a ragdoll, has lost every scrap of the part, is disarmed.
		ASSERT_TRUE(fight.FrameUntil([&] { return !flying(); }, 6.0f));
		ASSERT_TRUE(fight.BlastPart(0));
		ASSERT_TRUE(fight.BlastPart(0));
		EXPECT_EQ(fight.golemLog->Named("Ragdoll"), (std::vector<std::string>{"Ragdoll 1"}));
		EXPECT_EQ(fight.golemLog->Count("RevaluateBehavior"), 1u);
		EXPECT_TRUE(GolemWorld::PartScraps(fight.golem, 0).empty());
		EXPECT_FALSE(GolemWorld::GolemOf(fight.golem).IsArmed());
		EXPECT_TRUE(GolemWorld::GolemOf(fight.golem).IsRagdolled());

		// Its tree stands it up once the archetype's waitUntilStand (3 s) has passed; it reels the
		// rest in and is armed again.
		unsigned framesDown = 0;
		double tilt = 0.0;
		const auto standing = [&] {
			const Tuple3f up = Quaternion::Rotate(fight.golem.object->GetComponent<Transform>()->GetWorldOrientation(), Tuple3f(0, 1, 0));
			tilt = std::max(tilt, std::acos(std::clamp(static_cast<double>(up.y), -1.0, 1.0)));
			return !GolemWorld::GolemOf(fight.golem).IsRagdolled() || (++framesDown, false);
		};
		ASSERT_TRUE(fight.FrameUntil(standing, 4.5f)) << "it never stood up";
		EXPECT_GE(framesDown, 3 * GolemFightScene::kFramesPerSecond - 2) << "it stood up before its wait";
		EXPECT_GT(tilt, 1.0) << "its ragdoll fell over";
		EXPECT_FALSE(fight.golem.object->GetComponent<Ragdoll>()->IsRagdolled());
		const Transform& stood = *fight.golem.object->GetComponent<Transform>();
		EXPECT_NEAR(Quaternion::Rotate(stood.GetWorldOrientation(), Tuple3f(0, 1, 0)).y, 1.0, 1e-4) << "upright again";
		EXPECT_NEAR(stood.GetWorldPosition().y, 0.0, 0.05) << "on the floor below where it lay";
		EXPECT_EQ(fight.golemLog->Named("Ragdoll"), (std::vector<std::string>{"Ragdoll 1", "Ragdoll 0"}));
		ASSERT_TRUE(fight.FrameUntil(reeledIn(2), 3.0f));
		EXPECT_TRUE(GolemWorld::GolemOf(fight.golem).IsArmed());

		ASSERT_TRUE(fight.BlastPart(1));
		ASSERT_TRUE(fight.BlastPart(1));
		EXPECT_EQ(fight.golemLog->Count("Death"), 1u);
		fight.world.Frame();
		EXPECT_TRUE(ObjectFromId(fight.golem.id).IsDummy()) << "the golem is gone";
		std::vector<std::string> head;
		for (const std::string& entry : fight.headLog->entries)
			head.push_back(entry.substr(0, entry.find(' ')));
		EXPECT_EQ(head, (std::vector<std::string>{"Connect", "Disconnect", "Connect", "Disconnect"}));
	}
}
