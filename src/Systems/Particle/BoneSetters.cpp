#include "Systems/Particle/BoneSetters.h"

#include "Object.h"

#include <algorithm>
#include <cmath>

namespace PS
{
	namespace
	{
		constexpr double kDegree = 0.017453292519943295;

		bool IsZero(const Tuple3f& v)
		{
			return TupleMath::IsZeroLength<float>(v.Length());
		}
	}

	void BoneFrame::Attach(unsigned objectId, const std::string& boneName)
	{
		ownerId = objectId;
		bone = nullptr;
		auto* bones = static_cast<const BoneTransform*>(FindComponent(objectId, BoneTransform::TypeId()));
		if (bones == nullptr)
			return;
		const auto found = bones->Find(boneName);
		if (found != bones->End())
			bone = &found->second;
	}

	bool BoneFrame::Refresh()
	{
		const auto* transform = static_cast<const Transform*>(FindComponent(ownerId, Transform::TypeId()));
		if (bone == nullptr || transform == nullptr)
			return false;
		ownerPosition = transform->GetWorldPosition();
		ownerOrientation = transform->GetWorldOrientation();
		ownerScale = transform->GetScale();
		return true;
	}

	Tuple3f BoneFrame::Point(const Tuple3f& modelPoint) const
	{
		const Tuple3f inModel = Quaternion::Rotate(bone->orientation, modelPoint) + bone->position;
		const Tuple3f scaled(inModel.x * ownerScale.x, inModel.y * ownerScale.y, inModel.z * ownerScale.z);
		return ownerPosition + Quaternion::Rotate(ownerOrientation, scaled);
	}

	Tuple3f BoneFrame::Direction(const Tuple3f& modelDirection) const
	{
		return Quaternion::Rotate(ownerOrientation, Quaternion::Rotate(bone->orientation, modelDirection));
	}

	void CylinderSpawner::Apply(Particle& particle)
	{
		const float angle = RandomAngle();
		particle.base = Tuple3f(angle, height, RandomBetween(0.5f, radius));
	}

	void EllipsoidSpawner::Apply(Particle& particle)
	{
		const float angle = RandomAngle();
		particle.base = Tuple3f(angle, 0.0f, 0.5f + 0.7f * Rand01());
	}

	void Spawn_Position_Bone::Refresh()
	{
		ready = frame.Refresh();
		if (!ready)
			return;
		bonePosition = frame.Point(Tuple3f());
		if (bonePosition == frame.OwnerPosition())
			bonePosition = Tuple3f(1e12f, 1e12f, 1e12f);
	}

	void Spawn_Position_Bone::Apply(Particle& particle)
	{
		if (!ready)
			return;
		const float distance = 1.5f * Rand01();
		particle.position = particle.base = bonePosition + RandomSphereDirection() * distance;
	}

	void Spawn_Direction_Bone::Refresh()
	{
		ready = frame.Refresh() && !IsZero(direction);
		if (ready)
			worldDirection = frame.Direction(direction.Normalize());
	}

	void Spawn_Direction_Bone::Apply(Particle& particle)
	{
		if (ready)
			particle.velocity = worldDirection;
	}

	template <class T>
	void BoneAxisUpdater<T>::Deserialize(Serializer& serializer)
	{
		ParticleSetterBase<T>::Deserialize(serializer);
		aVelocity = static_cast<float>(aVelocityDegrees * kDegree);
		if (IsZero(bindUp))
			return;
		up = bindUp.Normalize();
		p = PerpendicularVector(up).Normalize();
		q = Cross(p, up);
	}

	template <class T>
	void BoneAxisUpdater<T>::Refresh()
	{
		// A zero axis has no radial vectors: its normalisation would give the float maxima.
		ready = frame.Refresh() && !IsZero(bindUp);
		if (!ready)
			return;
		dt = TimeStep();
		centre = frame.Point(offset);
		v1 = frame.Direction(p);
		v2 = frame.Direction(q);
		v3 = frame.Direction(up);
	}

	template <class T>
	Tuple3f BoneAxisUpdater<T>::Place(float a, float r, float h) const
	{
		return centre + v1 * static_cast<float>(std::sin(a) * r) + v2 * static_cast<float>(std::cos(a) * r) + v3 * h;
	}

	template class BoneAxisUpdater<CylinderUpdater>;
	template class BoneAxisUpdater<EllipsoidUpdater>;

	void CylinderUpdater::Apply(Particle& particle)
	{
		if (!ready)
			return;
		Tuple3f& arh = particle.base;
		arh.x += aVelocity * dt;
		arh.y -= hVelocity * dt;
		arh.z += rVelocity * dt;
		particle.position = Place(arh.x, arh.z, arh.y);
	}

	void EllipsoidUpdater::Apply(Particle& particle)
	{
		// A zero height has no profile: the particle stays where it is rather than at NaN.
		if (!ready || heightScale == 0.0f)
			return;
		Tuple3f& arh = particle.base;
		arh.x += aVelocity * dt;
		arh.y += hVelocity * dt;
		if (arh.y + hVelocity * dt >= heightScale)
			particle.life = 0.0f;
		const float f = arh.y / heightScale;
		const float s = (f - 0.5f) * 2.0f + 0.0001f;
		const float profile = std::sqrt(std::max(1.0f - s * s, 0.0f));
		particle.position = Place(arh.x, profile * radiusScale * arh.z, arh.y);
	}
}
