// Ragdoll: turns an animated character into jointed rigid bodies and back. Each part gives a
// skeleton bone a body with a one-primitive collider, joined to the nearest ancestor part by a
// socket. While not ragdolled the bodies are placed on the animated bones every frame; while
// ragdolled the simulated bodies pose the bones and the object follows the first part.
#pragma once

#include "Component.h"
#include "Components/Physics/RagdollFile.h"
#include "Components/Transform.h"
#include "Message.h"
#include "Systems/Physics/CompositePrimitiveCollider.h"
#include "Systems/Physics/Connection.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Tuple.h"

#include <memory>
#include <string>
#include <vector>

class Ragdoll;
struct RigidBody;

struct RagdollPart
{
	// First member: users of GetPartBody read the body through it.
	RigidBody* body = nullptr;
	// The block the body's transform link points to; its scale is the part's unit frame.
	Transform frame;
	CompositePrimitiveCollider collider;
	RagdollBone* bone = nullptr;
	// Turns (0, 1, 0) onto the part's bone vector.
	Quaternion bindOrientation;
	// The part's centre in the bind pose.
	Tuple3f bindPosition;
	// The bone vector from the data; the default socket axis.
	Tuple3f axis;
	Ragdoll* ragdoll = nullptr;
	// The body's pose before the last bone-driven placement, for the velocities at ragdolling.
	Quaternion previousOrientation;
	Tuple3f previousPosition;
};

struct RagdollJoint
{
	static constexpr unsigned kSocket = 0;

	unsigned kind = kSocket;
	std::unique_ptr<SocketConnection> connection;
	RagdollPart* parent = nullptr;
	RagdollPart* child = nullptr;
};

struct __RagdollName
{
	static constexpr const char* name = "Ragdoll";
};

class Ragdoll : public ComponentBase<Ragdoll, __RagdollName>
{
public:
	Ragdoll() = default;
	// The copy keeps the file name and the flag; its skeleton and parts come with its own Load.
	Ragdoll(const Ragdoll& other);
	Ragdoll& operator=(const Ragdoll&) = delete;
	~Ragdoll() override;

	// Reads the file name and at once the file, then the flag and the parts with their joints. A
	// part on a bone the skeleton lacks, or that has a part already, or of no size, is reported and
	// left out; a joint without an ancestor part gets no connection.
	bool Load(Serializer& serializer) override;
	// Writes the file name, the flag and every part element as it was read, left-out parts too,
	// so a ragdoll declared in a level saves and reloads.
	bool Serialize(Serializer& serializer) override;
	// Needs the object's Transform, BoneTransform and Body and an entry for every bone; without
	// them the ragdoll is reported once and stays inert.
	bool Start() override;
	bool Update() override;
	void Release() override;
	void Detach() override;

	// The part of the first bone with the name; null when there is none or it has no part.
	RagdollPart* GetPartBody(const std::string& boneName);
	bool IsRagdolled() const { return ragdolled; }
	const std::vector<RagdollPart>& GetParts() const { return parts; }
	const std::vector<RagdollJoint>& GetJoints() const { return joints; }

private:
	void OnRagdoll(Message::Reader reader);
	void OnSetPos(Message::Reader reader);
	void OnSetVelocity(Message::Reader reader);
	void OnOrient(Message::Reader reader);

	// One part element as it stands in the level; optional values are marked present or not.
	struct PartElement
	{
		std::string boneName;
		bool hasShape = false;
		std::string shape = "sphere";
		Tuple3f vector;
		float width = 0.0f;
		bool hasOffset = false;
		Tuple3f offset;
		bool hasJoint = false;
		std::string jointKind;
		float degrees = 0.0f;
		bool hasAxis = false;
		Tuple3f axis;
	};

	static PartElement ReadPart(Serializer& serializer);
	static void WritePart(Serializer& serializer, const PartElement& element);
	void LoadPart(const PartElement& element);
	void BuildPart(RagdollPart& part, RagdollBone& bone, const PartElement& element);
	void LoadJoint(const PartElement& element, RagdollPart& part);
	// The nearest part among the bone and its ancestors; null when none has one.
	static RagdollPart* NearestPart(RagdollBone* bone);
	// True when everything the ragdoll needs is there; reports what is missing.
	bool FindNeeds();
	void FitJoint(RagdollJoint& joint);

	void RefreshObjectFrame();
	void BonesFollowBodies();
	void BodiesFollowBones();
	void StartRagdoll();
	void EndRagdoll();
	void LeaveSimulation();

	std::string fileName;
	RagdollPart* root = nullptr;
	bool ragdolled = false;
	// False until Start has found everything the ragdoll needs.
	bool usable = false;
	// Runs Update after every physics step, before the connection readers draw the ropes: the bones
	// then show the step's bodies, and resting bodies stay on the bones.
	PostStepLink postStepLink;
	std::vector<RagdollPart> parts;
	std::vector<RagdollBone> bones;
	std::vector<RagdollJoint> joints;
	// The part elements as read, for saving.
	std::vector<PartElement> partElements;
	RigidBody* objectBody = nullptr;
	Transform* transform = nullptr;
	BoneTransform* boneTransform = nullptr;
	Quaternion rootOrientationOffset;
	Tuple3f rootPositionOffset;
	Quaternion objectOrientation;
	Quaternion inverseObjectOrientation;
	Matrix4 inverseWorldMatrix = Matrix4::Identity();
	Matrix4 worldMatrix = Matrix4::Identity();
};
