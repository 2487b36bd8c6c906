#include "Systems/Particle/ParticleSetter.h"

#include "Components/Graphics/Camera.h"
#include "Components/Physics/Body.h"
#include "Object.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Random.h"

#include <cmath>

namespace
{
	bool AllFinite(std::initializer_list<float> values)
	{
		for (float value : values)
			if (!std::isfinite(value))
				return false;
		return true;
	}
}

bool Particle::IsFinite() const
{
	return AllFinite({base.x, base.y, base.z, position.x, position.y, position.z, velocity.x, velocity.y, velocity.z, scale,
		rotation.x, rotation.y, rotation.z, startColor.x, startColor.y, startColor.z, startColor.w, color.x, color.y, color.z,
		color.w, life});
}

void ParticleSetter::Deserialize(Serializer&)
{
}

void ParticleSetter::Serialize(Serializer&)
{
}

void ParticleSetter::Apply(Particle&)
{
}

void ParticleSetter::Attach(unsigned)
{
}

void ParticleSetter::Refresh()
{
}

namespace PS
{
	float Rand01()
	{
		return static_cast<float>((tw::Rand() % 10000) / 10000.0);
	}

	float RandomBetween(float a, float b)
	{
		return static_cast<float>(a + (static_cast<double>(b) - a) * Rand01());
	}

	float RandomAngle()
	{
		return static_cast<float>(6.2831854820251465 * Rand01());
	}

	Tuple3f RandomSphereDirection()
	{
		const double phi = RandomAngle();
		const double theta = RandomAngle();
		return Tuple3f(static_cast<float>(std::cos(theta) * std::sin(phi)), static_cast<float>(std::sin(theta) * std::sin(phi)),
			static_cast<float>(std::cos(phi)));
	}

	float TimeStep()
	{
		return Physics::Settings().timeStep;
	}

	RigidBody* FindBody(unsigned objectId)
	{
		const Body* body = static_cast<const Body*>(FindComponent(objectId, Body::TypeId()));
		return body != nullptr ? body->GetBody() : nullptr;
	}

	Camera* ActiveCamera()
	{
		const Graphics* graphics = Graphics::Find();
		return graphics != nullptr ? graphics->GetActiveCamera() : nullptr;
	}

	Tuple3f ModelToWorld(const RigidBody& body, const Tuple3f& point)
	{
		return body.transforms.world * point;
	}

	Tuple3f RotateToWorld(const RigidBody& body, const Tuple3f& direction)
	{
		return Quaternion::Rotate(body.orientation, direction);
	}

	void CrossAxes(const Tuple3f& axis, Tuple3f& p, Tuple3f& q)
	{
		p = PerpendicularVector(axis).Normalize();
		q = Cross(axis, p);
	}

	void Zero::Apply(Particle& particle)
	{
		particle = Particle();
		particle.startColor = particle.color = Tuple4f(1, 1, 1, 1);
	}
}
