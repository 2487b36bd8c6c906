// The spawn setters that give a new particle its direction of flight. Each replaces `velocity`,
// normally with a unit vector that a later speed setter of the spawn list scales, so they stand
// after the position setters. Without the body or camera a setter needs, its effect is skipped;
// a direction that would come from normalising a zero vector is never written.
#pragma once

#include "Systems/Particle/PositionSetters.h"

namespace PS
{
	// A random direction within `angle` degrees of the axis: the tilt is k = Rand01 × angle / 45
	// across the axis, so 45 tilts up to 45° and other angles only approximately. A zero axis gives
	// the zero direction.
	Tuple3f RandomInCone(const Tuple3f& axis, float angle);

	// velocity = dir, not normalised.
	class Spawn_Direction_Global : public ParticleSetterBase<Spawn_Direction_Global>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("dir", dir); }
		void Apply(Particle& particle) override { particle.velocity = dir; }
		Tuple3f dir;
	};

	// velocity = the owner's orientation applied to modelDir.
	class Spawn_Direction_Model : public OwnerBodySetter<Spawn_Direction_Model>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("modelDir", modelDir); }
		void Apply(Particle& particle) override;
		Tuple3f modelDir;
	};

	// A random unit direction, denser at the poles.
	class Spawn_Direction_Sphere : public ParticleSetterBase<Spawn_Direction_Sphere>
	{
	public:
		void Apply(Particle& particle) override { particle.velocity = RandomSphereDirection(); }
	};

	// Directions sweeping round rotate(modelDir), one step of dAngle degrees per particle, starting
	// from rotate(modelRight) turned a quarter.
	class Spawn_Direction_Circle : public RunningAngleSetter<Spawn_Direction_Circle, OwnerBodySetter<Spawn_Direction_Circle>>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("dAngle", dAngle); field("modelDir", modelDir); field("modelRight", modelRight); }
		void Apply(Particle& particle) override;
		float dAngle = 0.0f;
		Tuple3f modelDir;
		Tuple3f modelRight;
	};

	// A swirl about the camera's view axis plus a push of twice vel along it; this setter also sets
	// the speed. A particle on the view axis gets only the push (its swirl has no direction).
	class Spawn_Direction_Camera_Radial : public CameraSetter<Spawn_Direction_Camera_Radial>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("vel", vel); }
		void Apply(Particle& particle) override;
		float vel = 0.0f;
	};

	class Spawn_Cone_Global : public ParticleSetterBase<Spawn_Cone_Global>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("angle", angle); field("dir", dir); }
		void Apply(Particle& particle) override { particle.velocity = RandomInCone(dir, angle); }
		float angle = 0.0f;
		Tuple3f dir;
	};

	// The cone about rotate(modelDir).
	class Spawn_Cone_Model : public OwnerBodySetter<Spawn_Cone_Model>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("angle", angle); field("modelDir", modelDir); }
		void Apply(Particle& particle) override;
		float angle = 0.0f;
		Tuple3f modelDir;
	};

	// Directions on the rim of the cone about rotate(modelDir), stepping round it by dangle degrees
	// per particle.
	class Spawn_Cone_Edge_Model : public RunningAngleSetter<Spawn_Cone_Edge_Model, OwnerBodySetter<Spawn_Cone_Edge_Model>>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("angle", angle); field("modelDir", modelDir); field("dangle", dangle); }
		void Apply(Particle& particle) override;
		float angle = 0.0f;
		Tuple3f modelDir;
		float dangle = 0.0f;
	};

	// The cone about the active camera's view direction.
	class Spawn_Cone_Camera : public CameraSetter<Spawn_Cone_Camera>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("angle", angle); }
		void Apply(Particle& particle) override;
		float angle = 0.0f;
	};
}
