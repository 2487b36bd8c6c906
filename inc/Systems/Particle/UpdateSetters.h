// The update setters: they change every live particle each frame (accelerate, damp and steer it,
// grow and shrink it, fade and tint it, move it on circles about the world origin, the owner, the
// player or a ragdoll's head, and draw debug spheres). The group advances a particle by
// velocity × dt after each of them. Objects other than the owner are found again every frame and
// skipped when gone; without the body, ragdoll head, player or camera a setter needs, the particle
// is left unchanged, and a step that would divide by zero is skipped.
#pragma once

#include "Systems/Particle/PositionSetters.h"

class Graphics;

namespace PS
{
	// velocity += accel × dt.
	class Update_Accelerate_Global : public ParticleSetterBase<Update_Accelerate_Global>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("accel", accel); }
		void Apply(Particle& particle) override;
		Tuple3f accel;
	};

	// velocity ×= accel once per call, without dt: the damping follows the frame count, not time.
	class Update_Velocity_Damp : public ParticleSetterBase<Update_Velocity_Damp>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("accel", accel); }
		void Apply(Particle& particle) override { particle.velocity *= accel; }
		float accel = 0.0f;
	};

	// scale += dScale × dt.
	class Update_Scale_Default : public ParticleSetterBase<Update_Scale_Default>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("dScale", dScale); }
		void Apply(Particle& particle) override;
		float dScale = 0.0f;
	};

	// scale = initScale at life = lifeTime, falling to initScale / tail at life 0.
	class Update_Scale_Inverse : public ParticleSetterBase<Update_Scale_Inverse>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("tail", tail); field("lifeTime", lifeTime); field("initScale", initScale); }
		void Apply(Particle& particle) override;
		float tail = 0.0f;
		float lifeTime = 0.0f;
		float initScale = 0.0f;
	};

	// color runs from startColor at life = time to goal at life 0.
	class Update_Color : public ParticleSetterBase<Update_Color>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("time", time); field("goal", goal); }
		void Apply(Particle& particle) override;
		float time = 0.0f;
		Tuple4f goal;
	};

	// Red, green and blue each move by speed × dt but never below goal (a channel already below
	// goal jumps up to it); alpha unchanged.
	class Update_Color_Dark : public ParticleSetterBase<Update_Color_Dark>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("speed", speed); field("goal", goal); }
		void Apply(Particle& particle) override;
		Tuple3f speed;
		Tuple3f goal;
	};

	// alpha += drain × dt, kept in [0, 1].
	class Update_Alpha : public ParticleSetterBase<Update_Alpha>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("drain", drain); }
		void Apply(Particle& particle) override;
		float drain = 0.0f;
	};

	// Circles the owner's ragdoll head at the radius and height: base.x is the angle, turning at
	// speed radians per second.
	class Update_Pig_Stars : public ParticleSetterBase<Update_Pig_Stars>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("radius", radius); field("height", height); field("speed", speed); }
		void Attach(unsigned objectId) override { ownerId = objectId; }
		void Refresh() override;
		void Apply(Particle& particle) override;
		float radius = 0.0f;
		float height = 0.0f;
		float speed = 0.0f;

	private:
		unsigned ownerId = 0;
		// The head part's body this frame; null without a ragdoll, a "head" part or its body.
		RigidBody* head = nullptr;
	};

	// base = (angle, height, radius) about the world origin: the angle turns at vAngle degrees per
	// second, the height rises at vHeight, and the radius shrinks by vRadius while life is above 0.6
	// and grows below.
	class Update_Vortex : public ParticleSetterBase<Update_Vortex>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("vRadius", vRadius); field("vHeight", vHeight); field("vAngle", vAngle); }
		void Attach(unsigned objectId) override;
		void Apply(Particle& particle) override;
		float vRadius = 0.0f;
		float vHeight = 0.0f;
		float vAngle = 0.0f;

	private:
		// Radians per second.
		float omega = 0.0f;
	};

	// position += M × modelPos: carries a position computed about the origin to the owner.
	class Update_Position_Relative : public OwnerBodySetter<Update_Position_Relative>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("modelPos", modelPos); }
		void Apply(Particle& particle) override;
		Tuple3f modelPos;
	};

	// base = (angle, height, radius) about the first object named "Player": the angle turns at
	// aVelocity degrees per second, the radius grows at rVelocity, the height at hVelocity.
	class Update_Position_ARH : public ParticleSetterBase<Update_Position_ARH>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("aVelocity", aVelocity); field("rVelocity", rVelocity); field("hVelocity", hVelocity); }
		void Attach(unsigned objectId) override;
		void Refresh() override;
		void Apply(Particle& particle) override;
		float aVelocity = 0.0f;
		float rVelocity = 0.0f;
		float hVelocity = 0.0f;

	private:
		unsigned playerId = 0;
		RigidBody* player = nullptr;
	};

	// Steers particles at velocity towards a point negDir behind the camera's eye and a little below
	// it, swirling about the view; a particle that has reached the plane across the view through
	// that point turns invisible but lives on. Blow flies them away from the point instead and
	// never hides them.
	template <class T>
	class CameraSteering : public CameraSetter<T>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("velocity", velocity); field("negDir", negDir); }
		float velocity = 0.0f;
		float negDir = 0.0f;

	protected:
		void Steer(Particle& particle, float below, bool away);
	};

	class Update_Velocity_Camera : public CameraSteering<Update_Velocity_Camera>
	{
	public:
		void Apply(Particle& particle) override { Steer(particle, 0.2f, false); }
	};

	class Update_Velocity_Camera_Blow : public CameraSteering<Update_Velocity_Camera_Blow>
	{
	public:
		void Apply(Particle& particle) override { Steer(particle, 0.1f, true); }
	};

	// Queues a debug sphere of radius scale at the particle, in its colour.
	class Update_Draw_Debug : public ParticleSetterBase<Update_Draw_Debug>
	{
	public:
		void Attach(unsigned objectId) override;
		void Apply(Particle& particle) override;

	private:
		Graphics* graphics = nullptr;
	};
}
