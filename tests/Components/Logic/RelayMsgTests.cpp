#include "Components/Logic/DelayMessage.h"
#include "Components/Logic/MessageSpawn.h"
#include "Components/Logic/PowerUp.h"
#include "Components/Logic/Relay.h"

#include "Components/Logic/StoredMessageWorld.h"

namespace
{
	using namespace test;

	template <class T>
	void ExpectSavedAsRead(StoredMessageWorld& world, const std::string& values, const std::string& first)
	{
		const Object original = world.Add<T>("Keyed", values);
		const std::string saved = world.Saved(world.Of<T>(original));
		EXPECT_EQ(world.Saved(world.Of<T>(world.Reloaded<T>(original))), saved) << first;
		EXPECT_LT(saved.find(first), saved.find("K24")) << first;
	}

	// 25 keys: the tables grow past their first capacity, and the file order must still hold.
	TEST(RelayMsg, ComponentsWithManyKeysSaveInTheOrderReadAndReloadByteIdentical)
	{
		StoredMessageWorld world;
		std::string relay, delay, powerUp, spawn;
		for (int key = 0; key < 25; ++key)
		{
			const std::string name = "K" + std::to_string(key);
			relay += Element(Str(name) + Str("M" + std::to_string(key) + "()"));
			delay += Element(Str(name + "(1)") + "<float>0.007</float><int>2</int>");
			powerUp += Element(Str(name) + Str("Heal(" + std::to_string(key) + ")"));
			spawn += Element(Str(name) + Element(Str("Spark.xml") + "<Tuple3f>0 1 0</Tuple3f>"));
		}
		ExpectSavedAsRead<Relay>(world, relay, ">K0<");
		ExpectSavedAsRead<DelayMessage>(world, delay, ">K0(1)<");
		ExpectSavedAsRead<PowerUp>(world, powerUp, ">K0<");
		ExpectSavedAsRead<MessageSpawn>(world, spawn, ">K0<");
	}
}
