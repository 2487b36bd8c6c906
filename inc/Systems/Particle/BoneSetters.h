// The setters that tie particles to one bone of the owner's animated model: they spawn particles
// around the bone, fly them in the bone's direction, or move them on a cylinder or an ellipsoid
// riding on the bone. The spawners prepare base = (angle, height, radius); the two updaters turn
// it into positions every frame. Without the owner's BoneTransform, the named bone or the owner's
// Transform a setter leaves the particle unchanged.
#pragma once

#include "Components/Transform.h"
#include "Systems/Particle/ParticleSetter.h"

namespace PS
{
	// A bone's world frame: the owner's world transform (position, orientation, then scale)
	// composed with the bone's model-space pose.
	class BoneFrame
	{
	public:
		// Finds the bone by name: the owner's bone table is filled once by its Load, so the record
		// stays where it is.
		void Attach(unsigned ownerId, const std::string& boneName);
		// Takes this frame's owner transform; false without the bone or the owner's Transform.
		bool Refresh();
		Tuple3f Point(const Tuple3f& modelPoint) const;
		// Rotated by the owner's and the bone's orientation, not scaled.
		Tuple3f Direction(const Tuple3f& modelDirection) const;
		const Tuple3f& OwnerPosition() const { return ownerPosition; }

	private:
		unsigned ownerId = 0;
		const BoneTransform::BoneInfo* bone = nullptr;
		Tuple3f ownerPosition;
		Quaternion ownerOrientation;
		Tuple3f ownerScale;
	};

	// base = (random angle, height, random in [0.5, radius)).
	class CylinderSpawner : public ParticleSetterBase<CylinderSpawner>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("radius", radius); field("height", height); }
		void Apply(Particle& particle) override;
		float radius = 0.0f;
		float height = 0.0f;
	};

	// base = (random angle, 0, random in [0.5, 1.2)).
	class EllipsoidSpawner : public ParticleSetterBase<EllipsoidSpawner>
	{
	public:
		void Apply(Particle& particle) override;
	};

	// A random point within 1.5 of the bone. A bone still at the owner's origin (no animation
	// evaluated yet) sends its particles far out of sight.
	class Spawn_Position_Bone : public ParticleSetterBase<Spawn_Position_Bone>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("boneName", boneName); }
		void Attach(unsigned objectId) override { frame.Attach(objectId, boneName); }
		void Refresh() override;
		void Apply(Particle& particle) override;
		std::string boneName;

	private:
		BoneFrame frame;
		bool ready = false;
		Tuple3f bonePosition;
	};

	// velocity = the bone's world image of the unit direction (a zero direction has none).
	class Spawn_Direction_Bone : public ParticleSetterBase<Spawn_Direction_Bone>
	{
	public:
		template <class Field>
		void Parameters(Field&& field) { field("boneName", boneName); field("direction", direction); }
		void Attach(unsigned objectId) override { frame.Attach(objectId, boneName); }
		void Refresh() override;
		void Apply(Particle& particle) override;
		std::string boneName;
		// As read, so saving keeps it; the unit direction is taken at each Refresh.
		Tuple3f direction;

	private:
		BoneFrame frame;
		bool ready = false;
		Tuple3f worldDirection;
	};

	// The frame of the bone updaters: centre = the bone's image of offset, and the world images V1,
	// V2 of two unit radial vectors across the unit axis bindUp and V3 of the axis itself. The data's
	// bindUp and degrees stay as read, so saving gives back exactly what was loaded.
	template <class T>
	class BoneAxisUpdater : public ParticleSetterBase<T>
	{
	public:
		void Deserialize(Serializer& serializer) override;
		void Attach(unsigned objectId) override { frame.Attach(objectId, boneName); }
		void Refresh() override;

		std::string boneName;
		Tuple3f bindUp;
		Tuple3f offset;
		// Degrees per second in the file.
		float aVelocityDegrees = 0.0f;

	protected:
		// centre + sin a × r × V1 + cos a × r × V2 + h × V3.
		Tuple3f Place(float a, float r, float h) const;

		// Radians per second.
		float aVelocity = 0.0f;
		float dt = 0.0f;
		// False without the bone, the Transform or an axis.
		bool ready = false;

	private:
		BoneFrame frame;
		Tuple3f up;
		Tuple3f p;
		Tuple3f q;
		Tuple3f centre;
		Tuple3f v1;
		Tuple3f v2;
		Tuple3f v3;
	};

	// Circles on a cylinder about the bone: the angle turns at aVelocity, the height falls at
	// hVelocity, the radius grows at rVelocity; life is left alone.
	class CylinderUpdater : public BoneAxisUpdater<CylinderUpdater>
	{
	public:
		template <class Field>
		void Parameters(Field&& field)
		{
			field("boneName", boneName);
			field("bindUp", bindUp);
			field("offset", offset);
			field("hVelocity", hVelocity);
			field("rVelocity", rVelocity);
			field("RAD2DEG(aVelocity)", aVelocityDegrees);
		}
		void Apply(Particle& particle) override;
		float hVelocity = 0.0f;
		float rVelocity = 0.0f;
	};

	// Rises up an ellipsoid about the bone, heightScale tall and radiusScale × the spawned radius
	// wide in the middle; a particle that would leave the top at the next step dies.
	class EllipsoidUpdater : public BoneAxisUpdater<EllipsoidUpdater>
	{
	public:
		template <class Field>
		void Parameters(Field&& field)
		{
			field("boneName", boneName);
			field("bindUp", bindUp);
			field("offset", offset);
			field("heightScale", heightScale);
			field("radiusScale", radiusScale);
			field("hVelocity", hVelocity);
			field("RAD2DEG(aVelocity)", aVelocityDegrees);
		}
		void Apply(Particle& particle) override;
		float heightScale = 0.0f;
		float radiusScale = 0.0f;
		float hVelocity = 0.0f;
	};
}
