#include "Components/Logic/CollisionDamage.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	TEST(CollisionDamage, DamageGrowsWithTheOtherBodysMomentum)
	{
		// (min, max, maxDamage, speed of a 2 kg body, its flags, damage sent or "" for none)
		const struct { float min; float max; int maxDamage; float speed; const char* flags; const char* sent; } cases[] = {
			{10, 30, 40, 5, "DEFAULT", "Damage 0 1 2 3"},
			{10, 30, 40, 4.9f, "DEFAULT", ""},
			{10, 30, 40, 10, "DEFAULT", "Damage 20 1 2 3"},
			{10, 30, 40, 100, "DEFAULT", "Damage 40 1 2 3"},
			{10, 30, 40, 100, "GHOST", ""},
			{10, 10, 40, 5, "DEFAULT", "Damage 40 1 2 3"},
			{10, 5, 40, 6, "DEFAULT", "Damage 40 1 2 3"},
		};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object victim = world.AddLogic(CollisionDamage::TypeId(), "<float>" + std::to_string(c.min) + "</float><float>" +
				std::to_string(c.max) + "</float><int>" + std::to_string(c.maxDamage) + "</int>");
			test::MessageLog& log = test::Listen(victim, {"Damage"});
			const Object ball = world.AddBodyObject("Ball", Tuple3f(0, 5, 0), true, GameplayWorld::BodyValues(c.flags));
			RigidBody& body = GameplayWorld::RigidBodyOf(ball);
			body.mass = 2.0f;
			body.velocity = Tuple3f(0, -c.speed, 0);
			victim.object->HandleMessage(test::Collision(ball.id, &body));
			EXPECT_EQ(log.entries, c.sent[0] ? std::vector<std::string>{c.sent} : std::vector<std::string>{}) << c.speed << " " << c.flags;
		}
	}

	TEST(CollisionDamage, ReportsOfVanishedObjectsOrWithoutAPointAreIgnored)
	{
		GameplayWorld world;
		const Object victim = world.AddLogic(CollisionDamage::TypeId(), "<float>0</float><float>1</float><int>5</int>");
		test::MessageLog& log = test::Listen(victim, {"Damage"});
		const Object ball = world.AddBodyObject("Ball", Tuple3f(0, 5, 0));
		victim.object->HandleMessage(test::Collision(9999, &GameplayWorld::RigidBodyOf(ball)));
		victim.object->HandleMessage(Message("Collision").PushU32(ball.id));
		EXPECT_TRUE(log.entries.empty());
	}
}
