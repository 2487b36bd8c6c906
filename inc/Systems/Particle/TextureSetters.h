// The draw setter that hands every live particle to the owner's PointSprite, and the spawn setters
// that choose a particle's texture index or colour from weighted or cyclic lists. A spawn setter
// writes `textureIndex`; the drawer draws the particle with the texture registered under that index
// for its group (sprite group named like the particle group, key (group id << 16) + index).
#pragma once

#include "Systems/Particle/ParticleSetter.h"

#include <vector>

namespace PS
{
	// Weighted choice by a threshold (tw::Rand() mod 100) × 0.01. The frequencies are normalised
	// to a total of 1 when they add up to a positive finite total; otherwise they are kept as read
	// (normalising would give NaN) and no entry is ever chosen.
	class WeightedChoice
	{
	public:
		void Add(float frequency);
		void Normalise();
		// The index of the first entry whose cumulative frequency reaches the threshold; the
		// number of entries when none does.
		unsigned Pick(float threshold) const;
		static float DrawThreshold();
		bool IsNormalised() const { return normalised; }
		const std::vector<float>& Frequencies() const { return frequencies; }

	private:
		std::vector<float> frequencies;
		std::vector<float> cumulatives;
		bool normalised = false;
	};

	// textureIndex = the chosen entry's index ("Texture frequency" per entry).
	class TextureRandomizer : public ParticleSetterBase<TextureRandomizer>
	{
	public:
		void Deserialize(Serializer& serializer) override;
		void Serialize(Serializer& serializer) override;
		void Apply(Particle& particle) override;
		WeightedChoice choice;
	};

	// Both colours = the chosen entry's colour ("Color", "Color frequency" per entry); the last
	// entry's when rounding leaves every cumulative below the threshold; unchanged when the
	// frequencies cannot be normalised.
	class ColorRandomizer : public ParticleSetterBase<ColorRandomizer>
	{
	public:
		void Deserialize(Serializer& serializer) override;
		void Serialize(Serializer& serializer) override;
		void Apply(Particle& particle) override;
		WeightedChoice choice;
		std::vector<Tuple4f> colors;
	};

	// color = the next colour of the list ("Color" per entry), cycling; startColor unchanged.
	class ColorSequencer : public ParticleSetterBase<ColorSequencer>
	{
	public:
		void Deserialize(Serializer& serializer) override;
		void Serialize(Serializer& serializer) override;
		void Apply(Particle& particle) override;
		std::vector<Tuple4f> colors;

	private:
		unsigned next = 0;
	};

	// Queues each particle into the owner's PointSprite, in the sprite group the ParticleSystem made
	// current for the group; registers the textures ("Texture Name" per entry) at Attach. Without a
	// PointSprite nothing is drawn.
	class RandomTextureDrawer : public ParticleSetterBase<RandomTextureDrawer>
	{
	public:
		void Deserialize(Serializer& serializer) override;
		void Serialize(Serializer& serializer) override;
		void Attach(unsigned objectId) override;
		void Apply(Particle& particle) override;
		std::vector<std::string> textureNames;
	};
}
