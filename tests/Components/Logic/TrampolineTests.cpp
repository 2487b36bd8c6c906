#include "Components/Logic/Trampoline.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

namespace
{
	using test::GameplayWorld;

	TEST(Trampoline, BouncesOnlyOnItsFaceScaledByTheAmplifier)
	{
		// (amplifier, incoming velocity, contact normal towards the trampoline, outgoing velocity)
		const struct { const char* amplifier; Tuple3f in; Tuple3f normal; Tuple3f out; } cases[] = {
			{"0", {2, -5, 0}, {0, -1, 0}, {2, 5, 0}},
			{"1", {2, -5, 0}, {0, -1, 0}, {2, 10, 0}},
			{"1", {2, -5, 0}, {1, 0, 0}, {2, -5, 0}},
			{"1", {0, 5, 0}, {0, -1, 0}, {0, 5, 0}},
			{"1", {0, 0.5f, 0}, {0, -1, 0}, {0, -1, 0}}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object trampoline = world.AddLogic(Trampoline::TypeId(),
				std::string("<float>1</float><float>") + c.amplifier + "</float><Tuple3f>0 1 0</Tuple3f>", Tuple3f(), true);
			const Object ball = world.AddBodyObject("Ball", Tuple3f(0, 2, 0));
			RigidBody& body = GameplayWorld::RigidBodyOf(ball);
			body.velocity = c.in;
			trampoline.object->HandleMessage(test::Collision(ball.id, &body, c.normal));
			EXPECT_EQ(body.velocity, c.out) << c.amplifier << " " << c.in.y << " " << c.normal.x;
		}
	}
}
