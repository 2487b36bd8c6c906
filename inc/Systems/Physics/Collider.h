// Collider and ConvexGeometry. A Collider is what a rigid body collides with: it knows its body and
// owner, its world bounds and radius, computes the body's mass properties, answers ray tests and
// hands the narrow phase its convex pieces. A ConvexGeometry is one such piece: a support mapping in
// world space, a ray test, a surface normal and the contact feature facing a direction.
#pragma once

#include "Object.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

class Serializer;
struct ContactPoint;
struct RigidBody;
class Collider;

// The row and column of a piece in the shape-pair table.
enum GeometryKind : int
{
	kGeometryCube = 0,
	kGeometryCone = 1,
	kGeometryCylinder = 2,
	kGeometrySphere = 3,
	kGeometryPlane = 4,
	kGeometryTriangle = 5,
	// A point mass: it answers only Support, GetCentre and GetFeature, so only GJK serves its pairs.
	kGeometryParticle = 6,
};

// One triangle of a navigation-mesh export, as indices into the exported vertices.
struct IndexTriple
{
	unsigned a = 0;
	unsigned b = 0;
	unsigned c = 0;

	bool operator==(const IndexTriple&) const = default;
};

// A ray parameter that stands for "no hit yet": farther than anything in a level.
constexpr float kUnboundedDistance = 1e12f;
// What every ray test answers for a miss.
constexpr float kRayMiss = -1.0f;

class ConvexGeometry
{
public:
	// Most features have fewer; a cylinder cap gives six points.
	static constexpr int kMaxFeaturePoints = 6;

	ConvexGeometry() = default;
	ConvexGeometry(const ConvexGeometry&) = default;
	ConvexGeometry& operator=(const ConvexGeometry&) = default;
	virtual ~ConvexGeometry() = default;

	// The world point of the piece farthest along the direction (which need not be unit length).
	virtual Tuple3f Support(const Tuple3f& direction) const = 0;
	// The parameter t of the first hit, origin + t · direction, kRayMiss when the ray misses.
	virtual float RayCast(const Tuple3f& origin, const Tuple3f& direction) const = 0;
	// The surface normal at a world point of the surface, not normalised.
	virtual Tuple3f GetNormal(const Tuple3f& point) const = 0;
	virtual Tuple3f GetCentre() const = 0;
	virtual float GetRadius() const { return radius; }
	// Lets a piece veto or adjust a contact; only the triangle does.
	virtual void FilterContact(ContactPoint&) const {}
	// The face, edge or vertex facing the world direction: fills up to kMaxFeaturePoints world
	// points and returns their count.
	virtual int GetFeature(const Tuple3f& direction, Tuple3f* points) const = 0;

	// A GeometryKind.
	int geometryKind = kGeometrySphere;
	// The collider that holds this piece; null until the collider sets it.
	Collider* owner = nullptr;
	// Bounding radius, for the shape query.
	float radius = 0.0f;
};

class Collider
{
public:
	Collider() = default;
	Collider(const Collider&) = default;
	Collider& operator=(const Collider&) = default;
	virtual ~Collider() = default;

	virtual ConvexGeometry* GetGeometry(unsigned index) = 0;
	virtual const ConvexGeometry* GetGeometry(unsigned index) const = 0;
	virtual unsigned GetGeometryCount() const = 0;
	// The world position of the body's Transform; the origin when there is none.
	virtual Tuple3f GetPosition() const;
	virtual float GetRadius() const { return radius; }
	// Minimum x, y, z, then maximum x, y, z, in world space.
	virtual const float* GetBounds() const { return bounds; }
	virtual void SetBody(RigidBody* newBody) { body = newBody; }
	virtual RigidBody* GetBody() { return body; }
	virtual const RigidBody* GetBody() const { return body; }
	virtual void SetOwnerId(unsigned id) { ownerId = id; }
	// The "Dummy" object once the owner has gone; never null.
	virtual Object GetOwner() const;
	// Once, when the body starts, after its mass and world shape are computed.
	virtual void Initialize() = 0;
	// Reads the collider's own keys; false, naming what failed, on bad data.
	virtual bool Load(Serializer& serializer) = 0;
	virtual bool Save(Serializer& serializer) = 0;
	// Refreshes the pieces' world matrices from the body.
	virtual void UpdateTransform() = 0;
	virtual void UpdateBounds() = 0;
	// The inverse inertia tensor in the body frame (all zero without mass), the mass and the
	// centre of mass in the body frame.
	virtual void ComputeMass(Matrix4& inverseInertia, float& mass, Tuple3f& centreOfMass) = 0;
	virtual float GetVolume() const = 0;
	// A new, empty collider of the same class.
	virtual Collider* Clone() const = 0;
	virtual void DebugDraw() = 0;
	// Appends the pieces that may touch the box (minimum x, y, z, maximum x, y, z).
	virtual void GetGeometries(const float* box, std::vector<ConvexGeometry*>& out) = 0;
	// The smallest strictly positive parameter of all pieces' hits; kRayMiss when none.
	virtual float RayCast(const Tuple3f& origin, const Tuple3f& direction) const;
	// As RayCast for a hit at or before farthest; beyond it, either that hit or kRayMiss. A collider
	// of many pieces can then stop its search early.
	virtual float RayCastWithin(const Tuple3f& origin, const Tuple3f& direction, [[maybe_unused]] float farthest) const
	{
		return RayCast(origin, direction);
	}
	// World-space vertices and triangles for the navigation mesh.
	virtual std::vector<Tuple3f> GetVertices() const = 0;
	virtual std::vector<IndexTriple> GetIndices() const = 0;

	// Links of the detection stage's intrusive collider lists.
	Collider* next = nullptr;
	Collider* prev = nullptr;
	// The prototype's registered type name.
	std::string typeName;
	RigidBody* body = nullptr;
	unsigned ownerId = 0;
	// No mass: filed in the static tree rather than the sweep-and-prune.
	bool isStatic = false;
	float bounds[6]{};
	float radius = 0.0f;
};
