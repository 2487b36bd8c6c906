#include "Components/Logic/DamageReticle.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

#include <locale>

namespace
{
	using test::GameplayWorld;

	// A locale that writes "1,5", as German does.
	struct CommaDecimals : std::numpunct<char>
	{
		char do_decimal_point() const override { return ','; }
	};

	TEST(DamageReticle, ScriptCarriesXAndZInTheCLocaleWhateverThePlayersLocale)
	{
		GameplayWorld world;
		const Object hud = CreateObject("Hud");
		test::MessageLog& log = test::Listen(hud, {"CallJSFunction"});
		const Object player = world.AddLogic(DamageReticle::TypeId(), "<float>2</float><string>Hud</string>");
		const Object lost = world.AddLogic(DamageReticle::TypeId(), "<float>2</float><string>NoSuchHud</string>");
		const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new CommaDecimals));
		player.object->HandleMessage(Message("DamageTaken").Push(Tuple3f(1.5f, 7, -3)));
		lost.object->HandleMessage(Message("DamageTaken").Push(Tuple3f(1.5f, 7, -3)));
		std::locale::global(previous);
		EXPECT_EQ(log.entries, std::vector<std::string>{"CallJSFunction AddDamage(1.5, -3, 2); void(0);"});
	}
}
