#include "Systems/Physics/DetectionManager.h"

#include "Components/Physics/GlobalConnection.h"
#include "Systems/Physics/CompositePrimitiveCollider.h"
#include "Systems/Physics/ParticleCollider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/PrimitiveCollider.h"
#include "Systems/Physics/RigidBody.h"
#include "Systems/Physics/ShapeCast.h"
#include "Systems/Physics/StaticTriangleMesh.h"
#include "Systems/Physics/TransgressionManager.h"
#include "Utilities/HashMap.h"

#include <algorithm>

namespace
{
	tw::hash_map<std::string, std::unique_ptr<Collider>>& ColliderPrototypes()
	{
		static tw::hash_map<std::string, std::unique_ptr<Collider>> prototypes;
		return prototypes;
	}

	AABB BoxOfBounds(const float* bounds)
	{
		return {Tuple3f(bounds[0], bounds[1], bounds[2]), Tuple3f(bounds[3], bounds[4], bounds[5])};
	}

	AABB BoxOf(const Collider& collider)
	{
		return BoxOfBounds(collider.GetBounds());
	}

	// The leaf test of the static tree: the answer of the list walk for one collider.
	float RayTestCollider(AABBTree::UserData data, const Tuple3f* origin, const Tuple3f* direction, float farthest)
	{
		const auto* collider = static_cast<const Collider*>(data);
		const RigidBody* body = collider->GetBody();
		if (body != nullptr && body->HasFlag(kBodyController))
			return kRayMiss;
		const float t = collider->RayCastWithin(*origin, *direction, farthest);
		return t > 0.0f ? t : kRayMiss;
	}

	// The nearest hit of a tree of colliders as the list walk answers it: the parameter, the body.
	float RayCastTree(const AABBTree& tree, const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody,
		float farthest = AABBTree::kNoHitYet)
	{
		AABBTree::UserData hit = nullptr;
		const float t = tree.RayCast(origin, direction, hit, farthest);
		if (hit == nullptr || !(t > 0.0f))
			return kRayMiss;
		if (hitBody != nullptr)
			*hitBody = const_cast<RigidBody*>(static_cast<const Collider*>(hit)->GetBody());
		return t;
	}

	bool SpheresTouch(float radiusA, const Tuple3f& centreA, float radiusB, const Tuple3f& centreB)
	{
		const float reach = radiusA + radiusB;
		return reach * reach >= (centreB - centreA).LengthSquared();
	}

	// Whether a sphere reaches a collider's bounding box: the box holds every piece wherever it
	// sits, which a sphere about the body origin does not.
	bool SphereTouchesBounds(const Tuple3f& centre, float radius, const float* bounds)
	{
		float distanceSquared = 0.0f;
		for (int axis = 0; axis < 3; ++axis)
		{
			const float outside = std::max({bounds[axis] - centre[axis], centre[axis] - bounds[axis + 3], 0.0f});
			distanceSquared += outside * outside;
		}
		return distanceSquared <= radius * radius;
	}

	bool SpheresTouch(const ConvexGeometry& a, const ConvexGeometry& b)
	{
		return SpheresTouch(a.GetRadius(), a.GetCentre(), b.GetRadius(), b.GetCentre());
	}

	// Pairs that must not collide: both asleep, or one the other's collision parent.
	bool Skipped(const RigidBody* a, const RigidBody* b)
	{
		return a == nullptr || b == nullptr || a == b || (a->IsAsleep() && b->IsAsleep()) || a->collisionParent == b ||
			b->collisionParent == a;
	}

	// On none of the axes (x, z, y) does one box start strictly beyond the other's end.
	bool BoundsOverlap(const float* a, const float* b)
	{
		for (int axis : {0, 2, 1})
			if (a[axis] > b[axis + 3] || b[axis] > a[axis + 3])
				return false;
		return true;
	}

	// The shape names by geometry kind, the numbering of the shape query.
	constexpr const char* kShapeOfKind[] = {"cube", "cone", "cylinder", "sphere", "plane"};
	constexpr int kQueryKinds = sizeof(kShapeOfKind) / sizeof(kShapeOfKind[0]);
}

