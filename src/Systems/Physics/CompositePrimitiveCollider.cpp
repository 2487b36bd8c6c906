#include "Systems/Physics/CompositePrimitiveCollider.h"

#include "Components/Physics/PhysicsMaterial.h"
#include "Components/Transform.h"
#include "Serializer.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/AABB.h"
#include "Utilities/DebugDraw.h"
#include "Utilities/Inertia.h"
#include "Utilities/MathCommon.h"

#include <limits>

namespace
{
	constexpr float kDegreesToRadiansF = static_cast<float>(kDegreesToRadians);
	constexpr float kRadiansToDegreesF = static_cast<float>(kRadiansToDegrees);
	constexpr float kBoundsMargin = 0.0001f;
	// Below this a mass counts as none.
	constexpr float kMassEpsilon = 1.1920929e-07f;

	Tuple3f Times(const Tuple3f& a, const Tuple3f& b)
	{
		return {a.x * b.x, a.y * b.y, a.z * b.z};
	}
}

void CompositePrimitiveCollider::Initialize()
{
	for (PrimitiveCollider& piece : primitives)
		piece.owner = this;
}

bool CompositePrimitiveCollider::Load(Serializer& serializer)
{
	bool unitPiece = false;
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		std::string shape;
		Tuple3f offset, rotation, scale;
		serializer.Read(shape).Read(offset).Read(rotation).Read(scale);
		primitives.emplace_back(scale, shape, offset, rotation * kDegreesToRadiansF);
		unitPiece = IsUnitPiece(scale, offset, rotation);
		serializer.LeaveNode();
	}
	isSingleUnit = primitives.size() == 1 && unitPiece;
	return true;
}

bool CompositePrimitiveCollider::IsUnitPiece(const Tuple3f& scale, const Tuple3f& offset, const Tuple3f& rotation)
{
	return scale == Tuple3f(1.0f, 1.0f, 1.0f) && offset == Tuple3f() && rotation == Tuple3f();
}

bool CompositePrimitiveCollider::Save(Serializer& serializer)
{
	for (const PrimitiveCollider& piece : primitives)
	{
		serializer.EnterNode("", "Collider");
		serializer.Write("Primitive", piece.shapeName);
		serializer.Write("Offset", piece.offset);
		serializer.Write("Rotation", QuaternionToRotationVector(piece.orientation) * kRadiansToDegreesF);
		serializer.Write("Scale", piece.scale);
		serializer.LeaveNode();
	}
	return true;
}

void CompositePrimitiveCollider::UpdateTransform()
{
	if (body == nullptr)
		return;
	if (isSingleUnit && !primitives.empty())
	{
		PrimitiveCollider& piece = primitives.front();
		piece.worldMatrix = body->transforms.world;
		piece.inverseMatrix = body->transforms.inverse;
		piece.directionMatrix = body->transforms.direction;
		piece.worldOrientation = body->orientation;
		return;
	}
	for (PrimitiveCollider& piece : primitives)
		piece.UpdateTransform(*body);
}

void CompositePrimitiveCollider::UpdateBounds()
{
	Tuple3f low(kUnboundedDistance, kUnboundedDistance, kUnboundedDistance);
	Tuple3f high = -low;
	for (const PrimitiveCollider& piece : primitives)
		for (int axis = 0; axis < 3; ++axis)
			for (const float sign : {1.0f, -1.0f})
			{
				Tuple3f direction;
				direction[axis] = sign;
				const Tuple3f point = piece.Support(direction);
				for (int k = 0; k < 3; ++k)
				{
					low[k] = std::min(low[k], point[k]);
					high[k] = std::max(high[k], point[k]);
				}
			}
	for (int k = 0; k < 3; ++k)
	{
		bounds[k] = low[k] - kBoundsMargin;
		bounds[k + 3] = high[k] + kBoundsMargin;
	}
}

Tuple3f CompositePrimitiveCollider::PieceCentroid(const PrimitiveCollider& piece)
{
	return Quaternion::Rotate(piece.orientation, Times(ShapeCentroids[piece.shapeIndex], piece.scale)) + piece.offset;
}

Tuple3f CompositePrimitiveCollider::ObjectScale() const
{
	return body != nullptr && body->transform != nullptr ? body->transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
}

