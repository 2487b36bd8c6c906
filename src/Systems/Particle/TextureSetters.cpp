#include "Systems/Particle/TextureSetters.h"

#include "Components/Graphics/PointSprite.h"
#include "Object.h"
#include "Systems/Particle/ParticleGroup.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Random.h"

#include <algorithm>
#include <cmath>


namespace PS
{
	namespace
	{
		// True while a value stands at the cursor of the setter's element. A nested element in
		// the list is reported and stepped over, so a damaged list cannot stall the reader.
		bool NextListValue(Serializer& serializer, const ParticleSetter& setter)
		{
			while (serializer.HasMore())
			{
				if (serializer.CopyElement() == nullptr)
					return true;
				tw::Diagnostics::Report("particle setter \"" + setter.name + "\": an element in its list is skipped");
				serializer.EnterNode("", "");
				serializer.LeaveNode();
			}
			return false;
		}
	}

	void WeightedChoice::Add(float frequency)
	{
		frequencies.push_back(frequency);
	}

	void WeightedChoice::Normalise()
	{
		float total = 0.0f;
		for (float frequency : frequencies)
			total += frequency;
		normalised = total > 0.0f && std::isfinite(total);
		cumulatives.clear();
		if (!normalised)
			return;
		float running = 0.0f;
		for (float& frequency : frequencies)
		{
			frequency /= total;
			running += frequency;
			cumulatives.push_back(running);
		}
	}

	unsigned WeightedChoice::Pick(float threshold) const
	{
		for (unsigned i = 0; i < cumulatives.size(); ++i)
			if (cumulatives[i] >= threshold)
				return i;
		return static_cast<unsigned>(frequencies.size());
	}

	float WeightedChoice::DrawThreshold()
	{
		return static_cast<float>(tw::Rand() % 100) * 0.01f;
	}

	void TextureRandomizer::Deserialize(Serializer& serializer)
	{
		while (NextListValue(serializer, *this))
		{
			float frequency = 0.0f;
			serializer.Read(frequency);
			choice.Add(frequency);
		}
		choice.Normalise();
	}

	void TextureRandomizer::Serialize(Serializer& serializer)
	{
		for (float frequency : choice.Frequencies())
			serializer.Write("Texture frequency", frequency);
	}

	void TextureRandomizer::Apply(Particle& particle)
	{
		particle.textureIndex = choice.Pick(WeightedChoice::DrawThreshold());
	}

	void ColorRandomizer::Deserialize(Serializer& serializer)
	{
		while (NextListValue(serializer, *this))
		{
			Tuple4f color;
			float frequency = 0.0f;
			serializer.Read(color).Read(frequency);
			colors.push_back(color);
			choice.Add(frequency);
		}
		choice.Normalise();
	}

	void ColorRandomizer::Serialize(Serializer& serializer)
	{
		for (std::size_t i = 0; i < colors.size(); ++i)
			serializer.Write("Color", colors[i]).Write("Color frequency", choice.Frequencies()[i]);
	}

	void ColorRandomizer::Apply(Particle& particle)
	{
		if (!choice.IsNormalised())
			return;
		const unsigned picked = std::min(choice.Pick(WeightedChoice::DrawThreshold()), static_cast<unsigned>(colors.size() - 1));
		particle.startColor = particle.color = colors[picked];
	}

	void ColorSequencer::Deserialize(Serializer& serializer)
	{
		next = 0;
		while (NextListValue(serializer, *this))
		{
			Tuple4f color;
			serializer.Read(color);
			colors.push_back(color);
		}
	}

	void ColorSequencer::Serialize(Serializer& serializer)
	{
		for (const Tuple4f& color : colors)
			serializer.Write("Color", color);
	}

	void ColorSequencer::Apply(Particle& particle)
	{
		if (colors.empty())
			return;
		particle.color = colors[next];
		next = (next + 1) % static_cast<unsigned>(colors.size());
	}

	void RandomTextureDrawer::Deserialize(Serializer& serializer)
	{
		while (NextListValue(serializer, *this))
			textureNames.push_back(serializer.ReadString());
	}

	void RandomTextureDrawer::Serialize(Serializer& serializer)
	{
		for (const std::string& textureName : textureNames)
			serializer.Write("Texture Name", textureName);
	}

	void RandomTextureDrawer::Attach(unsigned objectId)
	{
		auto* sprite = static_cast<PointSprite*>(FindComponent(objectId, PointSprite::TypeId()));
		if (sprite == nullptr || group == nullptr)
			return;
		for (unsigned i = 0; i < textureNames.size(); ++i)
			sprite->AddTexture(group->name, i, textureNames[i]);
	}

	void RandomTextureDrawer::Apply(Particle& particle)
	{
		if (group != nullptr && group->sprite != nullptr)
			group->sprite->AddPoint(particle.textureIndex, particle.position, particle.color, particle.scale);
	}
}