const Collider* ColliderPrototypeLookup(const std::string& typeName)
{
	const auto found = ColliderPrototypes().find(typeName);
	return found != ColliderPrototypes().end() ? found->second.get() : nullptr;
}

void RegisterColliderPrototype(const std::string& typeName, std::unique_ptr<Collider> prototype)
{
	std::unique_ptr<Collider>& slot = ColliderPrototypes()[typeName];
	if (slot != nullptr)
		return;
	prototype->typeName = typeName;
	slot = std::move(prototype);
}

DetectionManager::DetectionManager(TransgressionManager* transgression) : transgression(transgression)
{
	staticGeometries.reserve(1000);
	narrowPhase.SetContactMargin(kContactMargin);
}

void DetectionManager::Initialize()
{
	GlobalConnection::Register();
	InstallConnectionReaderPhysics();
	RegisterColliderPrototype("CompositePrimitive", std::make_unique<CompositePrimitiveCollider>());
	RegisterColliderPrototype("StaticTriangleMesh", std::make_unique<StaticTriangleMesh>());
	RegisterColliderPrototype("ParticleCollision", std::make_unique<ParticleCollision>());
	sweepPrune.AddAxis("X", 0);
	sweepPrune.AddAxis("Z", 2);
	sweepPrune.AddAxis("Y", 1);
}

void DetectionManager::Release()
{
	sweepPrune.Clear();
	ColliderPrototypes().clear();
}

void DetectionManager::Start()
{
	staticTree.Clear();
	staticLeaves.clear();
	dynamicColliders.Clear();
	movingTreeStale = true;
	staticColliders.Clear();
	pendingColliders.clear();
	sweepPrune.Clear();
	staticTree.SetCollectFlag(true);
}

void DetectionManager::OnLevelLoaded()
{
	FilePending();
	staticTree.Build();
}

void DetectionManager::Shutdown()
{
	staticTree.Clear();
	staticLeaves.clear();
	movingTree.Clear();
	movingTreeStale = true;
}

void DetectionManager::OnUnloadingLevel()
{
	sweepPrune.Clear();
}

void DetectionManager::AddCollider(Collider* collider)
{
	if (collider != nullptr)
		pendingColliders.push_back(collider);
}

void DetectionManager::RemoveCollider(Collider* collider)
{
	if (collider == nullptr)
		return;
	if (const auto pending = std::find(pendingColliders.begin(), pendingColliders.end(), collider);
		pending != pendingColliders.end())
	{
		pendingColliders.erase(pending);
		return;
	}
	if (const auto found = staticLeaves.find(collider); found != staticLeaves.end())
	{
		staticTree.RemoveNode(found->second.leaf);
		staticLeaves.erase(found);
		staticColliders.Remove(*collider);
		return;
	}
	if (!dynamicColliders.Contains(*collider))
		return;
	dynamicColliders.Remove(*collider);
	movingTreeStale = true;
	sweepPrune.Remove(collider);
}

void DetectionManager::FileStatic(Collider& collider)
{
	staticColliders.Append(collider);
	StaticLeaf& entry = staticLeaves[&collider];
	entry.box = BoxOf(collider);
	entry.leaf = staticTree.Insert(&entry.box, &collider, RayTestCollider);
}

void DetectionManager::FilePending()
{
	for (Collider* collider : pendingColliders)
	{
		if (collider->isStatic)
		{
			FileStatic(*collider);
			continue;
		}
		dynamicColliders.Append(*collider);
		movingTreeStale = true;
		sweepPrune.Insert(collider, collider->GetBounds());
	}
	pendingColliders.clear();
}

