// The spawn setters that choose where a new particle is born: points, lines, discs and balls fixed
// in the owner's model space, in front of the active camera, at another named object, or as the
// circling parameters base = (angle, height, radius) that update setters turn into positions.
// A setter that picks a position writes it to both `position` and `base`, so later setters can
// recover the spawn point. Without the body or camera a setter needs, its effect is skipped.
#pragma once

#include "Systems/Particle/ParticleSetter.h"

namespace PS
{
	// M × modelPos.
	class Spawn_Position_Point : public OwnerBodySetter<Spawn_Position_Point>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("modelPos", modelPos); }
		void Apply(Particle& particle) override;
		Tuple3f modelPos;
	};

	// A random point of the segment modelPos1..modelPos2 in model space.
	class Spawn_Position_Line : public OwnerBodySetter<Spawn_Position_Line>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("modelPos1", modelPos1); field("modelPos2", modelPos2); }
		void Attach(unsigned objectId) override;
		void Apply(Particle& particle) override;
		Tuple3f modelPos1;
		Tuple3f modelPos2;

	private:
		Tuple3f direction;
	};

	// A filled disc of radius rad facing rotate(modelDir) about M × modelPos, denser at the centre.
	class Spawn_Position_Circle : public OwnerBodySetter<Spawn_Position_Circle>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("rad", rad); field("modelDir", modelDir); field("modelPos", modelPos); }
		void Apply(Particle& particle) override;
		float rad = 0.0f;
		Tuple3f modelDir;
		Tuple3f modelPos;
	};

	// A filled ball of radius rad about M × modelPos, denser at the centre and the poles.
	class Spawn_Position_Sphere : public OwnerBodySetter<Spawn_Position_Sphere>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("rad", rad); field("modelPos", modelPos); }
		void Apply(Particle& particle) override;
		float rad = 0.0f;
		Tuple3f modelPos;
	};

	// The active camera, looked up each frame; null without one.
	template <class T>
	class CameraSetter : public ParticleSetterBase<T>
	{
	public:
		void Refresh() override { camera = ActiveCamera(); }

	protected:
		Camera* camera = nullptr;
	};

	// distance ahead of the active camera's eye along its view.
	class Spawn_Position_Camera : public CameraSetter<Spawn_Position_Camera>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("distance", distance); }
		void Apply(Particle& particle) override;
		float distance = 0.0f;
	};

	// A ring of radius rad across the view, distance ahead of the eye.
	class Spawn_Position_Camera_Circle : public CameraSetter<Spawn_Position_Camera_Circle>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("distance", distance); field("rad", rad); }
		void Apply(Particle& particle) override;
		float distance = 0.0f;
		float rad = 0.0f;
	};

	// At the first object named target, with its velocity added; `base` unchanged. The target is
	// found by name at Attach and followed by id, so a target that has gone is skipped.
	class Spawn_Position_Checkpoint : public ParticleSetterBase<Spawn_Position_Checkpoint>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("target", target); }
		void Attach(unsigned objectId) override;
		void Refresh() override;
		void Apply(Particle& particle) override;
		std::string target;

	private:
		unsigned targetId = 0;
		RigidBody* targetBody = nullptr;
	};

	// base = position − the owner's world position: remembers the offset a position setter before
	// it chose.
	class Spawn_Position_Relative : public OwnerBodySetter<Spawn_Position_Relative>
	{
	public:
		void Apply(Particle& particle) override;
	};

	// A running angle that grows by dAngle degrees with every particle, never wrapped; it starts
	// at 0 at Attach. Base is the setter's other Attach work (the owner's body).
	template <class T, class Base = ParticleSetterBase<T>>
	class RunningAngleSetter : public Base
	{
	public:
		void Attach(unsigned objectId) override
		{
			Base::Attach(objectId);
			angle = 0.0f;
		}

	protected:
		// The angle in radians after one more step of degrees.
		float Step(float degrees)
		{
			angle = static_cast<float>(angle + degrees * 0.017453292519943295);
			return angle;
		}
		float angle = 0.0f;
	};

	// base.x = the running angle.
	class Spawn_Pig_Stars : public RunningAngleSetter<Spawn_Pig_Stars>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("dAngle", dAngle); }
		void Apply(Particle& particle) override { particle.base.x = Step(dAngle); }
		float dAngle = 0.0f;
	};

	// base = (the running angle, height, radius); `position` unchanged.
	class Spawn_Ring : public RunningAngleSetter<Spawn_Ring>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("dAngle", dAngle); field("radius", radius); field("height", height); }
		void Apply(Particle& particle) override { particle.base = Tuple3f(Step(dAngle), height, radius); }
		float dAngle = 0.0f;
		float radius = 0.0f;
		float height = 0.0f;
	};

	// A disc of flame seeds of the radius about M × modelPos, across rotate(modelDir), with even
	// density; a seed at distance ρ from the centre leaves along the axis at speed √(1 − (ρ/radius)²).
	class Spawn_Fire : public OwnerBodySetter<Spawn_Fire>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("radius", radius); field("modelPos", modelPos); field("modelDir", modelDir); }
		void Attach(unsigned objectId) override;
		void Refresh() override;
		void Apply(Particle& particle) override;
		float radius = 0.0f;
		Tuple3f modelPos;
		Tuple3f modelDir;

	private:
		// The model-space basis (the data's modelDir stays as read, so saving keeps it).
		Tuple3f axis;
		Tuple3f u;
		Tuple3f v;
		// This frame's world frame.
		Tuple3f centre;
		Tuple3f worldAxis;
		Tuple3f worldU;
		Tuple3f worldV;
	};
}
