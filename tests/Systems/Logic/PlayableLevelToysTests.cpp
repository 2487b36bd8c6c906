#include "Archetype.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/Health.h"
#include "Components/Physics/ParticleSystem.h"
#include "Systems/Logic/ShippedLevelWorld.h"
#include "Systems/Particle/ParticleGroup.h"
#include "Systems/Particle/ParticleManager.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
	using test::PositionOf;
	using test::ShippedLevelWorld;

	void PutPlayerAt(const Tuple3f& position)
	{
		ObjectFromName("Player").SendMessage(Message("SetPos").Push(position));
	}

	// What the shipped second level's toys did while the player was led past them.
	struct ToysOutcome
	{
		float gateRise = 0.0f;
		float crateBounceTop = 0.0f;
		float signTurn = 0.0f;
		std::size_t cratesFromTheMill = 0;
		std::size_t shellsFired = 0;
		bool medkitTaken = false;
		std::vector<std::string> playerHeard;
		std::vector<float> villagerWalks;
		float dogToPlayer = 1e9f;
		float shedDoorRise = 0.0f;
		// How far the carried crate fell behind the walking player; how far the player walked on
		// after letting go, and the crate's drift meanwhile.
		float carriedLag = 1e9f;
		float walkedAfterRelease = 0.0f;
		float followedAfterRelease = 1e9f;
	};

	ToysOutcome PlayPastTheToys()
	{
		ToysOutcome outcome;
		ShippedLevelWorld world("Hillside");
		std::vector<unsigned> villagers;
		std::vector<Tuple3f> villagerStarts;
		test::MessageLog* player = nullptr;
		float gateStart = 0.0f;
		std::size_t cratesAtStart = 0;
		Object bouncer;
		std::map<unsigned, std::function<void()>> script;
		script[1] = [&] {
			villagers = ObjectIdsByName("Villager");
			for (unsigned id : villagers)
				villagerStarts.push_back(PositionOf(id));
			player = &test::Listen(ObjectFromName("Player"), {"Heal", "DamageTaken"});
			gateStart = PositionOf(ObjectFromName("Gate")).y;
			cratesAtStart = ObjectIdsByName("Crate").size();
			ObjectFromName("Windmill").SendMessage(Message("Blown"));
			bouncer = CreateObjectFromArchetype("Crate.xml");
			bouncer.object->Start();
			bouncer.SendMessage(Message("SetPos").Push(Tuple3f(-14.0f, 4.0f, 4.0f)));
		};
		script[150] = [&] { outcome.cratesFromTheMill = ObjectIdsByName("Crate").size() - cratesAtStart - 1; };
		// Onto the pressure plate, in the turret's reach.
		script[200] = [] { PutPlayerAt(Tuple3f(16.0f, 1.0f, 0.0f)); };
		script[330] = [&] { outcome.gateRise = PositionOf(ObjectFromName("Gate")).y - gateStart; };
		// Hurt, then into the opened pen where the medkit hovers.
		script[400] = [] { ObjectFromName("Player").SendMessage(Message("Damage").PushInt(30).Push(Tuple3f(25.0f, 2.5f, 0.0f))); };
		script[420] = [] { PutPlayerAt(Tuple3f(22.5f, 1.0f, 0.0f)); };
		script[480] = [&] { outcome.medkitTaken = ObjectIdsByName("Medkit").empty(); };
		// Beside the hinged board.
		script[500] = [] { PutPlayerAt(Tuple3f(10.0f, 1.0f, -3.0f)); };
		script[620] = [&] {
			outcome.signTurn = static_cast<float>(ObjectFromName("SignBoard").object->GetComponent<Transform>()->GetWorldRotationVector().Length());
		};
		// Five units from the sheepdog, which runs at the player.
		script[700] = [] {
			const Tuple3f dog = PositionOf(ObjectFromName("Sheepdog"));
			PutPlayerAt(Tuple3f(dog.x + (dog.x > 0.0f ? -5.0f : 5.0f), 1.0f, dog.z));
		};
		script[820] = [&] {
			outcome.dogToPlayer = static_cast<float>(PositionOf(ObjectFromName("Sheepdog")).Distance(PositionOf(ObjectFromName("Player"))));
		};
		// Facing the shed's lever from three units: the use key reaches it, the door opens.
		float shedDoorStart = 0.0f;
		script[830] = [&] {
			shedDoorStart = PositionOf(ObjectFromName("ShedDoor")).y;
			PutPlayerAt(Tuple3f(17.5f, 1.0f, -21.0f));
		};
		script[835] = [] { ObjectFromName("Player").SendMessage(Message("ActivateTarget")); };
		script[1040] = [&] { outcome.shedDoorRise = PositionOf(ObjectFromName("ShedDoor")).y - shedDoorStart; };
		// Looking down at a crate before it, the player holds the carry key and walks four units sideways,
		// lets go and walks on.
		Object carried;
		Tuple3f carryStart;
		float releasedAt = 0.0f;
		script[1050] = [&] {
			PutPlayerAt(Tuple3f(-4.0f, 1.0f, 8.0f));
			carried = CreateObjectFromArchetype("Crate.xml");
			carried.object->Start();
			carried.SendMessage(Message("SetPos").Push(Tuple3f(-4.0f, 0.5f, 6.0f)));
			ObjectFromName("Player").SendMessage(Message("RotRight").PushFloat(0.3f));
		};
		script[1080] = [&] {
			carryStart = PositionOf(carried);
			ObjectFromName("Player").SendMessage(Message("Grab"));
		};
		for (unsigned frame = 1081; frame < 1200; ++frame)
			script[frame] = [] { ObjectFromName("Player").SendMessage(Message("Strafe").PushFloat(1.0f)); };
		script[1140] = [&] {
			const float walked = PositionOf(ObjectFromName("Player")).x + 4.0f;
			outcome.carriedLag = std::fabs(walked - (PositionOf(carried).x - carryStart.x));
			ObjectFromName("Player").SendMessage(Message("Release"));
			carryStart = PositionOf(carried);
			releasedAt = PositionOf(ObjectFromName("Player")).x;
		};
		script[1199] = [&] {
			outcome.followedAfterRelease = std::fabs(PositionOf(carried).x - carryStart.x);
			outcome.walkedAfterRelease = std::fabs(PositionOf(ObjectFromName("Player")).x - releasedAt);
		};
		script[1201] = [&] {
			for (std::size_t villager = 0; villager < villagers.size(); ++villager)
				outcome.villagerWalks.push_back(static_cast<float>(PositionOf(villagers[villager]).Distance(villagerStarts[villager])));
			outcome.playerHeard = player->Named("Heal");
			Engine::Instance()->RequestState(Engine::kQuit);
		};
		world.Play(script, 1210, [&](unsigned frame) {
			if (frame > 60 && frame < 200)
				outcome.crateBounceTop = std::max(outcome.crateBounceTop, PositionOf(bouncer).y);
			outcome.shellsFired = std::max(outcome.shellsFired, ObjectIdsByName("Shell").size());
		});
		return outcome;
	}

	TEST(PlayableLevelToys, TheSecondLevelsToysAnswerThePlayer)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const ToysOutcome outcome = PlayPastTheToys();
		EXPECT_EQ(outcome.cratesFromTheMill, 1u) << "the blown windmill drops one crate";
		EXPECT_GT(outcome.crateBounceTop, 4.5f) << "a crate dropped from 4 units bounces higher off the trampoline";
		EXPECT_NEAR(outcome.gateRise, -2.05f, 0.05f) << "the plate opens the pen's gate, down into the ground";
		EXPECT_GE(outcome.shellsFired, 1u) << "the turret shoots at the player in its reach";
		EXPECT_TRUE(outcome.medkitTaken);
		EXPECT_EQ(outcome.playerHeard.size(), 1u) << "the medkit heals once";
		EXPECT_NEAR(outcome.signTurn, 1.5708f, 0.1f) << "the board springs up as the player passes";
		EXPECT_LT(outcome.dogToPlayer, 2.5f) << "the sheepdog heads the player off";
		ASSERT_EQ(outcome.villagerWalks.size(), 3u);
		for (float walked : outcome.villagerWalks)
			EXPECT_GT(walked, 1.0f) << "a villager stays where it was placed";
		EXPECT_NEAR(outcome.shedDoorRise, 2.5f, 0.05f) << "the lever opens the shed";
		EXPECT_LT(outcome.carriedLag, 1.0f) << "the held crate goes with the player";
		EXPECT_GT(outcome.walkedAfterRelease, 3.0f);
		EXPECT_LT(outcome.followedAfterRelease, outcome.walkedAfterRelease / 2) << "a released crate stays behind";
	}

	void FacePlayer(const Tuple3f& direction)
	{
		ObjectFromName("Player").SendMessage(Message("SetDir").PushFloat(direction.x).PushFloat(direction.y).PushFloat(direction.z));
	}

	// Onto the plate, through the gate it opens and into the pen, a while under the turret's
	// shells while something else (a crate here, the sheepdog or a villager in play) lands on the
	// plate, then out again on foot.
	TEST(PlayableLevelToys, ThePenLetsOutWhoeverWalkedIn)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		ShippedLevelWorld world("Hillside");
		float deepestIn = 0.0f, outAt = 1e9f;
		bool sameLife = false;
		std::map<unsigned, std::function<void()>> script;
		// Past the plate's cooldown after the start.
		script[120] = [] {
			test::Listen(ObjectFromName("Player"), {"Death"});
			PutPlayerAt(Tuple3f(16.0f, 1.0f, 0.0f));
			FacePlayer(Tuple3f(1.0f, 0.0f, 0.0f));
		};
		for (unsigned frame = 250; frame < 400; ++frame)
			script[frame] = [] { ObjectFromName("Player").SendMessage(Message("MoveForward").PushFloat(1.0f)); };
		script[500] = [] {
			const Object crate = CreateObjectFromArchetype("Crate.xml");
			crate.object->Start();
			crate.SendMessage(Message("SetPos").Push(Tuple3f(16.0f, 1.5f, 0.0f)));
		};
		script[650] = [] { FacePlayer(Tuple3f(-1.0f, 0.0f, 0.0f)); };
		for (unsigned frame = 660; frame < 900; ++frame)
			script[frame] = [] { ObjectFromName("Player").SendMessage(Message("MoveForward").PushFloat(1.0f)); };
		script[901] = [&] {
			outAt = PositionOf(ObjectFromName("Player")).x;
			sameLife = ObjectFromName("Player").object->GetComponent<test::MessageLog>() != nullptr;
			Engine::Instance()->RequestState(Engine::kQuit);
		};
		world.Play(script, 910, [&](unsigned frame) {
			if (frame > 120)
				deepestIn = std::max(deepestIn, PositionOf(ObjectFromName("Player")).x);
		});
		EXPECT_GT(deepestIn, 21.0f) << "the player never got into the pen";
		EXPECT_LT(outAt, 18.0f) << "the player is still shut in the pen";
		EXPECT_TRUE(sameLife) << "the player got out only by dying";
	}

	// A hit that leaves the hut standing shows on it: dust flies off the hut.
	TEST(PlayableLevelToys, AHitOnTheHutRaisesDust)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const Tuple3f hutFront(0.0f, 1.5f, -18.0f);
		const std::pair<const char*, std::function<void()>> hits[] = {
			{"a crate thrown at it", [hutFront] {
				 const Object crate = CreateObjectFromArchetype("Crate.xml");
				 crate.object->Start();
				 crate.SendMessage(Message("SetPos").Push(hutFront + Tuple3f(0.0f, 0.0f, 2.0f)));
				 crate.SendMessage(Message("SetVelocity").Push(Tuple3f(0.0f, 0.0f, -8.0f)));
			 }},
			{"a keg bursting against it", [hutFront] {
				 const Object blast = CreateObjectFromArchetype("KegBlast.xml");
				 blast.object->Start();
				 blast.SendMessage(Message("SetPos").Push(hutFront + Tuple3f(0.0f, 0.0f, 0.5f)));
			 }},
		};
		for (const auto& [what, hit] : hits)
		{
			SCOPED_TRACE(what);
			ShippedLevelWorld world("Hillside");
			world.engine.engine->AddSystem(new ParticleManager());
			std::size_t mostDust = 0;
			bool standing = false;
			std::map<unsigned, std::function<void()>> script;
			script[60] = hit;
			script[200] = [&] {
				standing = !ObjectIdsByName("Hut").empty();
				Engine::Instance()->RequestState(Engine::kQuit);
			};
			world.Play(script, 210, [&](unsigned frame) {
				const Object hut = ObjectFromName("Hut");
				const ParticleSystem* particles = hut.IsDummy() || frame < 60 ? nullptr : hut.object->GetComponent<ParticleSystem>();
				if (const ParticleGroup* dust = particles != nullptr ? particles->FindGroup("Dust") : nullptr)
					mostDust = std::max(mostDust, static_cast<std::size_t>(dust->particles.size()));
			});
			EXPECT_TRUE(standing);
			EXPECT_GT(mostDust, 10u);
		}
	}

	// The first level's tetherball and drifting cloud over 24 s: the ball's greatest distance from
	// the pole's top and its lowest point, the rope's length as drawn, the cloud's farthest x, its x
	// at the end and how many clouds there are then.
	struct FirstLevelOutcome
	{
		float ballReach = 0.0f;
		float ballLowest = 1e9f;
		float ropeLength = 0.0f;
		float cloudFarthest = -1e9f;
		float cloudAtEnd = 0.0f;
		std::size_t cloudsAtEnd = 0;
	};

	FirstLevelOutcome PlayTheFirstLevelAWhile()
	{
		FirstLevelOutcome outcome;
		ShippedLevelWorld world("Homestead");
		constexpr unsigned kFrames = 1500;
		std::map<unsigned, std::function<void()>> script;
		const Tuple3f poleTop(8.0f, 4.0f, 6.0f);
		script[kFrames + 1] = [&] {
			outcome.ropeLength = ObjectFromName("TetherRope").object->GetComponent<Transform>()->GetScale().y;
			outcome.cloudAtEnd = PositionOf(ObjectFromName("Cloud")).x;
			outcome.cloudsAtEnd = ObjectIdsByName("Cloud").size();
			Engine::Instance()->RequestState(Engine::kQuit);
		};
		world.Play(script, kFrames + 10, [&](unsigned) {
			const Tuple3f ball = PositionOf(ObjectFromName("TetherBall"));
			outcome.ballReach = std::max(outcome.ballReach, static_cast<float>(ball.Distance(poleTop)));
			outcome.ballLowest = std::min(outcome.ballLowest, ball.y);
			outcome.cloudFarthest = std::max(outcome.cloudFarthest, PositionOf(ObjectFromName("Cloud")).x);
		});
		return outcome;
	}

	TEST(PlayableLevelToys, TheFirstLevelsTetherballHangsOnItsRopeAndTheCloudComesBackAfterItsCrossing)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const FirstLevelOutcome outcome = PlayTheFirstLevelAWhile();
		EXPECT_LT(outcome.ballReach, 2.55f) << "the rope of 2.5 holds the ball";
		EXPECT_GT(outcome.ballLowest, 1.4f) << "the ball hangs clear of the floor";
		EXPECT_NEAR(outcome.ropeLength, 2.5f, 0.05f) << "the rope is drawn from the pole to the ball";
		// 1.5 units a second for 20 s from x -15, then a new cloud from the start for 4 s.
		EXPECT_NEAR(outcome.cloudFarthest, 15.0f, 0.5f);
		EXPECT_NEAR(outcome.cloudAtEnd, -9.0f, 0.5f);
		EXPECT_EQ(outcome.cloudsAtEnd, 1u);
	}
}