void DetectionManager::FilePendingAndCollide()
{
	// By index: a "CollisionEnd" handler of this very filing may add colliders, which join it.
	for (std::size_t index = 0; index < pendingColliders.size(); ++index)
	{
		Collider* collider = pendingColliders[index];
		if (collider->isStatic)
		{
			FileStatic(*collider);
			continue;
		}
		for (Collider* other = dynamicColliders.first; other != nullptr; other = other->next)
			if (BoundsOverlap(collider->GetBounds(), other->GetBounds()) && !Skipped(collider->GetBody(), other->GetBody()))
				CollidePair(*collider, *other);
		CollideWithStatic(*collider);
		dynamicColliders.Append(*collider);
		movingTreeStale = true;
		sweepPrune.Insert(collider, collider->GetBounds());
	}
	pendingColliders.clear();
}

void DetectionManager::Update()
{
	FilePending();
	sweepPrune.Update();
	for (const auto& pair : sweepPrune.GetPairs())
	{
		// The pair's first key was filed first: the later collider is the outer one.
		auto* inner = static_cast<Collider*>(const_cast<void*>(pair.first.first));
		auto* outer = static_cast<Collider*>(const_cast<void*>(pair.first.second));
		if (!Skipped(outer->GetBody(), inner->GetBody()))
			CollidePair(*outer, *inner);
	}
	for (Collider* collider = dynamicColliders.first; collider != nullptr; collider = collider->next)
		CollideWithStatic(*collider);
}

void DetectionManager::AddContacts(CollisionManifold*& manifold, RigidBody& first, RigidBody& second,
	const ConvexGeometry& a, const ConvexGeometry& b)
{
	if (manifold == nullptr)
	{
		manifold = transgression->FindOrCreateManifold(first, second);
		// A full manifold pool refuses the pair for this step.
		if (manifold == nullptr)
			return;
		manifold->ClearContacts();
	}
	narrowPhase.GenerateContactManifold(a, b, *manifold);
}

void DetectionManager::Settle(CollisionManifold* manifold, RigidBody& first, RigidBody& second)
{
	if (manifold == nullptr)
		return;
	if (manifold->contacts.count == 0)
	{
		transgression->DestroyManifold(*manifold);
		return;
	}
	manifold->ghost = first.HasFlag(kBodyGhost) || second.HasFlag(kBodyGhost);
	manifold->body0 = &first;
	manifold->body1 = &second;
	manifold->touched = true;
}

void DetectionManager::CollidePair(Collider& outer, Collider& inner)
{
	RigidBody& outerBody = *outer.GetBody();
	RigidBody& innerBody = *inner.GetBody();
	CollisionManifold* manifold = nullptr;
	bool refused = false;
	for (unsigned j = 0; j < inner.GetGeometryCount() && !refused; ++j)
	{
		const ConvexGeometry& b = *inner.GetGeometry(j);
		for (unsigned i = 0; i < outer.GetGeometryCount(); ++i)
		{
			const ConvexGeometry& a = *outer.GetGeometry(i);
			if (!SpheresTouch(a, b) || !narrowPhase.TestPair(b, a))
				continue;
			AddContacts(manifold, innerBody, outerBody, b, a);
			if (manifold == nullptr)
			{
				refused = true;
				break;
			}
		}
	}
	Settle(manifold, innerBody, outerBody);
}

void DetectionManager::CollideWithStatic(Collider& collider)
{
	const RigidBody* body = collider.GetBody();
	if (body == nullptr || body->IsAsleep())
		return;
	for (Collider* staticCollider : StaticCollidersIn(BoxOf(collider)))
	{
		staticGeometries.clear();
		staticCollider->GetGeometries(collider.GetBounds(), staticGeometries);
		CollideWithPieces(collider, staticGeometries);
	}
}

const std::vector<Collider*>& DetectionManager::StaticCollidersIn(const AABB& box)
{
	staticHits.clear();
	if (staticColliders.count == 0)
		return staticHits;
	// Until the level has loaded the tree only collects its leaves: the list answers instead.
	if (staticTree.IsCollecting())
	{
		for (Collider* collider = staticColliders.first; collider != nullptr; collider = collider->next)
			if (BoxOf(*collider).Overlaps(box))
				staticHits.push_back(collider);
		return staticHits;
	}
	treeHits.clear();
	staticTree.QueryBox(box, treeHits);
	for (const AABBTree::LeafNode* leaf : treeHits)
		staticHits.push_back(static_cast<Collider*>(leaf->data));
	return staticHits;
}

