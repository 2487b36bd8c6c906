#include "Systems/Particle/TextureSetters.h"

#include "Components/Graphics/GLTest.h"
#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Random.h"
#include "Utilities/SearchPaths.h"

#include <gmock/gmock.h>

using test::Applied;
using test::MakeSetter;

namespace
{
	PS::WeightedChoice Choice(std::initializer_list<float> frequencies)
	{
		PS::WeightedChoice choice;
		for (float frequency : frequencies)
			choice.Add(frequency);
		choice.Normalise();
		return choice;
	}

	Particle Colored(const Tuple4f& color)
	{
		Particle particle;
		particle.startColor = particle.color = color;
		return particle;
	}
}

TEST(TextureSetters, FrequenciesSplitTheThresholdsByTheirShares)
{
	const PS::WeightedChoice choice = Choice({1, 1, 2});
	EXPECT_EQ(choice.Frequencies(), (std::vector<float>{0.25f, 0.25f, 0.5f}));
	for (int draw = 0; draw < 100; ++draw)
	{
		const unsigned expected = draw <= 25 ? 0u : (draw <= 50 ? 1u : 2u);
		EXPECT_EQ(choice.Pick(static_cast<float>(draw) * 0.01f), expected) << draw;
		EXPECT_EQ(Choice({0.3f}).Pick(static_cast<float>(draw) * 0.01f), 0u) << "a single entry is always chosen";
	}
}

// The threshold of each pick is the game generator's next number modulo 100, in hundredths.
TEST(TextureSetters, RandomizersDrawTheirThresholdsFromTheGamesGenerator)
{
	test::ParticleWorld world;
	const auto textures = MakeSetter("Spawn_Texture_Randomizer", "<float>1</float><float>1</float><float>2</float>");
	const Tuple4f red(1, 0, 0, 1);
	const Tuple4f green(0, 1, 0, 1);
	const auto colors = MakeSetter("Spawn_Color_Randomizer", "<Tuple4f>1 0 0 1</Tuple4f><float>1</float><Tuple4f>0 1 0 1</Tuple4f><float>3</float>");
	std::vector<int> draws;
	tw::SeedRand(7);
	for (int i = 0; i < 400; ++i)
		draws.push_back(tw::Rand() % 100);
	tw::SeedRand(7);
	for (std::size_t i = 0; i < draws.size(); i += 2)
	{
		EXPECT_EQ(Applied(*textures).textureIndex, draws[i] <= 25 ? 0u : (draws[i] <= 50 ? 1u : 2u)) << draws[i];
		EXPECT_EQ(Applied(*colors).color, draws[i + 1] <= 25 ? red : green) << draws[i + 1];
	}
}

TEST(TextureSetters, FrequenciesWithoutAPositiveFiniteTotalChooseNothingAndSaveAsRead)
{
	test::ParticleWorld world;
	const struct
	{
		const char* frequencies;
		const char* colors;
	} cases[] = {
		{"<float>0</float><float>0</float>", "<Tuple4f>1 0 0 1</Tuple4f><float>0</float><Tuple4f>0 1 0 1</Tuple4f><float>0</float>"},
		{"<float>1</float><float>-1</float>", "<Tuple4f>1 0 0 1</Tuple4f><float>1</float><Tuple4f>0 1 0 1</Tuple4f><float>-1</float>"},
		{"<float>3e38</float><float>3e38</float>", "<Tuple4f>1 0 0 1</Tuple4f><float>3e38</float><Tuple4f>0 1 0 1</Tuple4f><float>3e38</float>"},
		{"", ""},
	};
	const Tuple4f blue(0, 0, 1, 1);
	for (const auto& c : cases)
	{
		const auto textures = MakeSetter("Spawn_Texture_Randomizer", c.frequencies);
		const auto colors = MakeSetter("Spawn_Color_Randomizer", c.colors);
		for (int i = 0; i < 20; ++i)
		{
			EXPECT_EQ(Applied(*textures).textureIndex, std::string(c.frequencies).empty() ? 0u : 2u) << c.frequencies;
			const Particle particle = Applied(*colors, Colored(blue));
			EXPECT_EQ(particle.color, blue) << c.colors;
			EXPECT_EQ(particle.startColor, blue) << c.colors;
		}
		EXPECT_EQ(test::SavedSetter(*test::ReadSetter(test::SavedSetter(*textures))), test::SavedSetter(*textures));
		EXPECT_THAT(test::SavedSetter(*textures), ::testing::Not(::testing::HasSubstr("nan")));
	}
}