namespace
{
	// Wherever the player stands in the turret's reach, in the pen or before it, each shell appears
	// at the turret and flies in sight: none appears at or past the player.
	TEST(PlayableLevelToys, TheTurretsShellsLeaveTheTurretInSight)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		const Tuple3f turret(25.0f, 2.4f, 0.0f);
		for (const Tuple3f& at : {Tuple3f(22.5f, 1.0f, 1.5f), Tuple3f(21.0f, 1.0f, -1.5f), Tuple3f(16.0f, 1.0f, 0.0f)})
		{
			SCOPED_TRACE(tw::TextOf(at));
			test::ShippedLevelWorld world("Hillside");
			std::map<unsigned, Tuple3f> firstSeen;
			world.Play({}, 240, [&](unsigned frame) {
				if (frame < 60)
					return;
				PutPlayerAt(at);
				for (unsigned id : ObjectIdsByName("Shell"))
					firstSeen.emplace(id, PositionOf(id));
			});
			EXPECT_GE(firstSeen.size(), 1u);
			for (const auto& [id, first] : firstSeen)
			{
				EXPECT_LT(first.Distance(turret), 1.2f) << "a shell appeared at " << tw::TextOf(first);
				EXPECT_GT(first.Distance(at), 1.5f) << "a shell appeared at the player";
			}
		}
	}
}
