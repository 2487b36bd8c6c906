#include "Systems/Particle/SpawnSetters.h"

#include "Systems/Physics/RigidBody.h"

namespace PS
{
	void Spawn_Velocity_Default::Apply(Particle& particle)
	{
		particle.velocity *= vel;
	}

	void Spawn_Velocity_Random::Apply(Particle& particle)
	{
		particle.velocity *= RandomBetween(vel1, vel2);
	}

	void Spawn_Velocity_Relative::Apply(Particle& particle)
	{
		if (body != nullptr)
			particle.velocity += body->velocity * length;
	}

	void Spawn_Velocity_Variation::Apply(Particle& particle)
	{
		const float z = RandomBetween(min.z, max.z);
		const float y = RandomBetween(min.y, max.y);
		const float x = RandomBetween(min.x, max.x);
		particle.velocity += Tuple3f(x, y, z);
	}

	void Spawn_Color_Default::Apply(Particle& particle)
	{
		particle.startColor = particle.color = color;
	}

	void Spawn_Color_Field::Apply(Particle& particle)
	{
		const float red = RandomBetween(colorMin.x, colorMax.x);
		const float green = RandomBetween(colorMin.y, colorMax.y);
		const float blue = RandomBetween(colorMin.z, colorMax.z);
		const float alpha = RandomBetween(colorMin.w, colorMax.w);
		particle.startColor = particle.color = Tuple4f(red, green, blue, alpha);
	}

	void Spawn_Random_Angle::Apply(Particle& particle)
	{
		particle.base.x = RandomAngle();
		particle.base.z = static_cast<float>(2.0 * Rand01() - 1.0);
	}
}