void CompositePrimitiveCollider::ComputeMass(Matrix4& inverseInertia, float& mass, Tuple3f& centreOfMass)
{
	const Tuple3f objectScale = ObjectScale();
	const float density = PhysicsMaterial::DensityOf(ownerId);
	mass = 0.0f;
	centreOfMass = Tuple3f();
	inverseInertia = Matrix4();
	isStatic = true;
	radius = 0.5f * static_cast<float>(objectScale.Length());
	for (PrimitiveCollider& piece : primitives)
		piece.radius = 0.5f * static_cast<float>(Times(piece.scale, objectScale).Length());
	if (body != nullptr && body->HasFlag(kBodyLogic))
		isStatic = false;
	if (density == 0.0f)
		return;

	Tuple3f weighted;
	for (const PrimitiveCollider& piece : primitives)
	{
		const float pieceMass = density * piece.GetVolume(Times(piece.scale, objectScale));
		mass += pieceMass;
		weighted += PieceCentroid(piece) * pieceMass;
	}
	// Without mass the centre stays at the body origin rather than become the largest float.
	if (std::fabs(mass) > kMassEpsilon)
		centreOfMass = weighted / mass;
	// Each piece's inertia is moved to the centre of mass (in the object's scaled frame), not to
	// the body origin, which would make off-centre shapes far too hard to turn.
	Matrix4 inertia;
	for (const PrimitiveCollider& piece : primitives)
	{
		const Tuple3f size = Times(piece.scale, objectScale);
		InertiaTensor::TransformToBody(inertia, Times(PieceCentroid(piece) - centreOfMass, objectScale),
			static_cast<InertiaShape>(piece.shapeIndex), size, piece.orientation, density * piece.GetVolume(size));
	}
	inverseInertia = InertiaTensor::Invert(inertia);
	isStatic = false;
}

float CompositePrimitiveCollider::GetVolume() const
{
	const Tuple3f objectScale = ObjectScale();
	float volume = 0.0f;
	for (const PrimitiveCollider& piece : primitives)
		volume += piece.GetVolume(Times(piece.scale, objectScale));
	return volume;
}

void CompositePrimitiveCollider::DebugDraw()
{
	const Physics* physics = Physics::Instance();
	if (physics == nullptr || !physics->IsDebugDrawing() || body == nullptr)
		return;
	Tuple4f colour(0.0f, 0.0f, 1.0f, 1.0f);
	if (body->inverseMass == 0.0f && !body->HasFlag(kBodyLogic))
		colour = Tuple4f(1.0f, 1.0f, 1.0f, 1.0f);
	else if (body->staticMarker)
		colour = Tuple4f(1.0f, 0.0f, 0.0f, 1.0f);
	else if (body->IsAsleep())
		colour = Tuple4f(0.0f, 1.0f, 0.0f, 1.0f);
	const Tuple3f objectScale = ObjectScale();
	for (const PrimitiveCollider& piece : primitives)
	{
		const Tuple3f centre(piece.worldMatrix.At(0, 3), piece.worldMatrix.At(1, 3), piece.worldMatrix.At(2, 3));
		DebugDraw::DrawShape(piece.shapeIndex, centre, body->orientation * piece.orientation, Times(piece.scale, objectScale),
			colour);
	}
	AABB{Tuple3f(bounds[0], bounds[1], bounds[2]), Tuple3f(bounds[3], bounds[4], bounds[5])}.DebugDraw(colour);
}

void CompositePrimitiveCollider::GetGeometries(const float*, std::vector<ConvexGeometry*>& out)
{
	for (PrimitiveCollider& piece : primitives)
		out.push_back(&piece);
}

std::vector<Tuple3f> CompositePrimitiveCollider::GetVertices() const
{
	const Quaternion orientation = body != nullptr ? body->orientation : Quaternion();
	const Tuple3f position = body != nullptr ? body->GetPosition() : Tuple3f();
	const Matrix4 world = Matrix4::FromTransform(position, ObjectScale(), orientation);
	std::vector<Tuple3f> vertices;
	for (const PrimitiveCollider& piece : primitives)
		for (const Tuple3f& vertex : piece.GetVertices())
			vertices.push_back(world * vertex);
	return vertices;
}

std::vector<IndexTriple> CompositePrimitiveCollider::GetIndices() const
{
	std::vector<IndexTriple> indices;
	unsigned base = 0;
	for (const PrimitiveCollider& piece : primitives)
	{
		for (IndexTriple triple : piece.GetIndices())
			indices.push_back({triple.a + base, triple.b + base, triple.c + base});
		base += static_cast<unsigned>(piece.GetVertices().size());
	}
	return indices;
}
