#include "Components/Logic/TeamDamage.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	TEST(TeamDamage, OnlyOtherTeamsAreHurtAndOnlyByPositiveDamage)
	{
		// (own team, own damage, other team, what the other object receives)
		const struct { const char* team; int damage; const char* otherTeam; const char* sent; } cases[] = {
			{"red", 7, "blue", "Damage 7 4 5 6"}, {"red", 7, "red", ""}, {"red", 7, "Red", "Damage 7 4 5 6"},
			{"red", 0, "blue", ""}, {"red", -3, "blue", ""}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const auto values = [](const char* team, int damage) {
				return "<string>" + std::string(team) + "</string><int>" + std::to_string(damage) + "</int>";
			};
			const Object own = world.AddLogic(TeamDamage::TypeId(), values(c.team, c.damage), Tuple3f(4, 5, 6));
			const Object other = world.AddLogic(TeamDamage::TypeId(), values(c.otherTeam, 1));
			test::MessageLog& log = test::Listen(other, {"Damage"});
			own.object->HandleMessage(test::Collision(other.id, nullptr));
			EXPECT_EQ(log.entries, c.sent[0] ? std::vector<std::string>{c.sent} : std::vector<std::string>{}) << c.team << c.damage << c.otherTeam;
		}
	}
}