const std::vector<Collider*>& DetectionManager::StoppingStaticCollidersIn(const AABB& box, const RigidBody& moving)
{
	StaticCollidersIn(box);
	// Only what the contacts would stop: a trigger passes a body, and so does the body itself.
	std::erase_if(staticHits, [&moving](const Collider* collider) {
		const RigidBody* body = collider->GetBody();
		return body == nullptr || body == &moving || body->HasFlag(kBodyGhost);
	});
	return staticHits;
}

void DetectionManager::CollideWithPieces(Collider& moving, const std::vector<ConvexGeometry*>& pieces)
{
	if (pieces.empty() || pieces.front()->owner == nullptr || pieces.front()->owner->GetBody() == nullptr)
		return;
	RigidBody& movingBody = *moving.GetBody();
	RigidBody& staticBody = *pieces.front()->owner->GetBody();
	if (&movingBody == &staticBody)
		return;
	CollisionManifold* manifold = nullptr;
	for (unsigned i = 0; i < moving.GetGeometryCount(); ++i)
	{
		const ConvexGeometry& a = *moving.GetGeometry(i);
		for (const ConvexGeometry* piece : pieces)
		{
			if (!SpheresTouch(a, *piece) || !narrowPhase.TestPair(a, *piece))
				continue;
			AddContacts(manifold, movingBody, staticBody, a, *piece);
			if (manifold == nullptr)
				return;
		}
	}
	Settle(manifold, movingBody, staticBody);
}

float DetectionManager::RayCastColliderList(const PhysicsList<Collider>& colliders, const Tuple3f& origin,
	const Tuple3f& direction, RigidBody** hitBody)
{
	float best = kUnboundedDistance;
	const Collider* hit = nullptr;
	for (const Collider* collider = colliders.first; collider != nullptr; collider = collider->next)
	{
		const RigidBody* body = collider->GetBody();
		if (body != nullptr && body->HasFlag(kBodyController))
			continue;
		const float t = collider->RayCast(origin, direction);
		if (t > 0.0f && t < best)
		{
			best = t;
			hit = collider;
		}
	}
	if (hit == nullptr)
		return kRayMiss;
	if (hitBody != nullptr)
		*hitBody = const_cast<RigidBody*>(hit->GetBody());
	// Every collider, primitive or mesh triangle, answers the ray's own parameter (the hit lies at
	// origin + direction · t); answered as (hit − origin) · direction, a hit would be scaled by the
	// wrong length whenever the direction is not a unit vector.
	return best;
}

float DetectionManager::RayCastStatic(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody,
	float farthest) const
{
	// Until the level has loaded the tree only collects its leaves: the list answers instead.
	if (staticTree.IsCollecting())
		return RayCastColliderList(staticColliders, origin, direction, hitBody);
	return RayCastTree(staticTree, origin, direction, hitBody, farthest);
}

float DetectionManager::CastStatic(const Collider& moving, const Quaternion& orientation, const Tuple3f& step,
	CastStop* stop)
{
	if (stop != nullptr)
		*stop = CastStop();
	const RigidBody* body = moving.GetBody();
	if (body == nullptr)
		return ShapeCast::kFree;
	const float* bounds = moving.GetBounds();
	float swept[6];
	for (int axis = 0; axis < 3; ++axis)
	{
		swept[axis] = bounds[axis] + std::min(step[axis], 0.0f);
		swept[axis + 3] = bounds[axis + 3] + std::max(step[axis], 0.0f);
	}
	const int iterations = Physics::Settings().gjkIterations;
	float first = ShapeCast::kFree;
	for (Collider* collider : StoppingStaticCollidersIn(BoxOfBounds(swept), *body))
	{
		staticGeometries.clear();
		collider->GetGeometries(swept, staticGeometries);
		for (unsigned i = 0; i < moving.GetGeometryCount(); ++i)
			for (const ConvexGeometry* piece : staticGeometries)
			{
				CastStop pieceStop;
				const float touch =
					ShapeCast::FirstTouch(queryWork, *moving.GetGeometry(i), orientation, step, *piece, iterations, &pieceStop);
				if (touch < first && stop != nullptr)
					*stop = pieceStop;
				first = std::min(first, touch);
			}
	}
	return first;
}

