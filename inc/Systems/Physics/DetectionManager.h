// DetectionManager: the first stage of the physics step. It files the colliders of the running
// level (moving ones in the sweep-and-prune, static ones in an AABB tree), finds the pairs that
// touch each step and fills their contact manifolds through the narrow phase, and answers the ray
// and shape queries gameplay sends. It also holds the collider prototypes.
#pragma once

#include "Message.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Gjk.h"
#include "Systems/Physics/PhysicsList.h"
#include "Systems/Physics/NarrowPhaseContext.h"
#include "Systems/Physics/PhysicsSubsystem.h"
#include "Systems/Physics/SweepPrune.h"
#include "Utilities/AABBTree.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct CastStop;

class CollisionManifold;
class TransgressionManager;

// The collider prototype registered under a type name ("CompositePrimitive", "StaticTriangleMesh",
// "ParticleCollision"); null for any other.
const Collider* ColliderPrototypeLookup(const std::string& typeName);
// Registers a prototype under its type name; a name already taken keeps its prototype.
void RegisterColliderPrototype(const std::string& typeName, std::unique_ptr<Collider> prototype);

class DetectionManager : public PhysicsSubsystem
{
public:
	// The contact stage is built after this one: only its address is taken here.
	explicit DetectionManager(TransgressionManager* transgression);

	// Collider prototypes and the sweep-and-prune axes.
	void Initialize() override;
	// The prototypes and the filed moving colliders are forgotten.
	void Release() override;
	// The static tree collects its leaves until the level has loaded.
	void Start() override;
	// Files the colliders of the level and builds the static tree over them.
	void OnLevelLoaded() override;
	void Shutdown() override;
	void OnUnloadingLevel() override;
	// Files the new colliders and collides every candidate pair.
	void Update() override;

	// Null is ignored; the collider is filed at the next Update, level load or transgression update.
	void AddCollider(Collider* collider);
	// Null is ignored; a collider still waiting to be filed leaves the waiting list.
	void RemoveCollider(Collider* collider);
	void FilePending();
	// The transgression stage's late filing: new moving colliders are collided at once against
	// the filed ones and the static geometry.
	void FilePendingAndCollide();

	// The nearest strictly positive ray parameter t over the list, CONTROLLER bodies passed
	// through: the hit is origin + t · direction, whatever the direction's length. The hit body is
	// written where given. kRayMiss (body untouched) for none.
	static float RayCastColliderList(const PhysicsList<Collider>& colliders, const Tuple3f& origin,
		const Tuple3f& direction, RigidBody** hitBody);
	// The same over the static colliders, answered from the static box tree; boxes the ray enters
	// beyond farthest are skipped, as for RayCastMoving.
	float RayCastStatic(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody,
		float farthest = AABBTree::kNoHitYet) const;
	// The same over the moving colliders, answered from a box tree over them. The first query
	// after any of them moved refits the tree to their boxes; after one came or went, or after
	// kRefitsPerBuild refits (bodies far from where the tree was built make it slow), the tree is
	// rebuilt. Boxes the ray enters beyond farthest are skipped, so a hit found there may be
	// farther than farthest or missed.
	float RayCastMoving(const Tuple3f& origin, const Tuple3f& direction, RigidBody** hitBody,
		float farthest = AABBTree::kNoHitYet);
	// The share of the step (0 to 1) that the moving collider, its pieces standing in the
	// orientation, may be carried along step before a static collider stops it (ShapeCast::FirstTouch);
	// ShapeCast::kFree when nothing is in the way. Only what the contacts stop is in the way:
	// ghosts (triggers) are passed. What stopped the piece that stops first is written where given.
	float CastStatic(const Collider& moving, const Quaternion& orientation, const Tuple3f& step,
		CastStop* stop = nullptr);
	// The moves that each take one of the moving collider's pieces out of a static collider that
	// would stop it (ShapeCast::WayOut), one for each piece of either it overlaps, written to ways;
	// none when its pieces overlap none.
	void WaysOutOfStatic(const Collider& moving, std::vector<Tuple3f>& ways);
	// The nearest share (0 to 1] of the segment from origin along step at which it crosses a static
	// plane or triangle, or goes into a static solid, that would stop the moving body, the unit
	// normal of the surface there written where given; kRayMiss for none.
	float CrossStoppingStatic(const Tuple3f& origin, const Tuple3f& step, const RigidBody& moving,
		Tuple3f* normal = nullptr);
	// Answers "PhysicsQueryRayCast": bool* hit, origin, direction, then optional RigidBody** and
	// Tuple3f* for the hit body and point. A message without the hit pointer is ignored.
	void QueryRayCast(Message::Reader reader);
	// Answers "PhysicsQueryPrimitive": bool* found, kind, position, rotation vector, scale, then an
	// optional std::vector<RigidBody*>* for the bodies touched.
	void QueryPrimitive(Message::Reader reader);
	// Whether a primitive of the geometry kind (cube 0, cone 1, cylinder 2, sphere 3, plane 4)
	// overlaps a moving collider; each touched body is appended once where given.
	bool QueryPrimitive(int kind, const Tuple3f& position, const Tuple3f& rotation, const Tuple3f& scale,
		std::vector<RigidBody*>* found);

