#include "Components/Logic/Explosion.h"

#include "Components/Logic/GameplayWorld.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
	using test::GameplayWorld;

	std::string BlastValues(int uses, float time = 1.0f, float force = 10.0f)
	{
		return "<Tuple3f>1 1 1</Tuple3f><Tuple3f>3 3 3</Tuple3f><float>" + std::to_string(time) + "</float><float>" +
			std::to_string(force) + "</float><int>4</int><int>" + std::to_string(uses) + "</int>";
	}

	void Touch(const Object& explosion, const Object& other)
	{
		explosion.object->HandleMessage(test::Collision(other.id, &GameplayWorld::RigidBodyOf(other)));
	}

	TEST(Explosion, UsesLimitTheBlastsAndNegativeUsesNeverRunOut)
	{
		const struct { int uses; std::size_t damages; } cases[] = {{1, 1}, {2, 2}, {0, 0}, {-1, 3}};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object blast = world.AddLogic(Explosion::TypeId(), BlastValues(c.uses), Tuple3f(7, 8, 9));
			const Object crate = world.AddBodyObject("Crate", Tuple3f(1, 0, 0));
			test::MessageLog& log = test::Listen(crate, {"Damage", "Explode"});
			Touch(blast, crate);
			for (int explode = 0; explode < 3; ++explode)
				blast.object->HandleMessage(Message("Explode"));
			EXPECT_EQ(log.Count("Damage"), c.damages) << c.uses;
			EXPECT_EQ(log.Count("Explode"), c.damages) << c.uses;
			if (c.damages > 0)
				EXPECT_EQ(log.entries.front(), "Damage 4 7 8 9");
		}
	}

	TEST(Explosion, TouchingEndlessExplosionsEndTheirChain)
	{
		GameplayWorld world;
		std::vector<Object> blasts;
		std::vector<test::MessageLog*> logs;
		for (int index = 0; index < 3; ++index)
		{
			blasts.push_back(world.AddLogic(Explosion::TypeId(), BlastValues(-1), Tuple3f(static_cast<float>(index), 0, 0), true));
			logs.push_back(&test::Listen(blasts.back(), {"Damage"}));
		}
		for (const Object& blast : blasts)
			for (const Object& other : blasts)
				if (other.id != blast.id)
					Touch(blast, other);
		// An echo reaching an explosion that is passing "Explode" on is ignored; one reaching it
		// after it finished is a new blast. From the first: A blasts once, B and C twice each, and
		// every blast damages both neighbours.
		for (std::size_t round = 1; round <= 2; ++round)
		{
			blasts[0].object->HandleMessage(Message("Explode"));
			EXPECT_EQ(logs[0]->Count("Damage"), 4 * round);
			EXPECT_EQ(logs[1]->Count("Damage"), 3 * round);
			EXPECT_EQ(logs[2]->Count("Damage"), 3 * round);
		}
	}

	// A contact that begins while the blast lasts is struck at once, and then pushed with the rest;
	// one that begins while it rests is only collected.
	TEST(Explosion, AContactBeginningDuringTheBlastIsStruckAtOnceAndPushed)
	{
		for (const bool exploding : {true, false})
		{
			GameplayWorld world;
			const Object blast = world.AddLogic(Explosion::TypeId(), BlastValues(-1, 1.0f, 10.0f), Tuple3f(7, 8, 9));
			const Object crate = world.AddBodyObject("Crate", Tuple3f(9, 8, 9));
			test::MessageLog& log = test::Listen(crate, {"Damage", "Explode"});
			if (exploding)
				blast.object->HandleMessage(Message("Explode"));
			Touch(blast, crate);
			EXPECT_EQ(log.entries, exploding ? (std::vector<std::string>{"Damage 4 7 8 9", "Explode"}) : std::vector<std::string>{});
			RigidBody& body = GameplayWorld::RigidBodyOf(crate);
			body.acceleration = Tuple3f();
			blast.object->GetComponent<Explosion>()->Update();
			EXPECT_EQ(body.acceleration.x > 0.0f, exploding);
		}
	}

	TEST(Explosion, PushesTouchingBodiesFromItsCentreAndForgetsThemWhenTheBlastEnds)
	{
		GameplayWorld world;
		const Object blast = world.AddLogic(Explosion::TypeId(), BlastValues(1, 0.02f, 10.0f));
		const Object centre = world.AddBodyObject("Centre", Tuple3f());
		const Object side = world.AddBodyObject("Side", Tuple3f(2, 0, 0), false);
		side.object->GetComponent<Transform>()->SetScale(Tuple3f(2, 2, 2));
		side.object->Start();
		Touch(blast, centre);
		Touch(blast, side);
		RigidBody& centreBody = GameplayWorld::RigidBodyOf(centre);
		RigidBody& sideBody = GameplayWorld::RigidBodyOf(side);
		centreBody.inverseMass = sideBody.inverseMass = 0.5f;
		blast.object->HandleMessage(Message("Explode"));
		Explosion& explosion = *blast.object->GetComponent<Explosion>();
		explosion.Update();
		EXPECT_EQ(centreBody.acceleration, Tuple3f(0, 5, 0));
		EXPECT_NEAR(sideBody.acceleration.x, 20.0f, 1e-4f);
		EXPECT_EQ(explosion.TouchingCount(), 2u);
		explosion.Update();
		EXPECT_FALSE(explosion.IsExploding());
		EXPECT_EQ(explosion.TouchingCount(), 0u);
	}

	// The damage comes from where the blast's object is, also after its Transform was replaced.
	TEST(Explosion, DamagesFromItsReplacedTransform)
	{
		GameplayWorld world;
		const Object blast = world.AddLogic(Explosion::TypeId(), BlastValues(-1), Tuple3f(7, 8, 9));
		const Object crate = world.AddBodyObject("Crate", Tuple3f(1, 0, 0));
		test::MessageLog& log = test::Listen(crate, {"Damage"});
		Touch(blast, crate);
		blast.object->HandleMessage(Message("Explode"));
		blast.object->AddComponent(Transform::TypeId());
		blast.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(1, 2, 3));
		blast.object->HandleMessage(Message("Explode"));
		EXPECT_EQ(log.entries, (std::vector<std::string>{"Damage 4 7 8 9", "Damage 4 1 2 3"}));
	}

	// A touching body its object no longer owns (the pool reuses records) is forgotten at the next
	// push; a ragdoll part is held while its figure lies.
	TEST(Explosion, ForgetsABodyItsObjectNoLongerOwns)
	{
		const struct { bool ragdollPart; void (*change)(const Object& other); bool kept; } rows[] = {
			{false, [](const Object& other) { other.object->RemoveComponent("Body"); }, false},
			{true, [](const Object&) {}, true},
			{true, [](const Object& other) { other.object->HandleMessage(Message("Ragdoll").PushBool(false)); }, false},
		};
		for (const auto& row : rows)
		{
			GameplayWorld world;
			const Object blast = world.AddLogic(Explosion::TypeId(), BlastValues(-1, 10.0f));
			const Object other = row.ragdollPart ? world.AddFigure(Tuple3f(2, 0, 0), true) : world.AddBodyObject("Crate", Tuple3f(2, 0, 0));
			RigidBody* body = row.ragdollPart ? other.object->GetComponent<Ragdoll>()->GetParts().front().body : &GameplayWorld::RigidBodyOf(other);
			blast.object->HandleMessage(test::Collision(other.id, body));
			blast.object->HandleMessage(Message("Explode"));
			Explosion& explosion = *blast.object->GetComponent<Explosion>();
			explosion.Update();
			row.change(other);
			ProcessObjectChanges();
			explosion.Update();
			EXPECT_EQ(explosion.TouchingCount(), row.kept ? 1u : 0u) << row.ragdollPart;
		}
	}
}