void DetectionManager::WaysOutOfStatic(const Collider& moving, std::vector<Tuple3f>& ways)
{
	ways.clear();
	const RigidBody* body = moving.GetBody();
	if (body == nullptr)
		return;
	const float* bounds = moving.GetBounds();
	const int iterations = Physics::Settings().gjkIterations;
	for (Collider* collider : StoppingStaticCollidersIn(BoxOfBounds(bounds), *body))
	{
		staticGeometries.clear();
		collider->GetGeometries(bounds, staticGeometries);
		for (unsigned i = 0; i < moving.GetGeometryCount(); ++i)
			for (const ConvexGeometry* piece : staticGeometries)
			{
				const Tuple3f out = ShapeCast::WayOut(queryWork, *moving.GetGeometry(i), *piece, iterations);
				if (out != Tuple3f())
					ways.push_back(out);
			}
	}
}

float DetectionManager::CrossStoppingStatic(const Tuple3f& origin, const Tuple3f& step, const RigidBody& moving,
	Tuple3f* normal)
{
	const Tuple3f end = origin + step;
	const float segment[6] = {std::min(origin.x, end.x), std::min(origin.y, end.y), std::min(origin.z, end.z),
		std::max(origin.x, end.x), std::max(origin.y, end.y), std::max(origin.z, end.z)};
	float nearest = kRayMiss;
	for (Collider* collider : StoppingStaticCollidersIn(BoxOfBounds(segment), moving))
	{
		staticGeometries.clear();
		collider->GetGeometries(segment, staticGeometries);
		for (const ConvexGeometry* piece : staticGeometries)
		{
			const float t = piece->RayCast(origin, step);
			if (!(t > 0.0f) || t > 1.0f || (nearest != kRayMiss && t >= nearest))
				continue;
			// A plane or a triangle is crossed either way; a solid only going in, as a point
			// inside may always leave it.
			const bool surface = piece->geometryKind == kGeometryPlane || piece->geometryKind == kGeometryTriangle;
			const Tuple3f across = piece->GetNormal(origin + step * t);
			if (!surface && across.DotProduct(step) >= 0.0f)
				continue;
			nearest = t;
			if (normal != nullptr)
				*normal = across.Normalize();
		}
	}
	return nearest;
}

float DetectionManager::RayCastMoving(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody,
	float farthest)
{
	if (dynamicColliders.first == nullptr)
		return kRayMiss;
	const bool moved = movingTreeGeneration != RigidBody::placementGeneration;
	if (movingTreeStale || (moved && movingTreeRefits >= kRefitsPerBuild))
		RebuildMovingTree();
	else if (moved)
		RefitMovingTree();
	return RayCastTree(movingTree, origin, direction, hitBody, farthest);
}

void DetectionManager::MeasureMovingBoxes()
{
	movingBoxes.resize(dynamicColliders.count);
	std::size_t index = 0;
	for (const Collider* collider = dynamicColliders.first; collider != nullptr; collider = collider->next)
		movingBoxes[index++] = BoxOf(*collider);
}

void DetectionManager::RebuildMovingTree()
{
	movingTree.Clear();
	MeasureMovingBoxes();
	movingTree.SetCollectFlag(true);
	std::size_t index = 0;
	for (Collider* collider = dynamicColliders.first; collider != nullptr; collider = collider->next)
		movingTree.Insert(&movingBoxes[index++], collider, RayTestCollider);
	movingTree.Build();
	movingTreeGeneration = RigidBody::placementGeneration;
	movingTreeStale = false;
	movingTreeRefits = 0;
}

