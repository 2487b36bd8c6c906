// GolemPoints: attachment points that follow bones of the golem's skeleton. An object attached to
// the nearest free point hangs on a rope from a kinematic anchor body at the point; the rope is
// reeled in over reelTime seconds and the object is then damped at the point. When the last
// reeling rope is in, the golem's object gets "ReeledIn".
#pragma once

#include "Component.h"
#include "Components/Transform.h"
#include "Message.h"
#include "Systems/Physics/Connection.h"
#include "Utilities/HashMap.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Tuple.h"

#include <memory>
#include <string>
#include <vector>

struct RigidBody;

struct __GolemPointsName
{
	static constexpr const char* name = "GolemPoints";
};

class GolemPoints : public ComponentBase<GolemPoints, __GolemPointsName>
{
public:
	// What "SetPoints" carries a pointer to, one per point: a position in the golem's model space
	// and the bone the point follows.
	struct PointDescription
	{
		Tuple3f position;
		std::string bone;
	};

	struct Point
	{
		// A body of the resolution stage's pool, moved by its velocity to follow the point.
		RigidBody* anchor = nullptr;
		// The anchor's transform.
		Transform frame;
		// From the anchor to the attached object's body.
		RopeConnection rope;
		// Null when the skeleton has no bone of the described name: the point then follows the
		// golem's frame alone.
		const BoneTransform::BoneInfo* bone = nullptr;
		// In the bone's frame.
		Tuple3f offset;
		Tuple3f previousAnchorPosition;
		bool taken = false;
		bool reeling = false;
		// Set while the rope has still to finish reeling in, so that a reel of no time finishes in
		// its first update instead of leaving the object a ghost for good.
		bool reelPending = false;
		float fullLength = 0.0f;
		float reelTimer = 0.0f;
	};

	GolemPoints() = default;
	// The copy has no points: anchors and ropes belong to the original.
	GolemPoints(const GolemPoints& other);
	GolemPoints& operator=(const GolemPoints&) = delete;
	~GolemPoints() override;

	// Registers "SetPoints" and "Ragdoll"; reads reelTime and damp.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;
	void Detach() override;

	// The index of the point now holding the object; -1 when every point is taken or the object has
	// no body.
	int AttachObject(unsigned objectId);
	void ReleaseObject(unsigned objectId);
	bool IsAttached(unsigned objectId) const { return attached.find(objectId) != attached.end(); }
	// Appends the id of every attached object.
	void GetAttachedObjects(std::vector<unsigned>& objectIds) const;
	// The world position of the object's point; (0, 0, 0) when the object is not attached.
	Tuple3f GetObjectPointPosition(unsigned objectId) const;
	// The rope length of the object's point, when it is attached.
	void SetPointValue(unsigned objectId, float length);
	// Detaches every rope and frees every anchor; the points are gone and no object stays attached.
	void ReleaseAll();

	const std::vector<std::unique_ptr<Point>>& GetPoints() const { return points; }
	bool IsReeling() const { return reeling; }

	float reelTime = 0.0f;
	float damp = 0.0f;

private:
	void OnSetPoints(Message::Reader reader);
	void OnRagdoll(Message::Reader reader);

	void MakeAnchor(Point& point);
	// True when the point's reel finished in this update.
	bool UpdatePoint(Point& point);
	void AttachRope(Point& point, RigidBody& body);
	void DetachRope(Point& point);
	void SetReeling(Point& point, bool on);

	unsigned attachedCount = 0;
	BoneTransform* skeleton = nullptr;
	Transform* frame = nullptr;
	// Owned one by one, so that the anchors' transform links and the ropes stay where they are.
	std::vector<std::unique_ptr<Point>> points;
	tw::hash_map<unsigned, Point*> attached;
	Matrix4 localToWorld = Matrix4::Identity();
	bool reeling = false;
	bool reeledLastFrame = false;
};
