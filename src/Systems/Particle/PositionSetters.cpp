#include "Systems/Particle/PositionSetters.h"

#include "Components/Graphics/Camera.h"
#include "Object.h"
#include "Systems/Physics/RigidBody.h"

#include <algorithm>
#include <cmath>

namespace PS
{
	namespace
	{
		void PlaceAt(Particle& particle, const Tuple3f& point)
		{
			particle.position = particle.base = point;
		}

		// sin φ × p + cos φ × q for a random φ.
		Tuple3f RandomAcross(const Tuple3f& p, const Tuple3f& q)
		{
			const double phi = RandomAngle();
			return p * static_cast<float>(std::sin(phi)) + q * static_cast<float>(std::cos(phi));
		}
	}

	void Spawn_Position_Point::Apply(Particle& particle)
	{
		if (body != nullptr)
			PlaceAt(particle, ModelToWorld(*body, modelPos));
	}

	void Spawn_Position_Line::Attach(unsigned objectId)
	{
		OwnerBodySetter::Attach(objectId);
		direction = modelPos2 - modelPos1;
	}

	void Spawn_Position_Line::Apply(Particle& particle)
	{
		if (body != nullptr)
			PlaceAt(particle, ModelToWorld(*body, modelPos1 + direction * Rand01()));
	}

	void Spawn_Position_Circle::Apply(Particle& particle)
	{
		if (body == nullptr)
			return;
		Tuple3f p;
		Tuple3f q;
		CrossAxes(RotateToWorld(*body, modelDir), p, q);
		const Tuple3f across = RandomAcross(p, q);
		const float rho = RandomBetween(0.0f, rad);
		PlaceAt(particle, ModelToWorld(*body, modelPos) + across * rho);
	}

	void Spawn_Position_Sphere::Apply(Particle& particle)
	{
		if (body == nullptr)
			return;
		const float r = RandomBetween(0.0f, rad);
		PlaceAt(particle, ModelToWorld(*body, modelPos) + RandomSphereDirection() * r);
	}

	void Spawn_Position_Camera::Apply(Particle& particle)
	{
		if (camera != nullptr)
			PlaceAt(particle, camera->GetEyePosition() + camera->GetDirection() * distance);
	}

	void Spawn_Position_Camera_Circle::Apply(Particle& particle)
	{
		if (camera == nullptr)
			return;
		const Tuple3f& forward = camera->GetDirection();
		Tuple3f p;
		Tuple3f q;
		CrossAxes(forward, p, q);
		PlaceAt(particle, camera->GetEyePosition() + forward * distance + RandomAcross(p, q) * rad);
	}

	void Spawn_Position_Checkpoint::Attach(unsigned)
	{
		targetId = ObjectFromName(target).id;
	}

	void Spawn_Position_Checkpoint::Refresh()
	{
		targetBody = targetId != 0 ? FindBody(targetId) : nullptr;
	}

	void Spawn_Position_Checkpoint::Apply(Particle& particle)
	{
		if (targetBody == nullptr)
			return;
		particle.position = targetBody->GetPosition();
		particle.velocity += targetBody->velocity;
	}

	void Spawn_Position_Relative::Apply(Particle& particle)
	{
		if (body != nullptr)
			particle.base = particle.position - body->GetPosition();
	}

	void Spawn_Fire::Attach(unsigned objectId)
	{
		OwnerBodySetter::Attach(objectId);
		axis = modelDir.Normalize();
		u = PerpendicularVector(axis).Normalize();
		v = Cross(u, axis);
	}

	void Spawn_Fire::Refresh()
	{
		OwnerBodySetter::Refresh();
		if (body == nullptr)
			return;
		centre = ModelToWorld(*body, modelPos);
		worldAxis = RotateToWorld(*body, axis);
		worldU = RotateToWorld(*body, u);
		worldV = RotateToWorld(*body, v);
	}

	void Spawn_Fire::Apply(Particle& particle)
	{
		if (body == nullptr)
			return;
		const double phi = RandomAngle();
		const double s = std::sqrt(static_cast<double>(Rand01()));
		const float rho = static_cast<float>(radius * s);
		const Tuple3f across = worldV * static_cast<float>(std::cos(phi)) + worldU * static_cast<float>(std::sin(phi));
		PlaceAt(particle, centre + across * rho);
		particle.velocity = worldAxis * static_cast<float>(std::sqrt(std::max(1.0 - s * s, 0.0)));
	}
}