void DetectionManager::RefitMovingTree()
{
	// The same colliders in the same order, so the same count: the boxes stay where the leaves
	// point and are refilled in place.
	MeasureMovingBoxes();
	movingTree.Refit();
	movingTreeGeneration = RigidBody::placementGeneration;
	++movingTreeRefits;
}

void DetectionManager::QueryRayCast(Message::Reader reader)
{
	bool* hit = reader.Read<bool*>();
	const Tuple3f origin = reader.Read<Tuple3f>();
	const Tuple3f direction = reader.Read<Tuple3f>();
	RigidBody** hitBody = reader.HasMore() ? reader.Read<RigidBody**>() : nullptr;
	Tuple3f* hitPoint = reader.HasMore() ? reader.Read<Tuple3f*>() : nullptr;
	if (hit == nullptr)
		return;
	RigidBody* staticBody = nullptr;
	RigidBody* dynamicBody = nullptr;
	const float ts = RayCastStatic(origin, direction, &staticBody);
	// The static hit bounds the moving query: boxes beyond it cannot hold a nearer answer.
	const float td = RayCastMoving(origin, direction, &dynamicBody, ts > 0.0f ? ts : AABBTree::kNoHitYet);
	*hit = ts > 0.0f || td > 0.0f;
	if (!*hit)
		return;
	// Of equal distances the static hit is reported.
	const bool staticWins = ts > 0.0f && (td <= 0.0f || ts <= td);
	const float t = staticWins ? ts : td;
	if (hitPoint != nullptr)
		*hitPoint = origin + direction * t;
	if (hitBody != nullptr)
		*hitBody = staticWins ? staticBody : dynamicBody;
}

void DetectionManager::QueryPrimitive(Message::Reader reader)
{
	bool* found = reader.Read<bool*>();
	const int kind = reader.Read<int>();
	const Tuple3f position = reader.Read<Tuple3f>();
	const Tuple3f rotation = reader.Read<Tuple3f>();
	const Tuple3f scale = reader.Read<Tuple3f>();
	auto* bodies = reader.HasMore() ? reader.Read<std::vector<RigidBody*>*>() : nullptr;
	if (found != nullptr)
		*found = QueryPrimitive(kind, position, rotation, scale, bodies);
}

bool DetectionManager::QueryPrimitive(int kind, const Tuple3f& position, const Tuple3f& rotation, const Tuple3f& scale,
	std::vector<RigidBody*>* found)
{
	const char* shape = kind >= 0 && kind < kQueryKinds ? kShapeOfKind[kind] : "sphere";
	PrimitiveCollider probe(scale, shape, Tuple3f(), Tuple3f());
	const ShapeTransforms placed = ShapeTransforms::From(position, scale, QuaternionFromRotationVector(rotation));
	probe.worldMatrix = placed.world;
	probe.inverseMatrix = placed.inverse;
	probe.directionMatrix = placed.direction;
	probe.worldOrientation = QuaternionFromRotationVector(rotation);
	probe.radius = 0.5f * static_cast<float>(scale.Length());

	const int iterations = Physics::Settings().gjkIterations;
	bool touched = false;
	for (Collider* collider = dynamicColliders.first; collider != nullptr; collider = collider->next)
	{
		// The collider's bounds decide whether its pieces are tried: a radius about the body origin
		// would ignore the pieces' size and offset.
		if (!SphereTouchesBounds(position, probe.radius, collider->GetBounds()))
			continue;
		for (unsigned i = 0; i < collider->GetGeometryCount(); ++i)
		{
			const ConvexGeometry& piece = *collider->GetGeometry(i);
			if (!SpheresTouch(piece, probe) || !GjkIntersect(queryWork, piece, probe, iterations))
				continue;
			touched = true;
			if (found != nullptr)
				found->push_back(collider->GetBody());
			break;
		}
	}
	return touched;
}
