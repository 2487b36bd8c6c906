#include "Systems/Particle/ParticleSetter.h"

#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Random.h"

#include <gmock/gmock.h>

#include <regex>
#include <sstream>

namespace
{
	// A value of the element type that prints and reads back exactly.
	std::string RandomValue(const std::string& type)
	{
		const auto number = [] {
			std::ostringstream text;
			text << (tw::Rand() % 1601 - 800) / 8.0;
			return text.str();
		};
		if (type == "float")
			return number();
		if (type == "Tuple3f")
			return number() + " " + number() + " " + number();
		if (type == "Tuple4f")
			return number() + " " + number() + " " + number() + " " + number();
		if (type == "unsigned")
			return std::to_string(tw::Rand());
		return std::string("Name") + std::to_string(tw::Rand());
	}

	// The lists of the list setters, whose defaults save no values; frequencies with exact totals.
	std::string ListValues(const std::string& name)
	{
		if (name == "Spawn_Texture_Randomizer")
			return "<float>1</float><float>1</float><float>2</float>";
		if (name == "Spawn_Color_Randomizer")
			return "<Tuple4f>1 0 0 1</Tuple4f><float>1</float><Tuple4f>0 1 0 1</Tuple4f><float>3</float>";
		if (name == "Spawn_Color_Sequencer")
			return "<Tuple4f>1 0 0 1</Tuple4f><Tuple4f>0 0.5 0 1</Tuple4f>";
		if (name == "Draw_Random_Texture")
			return "<string>Spark.png</string><string>Smoke.png</string>";
		return "";
	}
}

TEST(ParticleSetter, EverySetterSavedWithRandomParametersReloadsToTheSameText)
{
	test::ParticleWorld world;
	tw::SeedRand(42);
	// Keys only: an empty string (a bone name by default) saves as a self-closing element.
	const std::regex value("<(float|Tuple3f|Tuple4f|unsigned|string) name=\"([^\"]*)\"");
	for (const std::string& name : ParticleSetterRegistry::TableNames())
	{
		const std::string defaults = test::SavedSetter(*ParticleSetterLookup(name)->Clone());
		std::string document = "<Setter><string>" + name + "</string>" + ListValues(name);
		const std::string parameters = defaults.substr(defaults.find("</string>") + 9);
		std::vector<std::string> values;
		for (std::sregex_iterator at(parameters.begin(), parameters.end(), value), end; at != end; ++at)
		{
			values.push_back(RandomValue((*at)[1]));
			const std::string type = (*at)[1].str();
			document += "<" + type + " name=\"" + (*at)[2].str() + "\">" + values.back() + "</" + type + ">";
		}
		document += "</Setter>";
		const std::unique_ptr<ParticleSetter> first = test::ReadSetter(document);
		ASSERT_NE(first, nullptr) << name;
		const std::string saved = test::SavedSetter(*first);
		EXPECT_EQ(test::SavedSetter(*test::ReadSetter(saved)), saved) << name;
		for (const std::string& written : values)
			EXPECT_NE(saved.find(">" + written + "<"), std::string::npos) << name << " keeps " << written << " in " << saved;
	}
}

TEST(ParticleSetter, ZeroMakesAWhiteOpaqueParticleAtTheOriginWithoutLife)
{
	test::ParticleWorld world;
	Particle particle;
	particle.position = particle.velocity = particle.base = Tuple3f(1, 2, 3);
	particle.life = particle.scale = 5.0f;
	particle.textureIndex = 3;
	const Particle zeroed = test::Applied(*test::MakeSetter("Zero"), particle);
	EXPECT_EQ(zeroed.position, Tuple3f());
	EXPECT_EQ(zeroed.velocity, Tuple3f());
	EXPECT_EQ(zeroed.base, Tuple3f());
	EXPECT_EQ(zeroed.scale, 0.0f);
	EXPECT_EQ(zeroed.life, 0.0f);
	EXPECT_EQ(zeroed.textureIndex, 0u);
	EXPECT_EQ(zeroed.color, Tuple4f(1, 1, 1, 1));
	EXPECT_EQ(zeroed.startColor, Tuple4f(1, 1, 1, 1));
}