TEST(TextureSetters, TheSequencerCyclesThroughItsColoursChangingOnlyTheDrawnColour)
{
	test::ParticleWorld world;
	const Tuple4f start(0, 0, 0, 1);
	const auto sequencer = MakeSetter("Spawn_Color_Sequencer", "<Tuple4f>1 0 0 1</Tuple4f><Tuple4f>0 1 0 1</Tuple4f><Tuple4f>0 0 1 1</Tuple4f>");
	const Tuple4f expected[] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 0, 0, 1}, {0, 1, 0, 1}};
	for (const Tuple4f& color : expected)
	{
		const Particle particle = Applied(*sequencer, Colored(start));
		EXPECT_EQ(particle.color, color);
		EXPECT_EQ(particle.startColor, start);
	}
	EXPECT_EQ(Applied(*MakeSetter("Spawn_Color_Sequencer"), Colored(start)).color, start) << "an empty list changes nothing";
}

class TextureSetters_Drawer : public test::GLTest
{
};

TEST_F(TextureSetters_Drawer, PointsReachTheSpriteGroupNamedLikeTheParticleGroup)
{
	AddSearchPath(TW_TEST_DATA_DIR "Textures/");
	PointSprite::Register();
	engine->engine->AddSystem(new ParticleManager());
	Composition* object = MakeObject(test::ComponentXml("PointSprite", "<Tuple3f>1 0 0</Tuple3f><float>8</float><float>64</float>"
		"<float>1</float><float>1</float><string>GL_SRC_ALPHA</string><string>GL_ONE</string><bool>false</bool>") +
		test::ComponentXml("ParticleSystem", test::GroupXml("Other", false, false, "1", "") +
			test::GroupXml("Sparks", false, false, "0.5",
				test::LongLife() + test::SetterXml("Spawn_TextureIndex_Default", "<unsigned>1</unsigned>"), "",
				test::SetterXml("Draw_Random_Texture", "<string>grey.png</string><string>grey.png</string>"))));
	object->Start();
	auto& system = *object->GetComponent<ParticleSystem>();
	auto& sprite = *object->GetComponent<PointSprite>();
	system.FindGroup("Sparks")->Burst(3);
	system.Update();
	const unsigned group = sprite.GetGroupId("Sparks");
	ASSERT_NE(sprite.FindTexture(PointSprite::TextureKey(group, 1)), nullptr);
	EXPECT_EQ(sprite.FindTexture(PointSprite::TextureKey(group, 1))->fileName, "grey.png");
	const PointSprite::SpriteGroup* drawn = sprite.FindSpriteGroup({group, PointSprite::TextureKey(group, 1), false});
	ASSERT_NE(drawn, nullptr);
	EXPECT_EQ(drawn->positions.size(), 3u);
	system.Update();
	EXPECT_EQ(drawn->positions.size(), 3u) << "the group is emptied before it is filled";
}

TEST(TextureSetters, WithoutAPointSpriteNothingIsDrawnAndNothingFails)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(test::GroupXml("Sparks", true, true, "0.016", test::LongLife(), "",
		test::SetterXml("Draw_Random_Texture", "<string>grey.png</string>")));
	world.Frames(3);
	EXPECT_EQ(test::CountOf(system, "Sparks"), 3u);
	EXPECT_EQ(system.FindGroup("Sparks")->sprite, nullptr);
}
