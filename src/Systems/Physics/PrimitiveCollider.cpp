#include "Systems/Physics/PrimitiveCollider.h"

#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/HashMap.h"
#include "Utilities/Inertia.h"

#include <algorithm>
#include <cctype>
#include <iostream>

namespace
{
	tw::hash_map<std::string, int>& PrimitiveShapeMap()
	{
		static tw::hash_map<std::string, int> map = [] {
			tw::hash_map<std::string, int> names;
			names["sphere"] = kShapeSphere;
			names["cube"] = kShapeCube;
			names["cone"] = kShapeCone;
			names["cylinder"] = kShapeCylinder;
			names["plane"] = kShapePlane;
			return names;
		}();
		return map;
	}

	std::string LowerCase(std::string text)
	{
		std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
		return text;
	}

	// The linear part of a matrix, without translation.
	Tuple3f Linear(const Matrix4& m, const Tuple3f& v)
	{
		Matrix4 linear = m;
		linear.At(0, 3) = linear.At(1, 3) = linear.At(2, 3) = 0.0f;
		return linear * v;
	}
}

int ShapeFromPrimitiveName(const std::string& name)
{
	const std::string key = LowerCase(name);
	auto& map = PrimitiveShapeMap();
	const auto found = map.find(key);
	if (found != map.end())
		return found->second;
	// Entered as a sphere, so the report comes once per unknown name.
	std::cerr << "Primitive collider: \"" << name << "\" is no shape (sphere, cube, cone, cylinder, plane); a sphere stands in\n";
	return map[key] = kShapeSphere;
}

int GeometryKindOfShape(int shapeIndex)
{
	static constexpr int kKinds[kShapeCount] = {kGeometrySphere, kGeometryCube, kGeometryCone, kGeometryCylinder,
		kGeometryPlane};
	return shapeIndex >= 0 && shapeIndex < kShapeCount ? kKinds[shapeIndex] : kGeometrySphere;
}

PrimitiveCollider::PrimitiveCollider(const Tuple3f& scale, const std::string& shapeName, const Tuple3f& offset,
	const Tuple3f& rotation)
	: shapeName(LowerCase(shapeName)),
	  shapeIndex(ShapeFromPrimitiveName(shapeName)),
	  scale(scale),
	  orientation(QuaternionFromRotationVector(rotation)),
	  offset(offset),
	  worldOrientation(orientation)
{
	geometryKind = GeometryKindOfShape(shapeIndex);
}

Tuple3f PrimitiveCollider::Support(const Tuple3f& direction) const
{
	return worldMatrix * UnitShape::Support(shapeIndex, directionMatrix * direction);
}

float PrimitiveCollider::RayCast(const Tuple3f& origin, const Tuple3f& direction) const
{
	Tuple3f localHit;
	if (!UnitShape::RayCast(shapeIndex, inverseMatrix * origin, Linear(inverseMatrix, direction), localHit))
		return kRayMiss;
	// The ray's own parameter, as the triangles answer: one unit for every collider.
	return (worldMatrix * localHit - origin).DotProduct(direction) / direction.LengthSquared();
}

Tuple3f PrimitiveCollider::GetNormal(const Tuple3f& point) const
{
	return Linear(inverseMatrix.Transpose(), UnitShape::Normal(shapeIndex, inverseMatrix * point));
}

Tuple3f PrimitiveCollider::GetCentre() const
{
	return {worldMatrix.At(0, 3), worldMatrix.At(1, 3), worldMatrix.At(2, 3)};
}

int PrimitiveCollider::GetFeature(const Tuple3f& direction, Tuple3f* points) const
{
	const PhysicsSettings& settings = Physics::Settings();
	const int count = UnitShape::Feature(shapeIndex, directionMatrix * direction,
		Quaternion::InverseRotate(worldOrientation, direction), settings.epaToleranceCos, settings.epaToleranceSin, points);
	for (int i = 0; i < count; ++i)
		points[i] = worldMatrix * points[i];
	return count;
}

void PrimitiveCollider::UpdateTransform(const RigidBody& body)
{
	const ShapeTransforms placed = ShapeTransforms::From(offset, scale, orientation).Within(body.transforms);
	worldMatrix = placed.world;
	inverseMatrix = placed.inverse;
	directionMatrix = placed.direction;
	worldOrientation = body.orientation * orientation;
}

float PrimitiveCollider::GetVolume(const Tuple3f& size) const
{
	return UnitShape::Volume(shapeIndex, size);
}

void PrimitiveCollider::ComputeInertia(const Tuple3f& size, float mass, Matrix4& tensor) const
{
	InertiaTensor::FromShape(static_cast<InertiaShape>(shapeIndex), size, mass, tensor);
}

std::vector<Tuple3f> PrimitiveCollider::GetVertices() const
{
	std::vector<Tuple3f> vertices;
	for (const Tuple3f& v : UnitShape::NavigationVertices(shapeIndex))
		vertices.push_back(Quaternion::Rotate(orientation, Tuple3f(scale.x * v.x, scale.y * v.y, scale.z * v.z)) + offset);
	return vertices;
}

std::vector<IndexTriple> PrimitiveCollider::GetIndices() const
{
	return UnitShape::NavigationTriangles(shapeIndex);
}
