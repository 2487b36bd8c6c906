// The spawn setters that give a new particle its speed, colour, size, rotation, lifetime, texture
// index and per-particle random angle. They normally follow the position and direction setters in
// a spawn list, since the velocity setters scale or offset the direction already in `velocity`.
#pragma once

#include "Systems/Particle/ParticleSetter.h"

namespace PS
{
	// velocity ×= vel (no dt: the same step damps velocities in an update list).
	class Spawn_Velocity_Default : public ParticleSetterBase<Spawn_Velocity_Default>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("vel", vel); }
		void Apply(Particle& particle) override;
		float vel = 0.0f;
	};

	// velocity ×= one random factor in [vel1, vel2).
	class Spawn_Velocity_Random : public ParticleSetterBase<Spawn_Velocity_Random>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("vel1", vel1); field("vel2", vel2); }
		void Apply(Particle& particle) override;
		float vel1 = 0.0f;
		float vel2 = 0.0f;
	};

	// velocity += length × the owner body's linear velocity; nothing without a body.
	class Spawn_Velocity_Relative : public OwnerBodySetter<Spawn_Velocity_Relative>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("length", length); }
		void Apply(Particle& particle) override;
		float length = 0.0f;
	};

	// velocity += a random offset per axis in [min, max), drawn z, then y, then x.
	class Spawn_Velocity_Variation : public ParticleSetterBase<Spawn_Velocity_Variation>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("min", min); field("max", max); }
		void Apply(Particle& particle) override;
		Tuple3f min;
		Tuple3f max;
	};

	class Spawn_Color_Default : public ParticleSetterBase<Spawn_Color_Default>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("color", color); }
		void Apply(Particle& particle) override;
		Tuple4f color;
	};

	// Each channel of both colours random in [colorMin, colorMax), one draw per channel.
	class Spawn_Color_Field : public ParticleSetterBase<Spawn_Color_Field>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("colorMin", colorMin); field("colorMax", colorMax); }
		void Apply(Particle& particle) override;
		Tuple4f colorMin;
		Tuple4f colorMax;
	};

	class Spawn_Scale_Default : public ParticleSetterBase<Spawn_Scale_Default>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("scale", scale); }
		void Apply(Particle& particle) override { particle.scale = scale; }
		float scale = 0.0f;
	};

	class Spawn_Scale_Field : public ParticleSetterBase<Spawn_Scale_Field>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("minScale", minScale); field("maxScale", maxScale); }
		void Apply(Particle& particle) override { particle.scale = RandomBetween(minScale, maxScale); }
		float minScale = 0.0f;
		float maxScale = 0.0f;
	};

	class Spawn_Rotation_Default : public ParticleSetterBase<Spawn_Rotation_Default>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("rot", rot); }
		void Apply(Particle& particle) override { particle.rotation = rot; }
		Tuple3f rot;
	};

	// life = lifetime seconds.
	class Spawn_Lifetime_Default : public ParticleSetterBase<Spawn_Lifetime_Default>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("lifetime", lifetime); }
		void Apply(Particle& particle) override { particle.life = lifetime; }
		float lifetime = 0.0f;
	};

	class Spawn_TextureIndex_Default : public ParticleSetterBase<Spawn_TextureIndex_Default>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("index", index); }
		void Apply(Particle& particle) override { particle.textureIndex = index; }
		unsigned index = 0;
	};

	// base.x = a random angle, base.z in [−1, 1); base.y unchanged.
	class Spawn_Random_Angle : public ParticleSetterBase<Spawn_Random_Angle>
	{
	public:
		void Apply(Particle& particle) override;
	};
}
