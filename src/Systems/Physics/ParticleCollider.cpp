#include "Systems/Physics/ParticleCollider.h"

#include "Serializer.h"
#include "Utilities/DebugDraw.h"

namespace
{
	constexpr float kDrawnRadius = 0.1f;
}

int ParticleCollider::GetFeature(const Tuple3f&, Tuple3f* points) const
{
	points[0] = position;
	return 1;
}

bool ParticleCollision::Load(Serializer& serializer)
{
	serializer.Read(particle.mass);
	return true;
}

bool ParticleCollision::Save(Serializer& serializer)
{
	serializer.Write("Mass", particle.mass);
	return true;
}

void ParticleCollision::UpdateTransform()
{
	particle.position = GetPosition();
}

void ParticleCollision::UpdateBounds()
{
	const AABB box = particle.GetBounds();
	for (int axis = 0; axis < 3; ++axis)
	{
		bounds[axis] = box.min[axis];
		bounds[axis + 3] = box.max[axis];
	}
}

void ParticleCollision::ComputeMass(Matrix4& inverseInertia, float& mass, Tuple3f& centreOfMass)
{
	inverseInertia = Matrix4();
	mass = particle.mass;
	centreOfMass = Tuple3f();
}

void ParticleCollision::DebugDraw()
{
	::DebugDraw::DrawSphereUniform(particle.position, kDrawnRadius, Tuple4f(1.0f, 1.0f, 1.0f, 1.0f));
}
