#include "Components/Logic/Golem.h"

#include "Components/Logic/GolemWorld.h"
#include "Components/Logic/Scaler.h"
#include "Components/Logic/TeamDamage.h"
#include "Systems/Logic/GolemFightScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace
{
	using test::GolemDesign;
	using test::GolemWorld;

	// A golem of the shipped model, summoned among twenty scraps and reeled in.
	struct ArmedGolem
	{
		explicit ArmedGolem(const GolemDesign& design = {}, unsigned seed = 1) : world(seed)
		{
			head = world.AddHead(Tuple3f(0, 4, 0));
			golem = world.AddGolem(Tuple3f(), design);
			scraps = world.AddScraps(20, Tuple3f(), 3.5f);
			world.Frame();
			golem.object->HandleMessage(Message("SummonScraps"));
		}

		std::size_t HitsOn(std::size_t part) const { return GolemWorld::GolemOf(golem).GetParts()[part].hits; }

		GolemWorld world;
		Object head;
		Object golem;
		std::vector<Object> scraps;
	};

	TEST(Golem, SavedFieldsAndPartsReloadInOrder)
	{
		ArmedGolem armed;
		const Object other = CreateObject("Other");
		GolemWorld::ExpectSavedTextReloads(GolemWorld::GolemOf(armed.golem), other);
		const auto& parts = other.object->GetComponent<Golem>()->GetParts();
		ASSERT_EQ(parts.size(), 2u);
		EXPECT_EQ(parts[1].bones, (std::vector<std::string>{"lowerArm_R", "ee_hand_R"}));
		EXPECT_EQ(parts[1].hitsRequired, 2u);
	}

	TEST(Golem, SummonTiesLooseScrapsOnceAndArmsWhenTheyAreIn)
	{
		ArmedGolem armed;
		const std::vector<unsigned> attached = GolemWorld::Attached(armed.golem);
		EXPECT_EQ(attached.size(), 15u) << "one scrap per place of the shipped golem; the rest stay loose";
		EXPECT_EQ(armed.world.headLog->Count("Connect"), 1u);
		const Object late = armed.world.AddScraps(1, Tuple3f(), 1.0f)[0];
		armed.golem.object->HandleMessage(Message("SummonScraps"));
		EXPECT_EQ(GolemWorld::Attached(armed.golem).size(), 15u) << "a second summon changes nothing";
		EXPECT_EQ(armed.world.headLog->Count("Connect"), 1u);
		EXPECT_FALSE(GolemWorld::PointsOf(armed.golem).IsAttached(late.id));

		const unsigned scrap = GolemWorld::PartScraps(armed.golem, 0).at(0);
		EXPECT_NE(ObjectFromId(scrap).object->GetComponent<Scaler>(), nullptr);
		GolemWorld::Explode(scrap);
		EXPECT_EQ(armed.HitsOn(0), 0u) << "not armed before the first ReeledIn";
		ASSERT_TRUE(armed.world.FrameUntilReeledIn());
		EXPECT_TRUE(GolemWorld::GolemOf(armed.golem).IsArmed());
		EXPECT_NE(ObjectFromId(scrap).object->GetComponent<TeamDamage>(), nullptr);
		EXPECT_FALSE(GolemWorld::RigidBodyOf(ObjectFromId(scrap)).HasFlag(kBodyGhost));
	}

	TEST(Golem, BlastsCountOnlyAtHangingSolidScrapsOutsideTheInvulnerableTime)
	{
		GolemDesign design;
		design.invulnerableMilliseconds = 400;
		ArmedGolem armed(design);
		ASSERT_TRUE(armed.world.FrameUntilReeledIn());
		armed.world.clock.Advance(1000);
		const std::vector<unsigned> part = GolemWorld::PartScraps(armed.golem, 0);
		ASSERT_GE(part.size(), 3u);
		GolemWorld::RigidBodyOf(ObjectFromId(part[0])).flags |= kBodyNoGravity;
		GolemWorld::Explode(part[0]);
		EXPECT_EQ(armed.HitsOn(0), 0u) << "a flung scrap (NOGRAVITY) counts nothing";
		GolemWorld::RigidBodyOf(ObjectFromId(part[0])).flags &= ~kBodyNoGravity;
		GolemWorld::PointsOf(armed.golem).ReleaseObject(part[1]);
		GolemWorld::Explode(part[1]);
		EXPECT_EQ(armed.HitsOn(0), 0u) << "a released scrap counts nothing";
		EXPECT_TRUE(ObjectFromId(part[1]).GetAffected("Explode").empty()) << "and loses the golem's handler";

		GolemWorld::Explode(part[0]);
		EXPECT_EQ(armed.HitsOn(0), 1u);
		armed.world.clock.Advance(399);
		GolemWorld::Explode(part[2]);
		EXPECT_EQ(armed.HitsOn(0), 1u) << "within the invulnerable time";
		armed.world.clock.Advance(1);
		GolemWorld::Explode(part[2]);
		EXPECT_EQ(armed.HitsOn(0), 2u) << "the invulnerable time has passed at its bound";
	}

	TEST(Golem, TheCompletingHitKnocksItOverDisarmsFirstAndShedsThePart)
	{
		ArmedGolem armed;
		ASSERT_TRUE(armed.world.FrameUntilReeledIn());
		for (int hit = 0; hit < 2 && !GolemWorld::PartScraps(armed.golem, 0).empty(); ++hit)
		{
			const std::vector<unsigned> before = GolemWorld::PartScraps(armed.golem, 0);
			if (hit == 1)
				for (const unsigned id : before)
					ObjectFromId(id).object->GetComponent<test::MessageLog>()->entries.clear();
			GolemWorld::Explode(before[0]);
		}
		EXPECT_EQ(armed.HitsOn(0), 2u);
		EXPECT_EQ(armed.world.golemLog->Named("Ragdoll"), (std::vector<std::string>{"Ragdoll 1"}));
		EXPECT_EQ(armed.world.golemLog->Count("RevaluateBehavior"), 1u);
		EXPECT_EQ(armed.world.headLog->Count("Disconnect"), 1u);
		EXPECT_FALSE(GolemWorld::GolemOf(armed.golem).IsArmed());
		EXPECT_TRUE(GolemWorld::GolemOf(armed.golem).IsRagdolled());
		EXPECT_TRUE(GolemWorld::PartScraps(armed.golem, 0).empty());
		EXPECT_EQ(armed.world.golemLog->Count("Death"), 0u) << "the other part still stands";
		// The other part's scraps had their scalers reversed once; the shed part's twice.
		const unsigned other = GolemWorld::PartScraps(armed.golem, 1).at(0);
		EXPECT_EQ(ObjectFromId(other).object->GetComponent<test::MessageLog>()->Count("ReverseScaler"), 1u);
		std::size_t shedTwice = 0;
		for (const Object& scrap : armed.scraps)
			if (!GolemWorld::PointsOf(armed.golem).IsAttached(scrap.id) &&
				scrap.object->GetComponent<test::MessageLog>()->Count("ReverseScaler") == 2u)
				++shedTwice;
		EXPECT_GE(shedTwice, 1u);

		armed.golem.object->HandleMessage(Message("Ragdoll").PushBool(true));
		EXPECT_EQ(armed.world.headLog->Count("Disconnect"), 1u) << "Ragdoll(true) twice acts once";
		armed.golem.object->HandleMessage(Message("Ragdoll").PushBool(false));
		EXPECT_EQ(armed.world.headLog->Count("Connect"), 2u) << "standing up disarmed reconnects the head";
		ASSERT_TRUE(armed.world.FrameUntilReeledIn(2));
		EXPECT_TRUE(GolemWorld::GolemOf(armed.golem).IsArmed());
	}

	TEST(Golem, DeathComesOnlyWithTheLastPartAndTheGolemGoes)
	{
		ArmedGolem armed;
		ASSERT_TRUE(armed.world.FrameUntilReeledIn());
		for (std::size_t part = 0; part < 2; ++part)
		{
			for (int hit = 0; hit < 2; ++hit)
			{
				const std::vector<unsigned> scraps = GolemWorld::PartScraps(armed.golem, part);
				ASSERT_FALSE(scraps.empty()) << "part " << part << " hit " << hit;
				GolemWorld::Explode(scraps[0]);
			}
			EXPECT_EQ(armed.world.golemLog->Count("Death"), part == 1 ? 1u : 0u);
			if (part == 0)
			{
				armed.golem.object->HandleMessage(Message("Ragdoll").PushBool(false));
				ASSERT_TRUE(armed.world.FrameUntilReeledIn(2));
			}
		}
		armed.world.Frame();
		EXPECT_TRUE(ObjectFromId(armed.golem.id).IsDummy());
	}

	// Golems are made the way levels make them: from the one archetype, whose parsed file both share.
	TEST(Golem, TwoGolemsOfOneArchetypeCountHitsOnlyOnTheirOwnParts)
	{
		test::GolemFightScene fight;
		const Tuple3f second(8, 0, 0);
		const Object other = CreateObjectFromArchetype("Golem.xml");
		ASSERT_FALSE(other.IsDummy());
		other.object->Start();
		other.object->HandleMessage(Message("SetPos").Push(second));
		for (unsigned i = 0; i < test::GolemFightScene::kScraps; ++i)
		{
			const Object scrap = CreateObjectFromArchetype("Scrap.xml");
			scrap.object->Start();
			const float angle = 6.2831853f * static_cast<float>(i) / test::GolemFightScene::kScraps;
			scrap.object->HandleMessage(Message("SetPos").Push(second + Tuple3f(3.5f * std::cos(angle), 0.3f, 3.5f * std::sin(angle))));
		}
		fight.world.Frame(5);
		// Their summons overlap: each scrap may hang on one golem only.
		fight.golem.object->HandleMessage(Message("SummonScraps"));
		other.object->HandleMessage(Message("SummonScraps"));
		const std::vector<unsigned> first = GolemWorld::Attached(fight.golem);
		const std::vector<unsigned> its = GolemWorld::Attached(other);
		ASSERT_FALSE(first.empty());
		ASSERT_FALSE(its.empty());
		for (const unsigned id : its)
			EXPECT_EQ(std::count(first.begin(), first.end(), id), 0) << "scrap " << id << " hangs on both golems";
		ASSERT_TRUE(fight.FrameUntil([&] { return GolemWorld::GolemOf(fight.golem).IsArmed() && GolemWorld::GolemOf(other).IsArmed(); }, 3.0f));

		const auto hits = [](const Object& golem) {
			std::vector<std::uint32_t> counts;
			for (const Golem::DamageablePart& part : GolemWorld::GolemOf(golem).GetParts())
				counts.push_back(part.hits);
			return counts;
		};
		GolemWorld::Explode(GolemWorld::PartScraps(fight.golem, 0).at(0));
		EXPECT_EQ(hits(fight.golem), (std::vector<std::uint32_t>{1, 0}));
		EXPECT_EQ(hits(other), (std::vector<std::uint32_t>{0, 0}));
		GolemWorld::Explode(GolemWorld::PartScraps(other, 1).at(0));
		EXPECT_EQ(hits(fight.golem), (std::vector<std::uint32_t>{1, 0}));
		EXPECT_EQ(hits(other), (std::vector<std::uint32_t>{0, 1}));
	}

	TEST(Golem, TheFirstOfTwoHitsShedsEachScrapWithProbabilityAQuarter)
	{
		// A golem whose left forearm has a hundred places, a metre apart.
		test::TempFolder folder;
		const auto bones = test::GolemBones();
		test::ModelFileWriter::Bytes vertices;
		std::vector<std::uint32_t> indices;
		for (std::uint32_t i = 0; i < 100; ++i)
		{
			test::ModelFileWriter::Floats(vertices, {static_cast<float>(i % 10) - 4.5f, 1.0f, static_cast<float>(i / 10) - 4.5f});
			vertices.insert(vertices.end(), {2, 0, 0, 0});
			indices.push_back(i);
		}
		indices.resize(99);
		const std::string path = folder.Path() + "/Forearm.model";
		const auto bytes = test::ModelFileWriter().Mesh(2, indices, 100, vertices).Skeleton(bones).EndMarker().Build();
		std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
		GolemDesign design;
		design.modelPath = path;
		design.reelTime = 0.0f;
		design.summonRadius = 24.0f;
		std::size_t drawn = 0;
		std::size_t shed = 0;
		for (unsigned seed = 1; seed <= 10; ++seed)
		{
			GolemWorld world(seed);
			const Object golem = world.AddGolem(Tuple3f(), design);
			for (int i = 0; i < 100; ++i)
				world.AddBodyObject("Scrap", Tuple3f(static_cast<float>(i % 10) - 4.5f, 1.0f, static_cast<float>(i / 10) - 4.5f), true,
					GolemWorld::CubeBody("NOGRAVITY"));
			world.Frame();
			golem.object->HandleMessage(Message("SummonScraps"));
			ASSERT_EQ(GolemWorld::Attached(golem).size(), 100u) << GolemWorld::GolemOf(golem).GetPlaces().size() << " places";
			ASSERT_TRUE(world.FrameUntilReeledIn());
			const std::vector<unsigned> before = GolemWorld::PartScraps(golem, 0);
			// Solid again after the reel; the blast must not be taken for a fling.
			for (const unsigned id : before)
				GolemWorld::RigidBodyOf(ObjectFromId(id)).flags &= ~kBodyNoGravity;
			GolemWorld::Explode(before[0]);
			drawn += before.size();
			shed += before.size() - GolemWorld::PartScraps(golem, 0).size();
			EXPECT_EQ(world.golemLog->Count("Ragdoll"), 0u);
		}
		ASSERT_EQ(drawn, 1000u);
		EXPECT_NEAR(static_cast<double>(shed) / static_cast<double>(drawn), 0.25, 0.03);
	}
}