	const PhysicsList<Collider>& GetDynamicColliders() const { return dynamicColliders; }
	const PhysicsList<Collider>& GetStaticColliders() const { return staticColliders; }
	unsigned GetPendingCount() const { return static_cast<unsigned>(pendingColliders.size()); }
	const SweepPrune& GetSweepPrune() const { return sweepPrune; }
	const AABBTree& GetStaticTree() const { return staticTree; }

	// The depth of the static tree that debug drawing shows; "AABBLevel" adds to it.
	int aabbDrawLevel = 0;

private:
	struct StaticLeaf
	{
		AABB box;
		AABBTree::LeafNode* leaf = nullptr;
	};

	void FileStatic(Collider& collider);
	// outer's pieces against inner's; inner's body becomes the manifold's first body.
	void CollidePair(Collider& outer, Collider& inner);
	void CollideWithStatic(Collider& collider);
	void CollideWithPieces(Collider& moving, const std::vector<ConvexGeometry*>& pieces);
	// The static colliders whose boxes overlap the box, from the list until the level has loaded
	// and from the tree after; the list is reused by the next call.
	const std::vector<Collider*>& StaticCollidersIn(const AABB& box);
	// The same, less those that would not stop the moving body: its own and ghosts.
	const std::vector<Collider*>& StoppingStaticCollidersIn(const AABB& box, const RigidBody& moving);
	// Files the contacts of one overlapping piece pair, the manifold found on the first overlap.
	void AddContacts(CollisionManifold*& manifold, RigidBody& first, RigidBody& second, const ConvexGeometry& a,
		const ConvexGeometry& b);
	// Keeps a manifold that received contacts, with its bodies in order; drops one left empty.
	void Settle(CollisionManifold* manifold, RigidBody& first, RigidBody& second);

	void RebuildMovingTree();
	void RefitMovingTree();
	// Fills movingBoxes from the moving colliders, in list order.
	void MeasureMovingBoxes();

	static constexpr int kRefitsPerBuild = 30;

	AABBTree staticTree;
	std::map<const Collider*, StaticLeaf> staticLeaves;
	AABBTree movingTree;
	// The leaves' boxes; never grown while the tree points into them.
	std::vector<AABB> movingBoxes;
	// The placement count the moving tree was built at; stale forces a rebuild whatever it says.
	std::uint64_t movingTreeGeneration = 0;
	bool movingTreeStale = true;
	// Refits since the moving tree was last built.
	int movingTreeRefits = 0;
	SweepPrune sweepPrune;
	NarrowPhaseContext narrowPhase;
	GjkWorkspace queryWork;
	std::vector<ConvexGeometry*> staticGeometries;
	std::vector<AABBTree::LeafNode*> treeHits;
	std::vector<Collider*> staticHits;
	PhysicsList<Collider> dynamicColliders;
	PhysicsList<Collider> staticColliders;
	std::vector<Collider*> pendingColliders;
	TransgressionManager* transgression;
};
