#include "Components/Logic/Health.h"

#include "Archetype.h"
#include "Components/Logic/GameplayWorld.h"
#include "FrameTimer.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
	using test::GameClock;
	using test::GameplayWorld;

	std::string HealthValues(unsigned maxHealth, unsigned invulnerableTime, int threshold = 1)
	{
		return "<unsigned>" + std::to_string(maxHealth) + "</unsigned><unsigned>" + std::to_string(invulnerableTime) +
			"</unsigned><int>" + std::to_string(threshold) + "</int>";
	}

	void Hit(const Object& object, int amount)
	{
		object.object->HandleMessage(Message("Damage").PushInt(amount));
	}

	TEST(Health, HitsInsideTheInvulnerabilityWindowChangeNothing)
	{
		// (ms waited before the hit, health after it) from the start on; the window is 100 ms.
		struct Step { unsigned wait; int health; };
		const Step window[] = {{0, 100}, {100, 100}, {1, 90}, {100, 90}, {1, 80}};
		GameplayWorld world;
		const Object object = world.AddLogic(Health::TypeId(), HealthValues(100, 100));
		for (const Step& step : window)
		{
			GameClock::Advance(step.wait);
			Hit(object, 10);
			EXPECT_EQ(object.object->GetComponent<Health>()->GetHealth(), step.health) << "after " << step.wait << " ms";
		}
		// Without a window, a second hit in the same millisecond is still ignored.
		const Object quick = world.AddLogic(Health::TypeId(), HealthValues(100, 0));
		GameClock::Advance(1);
		Hit(quick, 10);
		Hit(quick, 10);
		EXPECT_EQ(quick.object->GetComponent<Health>()->GetHealth(), 90);
	}

	// A blow or a crate hits a character over several frames: the shipped characters count it once,
	// and count the next blow a second later.
	TEST(Health, ShippedCharactersCountHitsOneFrameApartOnce)
	{
		// (ms waited before the hit, hit points lost by then); the first wait is past the start's grace.
		struct Step { unsigned wait; int lost; };
		const Step hits[] = {{2000, 10}, {FrameTimer::kFrameMilliseconds, 10}, {FrameTimer::kFrameMilliseconds, 10}, {1001, 20}};
		GameplayWorld world;
		for (const char* archetype : {"BombThrower.xml", "Villager.xml", "Sheepdog.xml", "Charger.xml"})
		{
			const Object character = CreateObjectFromArchetype(archetype);
			ASSERT_FALSE(character.IsDummy()) << archetype;
			character.object->Start();
			const Health& health = *character.object->GetComponent<Health>();
			const int full = health.GetHealth();
			for (const Step& step : hits)
			{
				GameClock::Advance(step.wait);
				Hit(character, 10);
				EXPECT_EQ(full - health.GetHealth(), step.lost) << archetype << " after " << step.wait << " ms";
			}
		}
	}

	TEST(Health, DeathIsSentOnceWhenHealthReachesZero)
	{
		GameplayWorld world;
		const Object object = world.AddLogic(Health::TypeId(), HealthValues(10, 0, 100));
		test::MessageLog& log = test::Listen(object, {"Death", "HealthPercentage", "DamageTaken", "Ragdoll"});
		const struct { int amount; std::size_t deaths; } hits[] = {{9, 0}, {1, 1}, {5, 1}};
		for (const auto& hit : hits)
		{
			GameClock::Advance(1);
			Hit(object, hit.amount);
			EXPECT_EQ(log.Count("Death"), hit.deaths) << hit.amount;
		}
		EXPECT_EQ(log.Count("HealthPercentage"), 3u);
		EXPECT_EQ(log.Count("DamageTaken"), 0u);
		EXPECT_EQ(log.Count("Ragdoll"), 0u);
		EXPECT_LT(object.object->GetComponent<Health>()->GetHealth(), 0);
	}

	TEST(Health, HeavyHitsRagdollEvenInsideTheWindowAndAfterDeath)
	{
		GameplayWorld world;
		const Object object = world.AddLogic(Health::TypeId(), HealthValues(10, 1000, 5));
		test::MessageLog& log = test::Listen(object, {"Ragdoll", "RevaluateBehavior", "DamageTaken"});
		Hit(object, 4);
		Hit(object, 5);
		GameClock::Advance(1001);
		object.object->HandleMessage(Message("Damage").PushInt(50).Push(Tuple3f(1, 2, 3)));
		Hit(object, 6);
		EXPECT_EQ(log.Count("Ragdoll"), 3u);
		EXPECT_EQ(log.Count("RevaluateBehavior"), 3u);
		EXPECT_EQ(log.Count("DamageTaken"), 1u);
	}

	TEST(Health, HealCapsAtMaxHealthAndASumBelowZeroHealsToFull)
	{
		// (damage taken first, heal, health after the heal); maxHealth 100.
		const struct { int damage; int heal; int health; } cases[] = {
			{150, 5, 100}, {30, 10, 80}, {30, 50, 100}, {0, -20, 80}, {-50, 0, 100}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object hud = CreateObject("PlayerHudObj");
			test::MessageLog& hudLog = test::Listen(hud, {"NewHealthPercentage"});
			const Object object = world.AddLogic(Health::TypeId(), HealthValues(100, 0));
			GameClock::Advance(1);
			Hit(object, c.damage);
			object.object->HandleMessage(Message("Heal").PushInt(c.heal));
			EXPECT_EQ(object.object->GetComponent<Health>()->GetHealth(), c.health) << c.damage << " " << c.heal;
			EXPECT_EQ(hudLog.Count("NewHealthPercentage"), 1u);
		}
	}

	TEST(Health, ExtremeSettingsAndHitsStayInRange)
	{
		GameplayWorld world;
		const Object noMaximum = world.AddLogic(Health::TypeId(), HealthValues(0, 0));
		test::MessageLog& log = test::Listen(noMaximum, {"HealthPercentage"});
		GameClock::Advance(1);
		Hit(noMaximum, 1);
		ASSERT_EQ(log.entries.size(), 1u);
		EXPECT_EQ(log.entries[0], "HealthPercentage 0");
		// A hit past the int range saturates instead of wrapping round to full health.
		const Object object = world.AddLogic(Health::TypeId(), HealthValues(100, 0));
		GameClock::Advance(1);
		Hit(object, INT_MAX);
		GameClock::Advance(1);
		Hit(object, INT_MAX);
		EXPECT_EQ(object.object->GetComponent<Health>()->GetHealth(), INT_MIN);
		EXPECT_TRUE(object.object->GetComponent<Health>()->IsDead());
	}
}
