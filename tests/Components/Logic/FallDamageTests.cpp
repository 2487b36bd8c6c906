#include "Components/Logic/FallDamage.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	TEST(FallDamage, ImpactAboveMinimumScalesWithoutCap)
	{
		// min 5, max 10, maxDamage 20: (falling speed, damage sent or "")
		const struct { float speed; const char* sent; } cases[] = {
			{5, ""}, {7.5f, "Damage 10 1 2 3"}, {10, "Damage 20 1 2 3"}, {15, "Damage 40 1 2 3"}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object crate = world.AddLogic(FallDamage::TypeId(), "<float>5</float><float>10</float><int>20</int>", Tuple3f(), true);
			test::MessageLog& log = test::Listen(crate, {"Damage"});
			GameplayWorld::RigidBodyOf(crate).velocity = Tuple3f(3, -c.speed, 0);
			const Object floor = world.AddBodyObject("Floor", Tuple3f(0, -1, 0));
			crate.object->HandleMessage(test::Collision(floor.id, &GameplayWorld::RigidBodyOf(floor)));
			EXPECT_EQ(log.entries, c.sent[0] ? std::vector<std::string>{c.sent} : std::vector<std::string>{}) << c.speed;
		}
	}

	TEST(FallDamage, NothingWhileTheObjectLiesAsARagdoll)
	{
		GameplayWorld world;
		const Object figure = world.AddFigure(Tuple3f(0, 3, 0), true);
		ASSERT_TRUE(figure.object->GetComponent<Ragdoll>()->IsRagdolled());
		GameplayWorld::AddLoaded(figure, FallDamage::TypeId(), "<float>1</float><float>2</float><int>20</int>");
		figure.object->GetComponent<FallDamage>()->Start();
		test::MessageLog& log = test::Listen(figure, {"Damage"});
		GameplayWorld::RigidBodyOf(figure).velocity = Tuple3f(0, -30, 0);
		const Object floor = world.AddBodyObject("Floor", Tuple3f(0, -1, 0));
		figure.object->HandleMessage(test::Collision(floor.id, &GameplayWorld::RigidBodyOf(floor)));
		EXPECT_TRUE(log.entries.empty());
	}
}
