#include "Components/Physics/Ragdoll.h"

#include "Components/Physics/Body.h"
#include "Components/Physics/StepVelocity.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/DetectionManager.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Systems/Physics/RigidBody.h"
#include "Systems/Physics/TransgressionManager.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/MathCommon.h"
#include "Utilities/Random.h"

namespace
{
	const Tuple3f kRagdollUp(0.0f, 1.0f, 0.0f);

	Tuple3f DividePerComponent(const Tuple3f& value, const Tuple3f& divisor)
	{
		return Tuple3f(value.x / divisor.x, value.y / divisor.y, value.z / divisor.z);
	}

	Tuple3f MultiplyPerComponent(const Tuple3f& value, const Tuple3f& factor)
	{
		return Tuple3f(value.x * factor.x, value.y * factor.y, value.z * factor.z);
	}
}

Ragdoll::Ragdoll(const Ragdoll& other) : ComponentBase(other), fileName(other.fileName), ragdolled(other.ragdolled)
{
}

Ragdoll::~Ragdoll() = default;

bool Ragdoll::Load(Serializer& serializer)
{
	serializer.Read(fileName);
	RagdollFile::Load(fileName, bones);
	serializer.Read(ragdolled);
	// Parts and bones point at each other: the vectors never grow past the bone count.
	parts.reserve(bones.size());
	joints.reserve(bones.size());
	partElements.clear();
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		partElements.push_back(ReadPart(serializer));
		serializer.LeaveNode();
		// Without a skeleton (already reported) no part has a bone to hang on.
		if (!bones.empty())
			LoadPart(partElements.back());
	}
	return true;
}

bool Ragdoll::Serialize(Serializer& serializer)
{
	serializer.Write("File", fileName);
	serializer.Write("Ragdolled", ragdolled);
	for (const PartElement& element : partElements)
		WritePart(serializer, element);
	return true;
}

Ragdoll::PartElement Ragdoll::ReadPart(Serializer& serializer)
{
	PartElement element;
	serializer.Read(element.boneName);
	if (serializer.NextElement())
	{
		element.hasShape = true;
		serializer.EnterNode("", "");
		serializer.Read(element.shape).Read(element.vector).Read(element.width);
		element.hasOffset = serializer.HasMore();
		if (element.hasOffset)
			serializer.Read(element.offset);
		serializer.LeaveNode();
	}
	element.axis = element.vector;
	if (serializer.NextElement())
	{
		element.hasJoint = true;
		serializer.EnterNode("", "");
		serializer.Read(element.jointKind);
		if (element.jointKind == "Socket")
		{
			serializer.Read(element.degrees);
			element.hasAxis = serializer.HasMore();
			if (element.hasAxis)
				serializer.Read(element.axis);
		}
		serializer.LeaveNode();
	}
	return element;
}

void Ragdoll::WritePart(Serializer& serializer, const PartElement& element)
{
	serializer.EnterNode("", "Part");
	serializer.Write("Bone", element.boneName);
	if (element.hasShape)
	{
		serializer.EnterNode("", "Shape");
		serializer.Write("Shape", element.shape);
		serializer.Write("Bone Vector", element.vector);
		serializer.Write("Width", element.width);
		if (element.hasOffset)
			serializer.Write("Offset", element.offset);
		serializer.LeaveNode();
	}
	if (element.hasJoint)
	{
		serializer.EnterNode("", "Joint");
		serializer.Write("Kind", element.jointKind);
		if (element.jointKind == "Socket")
		{
			serializer.Write("Angle", element.degrees);
			if (element.hasAxis)
				serializer.Write("Axis", element.axis);
		}
		serializer.LeaveNode();
	}
	serializer.LeaveNode();
}

void Ragdoll::LoadPart(const PartElement& element)
{
	std::string problem;
	RagdollBone* bone = RagdollFile::FindBoneForPart(bones, element.boneName, problem);
	if (bone == nullptr || parts.size() >= bones.size() || element.width <= 0.0f || element.vector.Length() <= 0.0f)
	{
		if (bone != nullptr)
			problem = "the part of bone \"" + element.boneName + "\" has no size (width and bone vector must not be 0)";
		tw::Diagnostics::Report("Ragdoll of object \"" + owner->GetName() + "\" ('" + fileName + "'): " + problem +
			"; the part is left out");
		return;
	}
	RagdollPart& part = parts.emplace_back();
	BuildPart(part, *bone, element);
	if (element.hasJoint)
		LoadJoint(element, part);
}

void Ragdoll::BuildPart(RagdollPart& part, RagdollBone& bone, const PartElement& element)
{
	bone.part = &part;
	part.bone = &bone;
	if (Physics* physics = Physics::Instance())
		part.body = physics->GetResolution().bodyPool.Insert(RigidBody());
	if (part.body == nullptr)
		Physics::ReportBodyPoolFull("Ragdoll", owner->GetName(), "the part of bone \"" + bone.name + "\" has no body");
	const Tuple3f& vector = element.vector;
	part.axis = vector;
	part.frame.SetScale(Tuple3f(element.width, vector.Length(), element.width));
	part.collider.primitives.emplace_back(Tuple3f(1.0f, 1.0f, 1.0f), element.shape, Tuple3f(), Tuple3f());
	part.collider.isSingleUnit = true;
	part.bindPosition = element.offset + bone.bindPosition + vector * 0.5f;
	part.bindOrientation = QuaternionFromTo(kRagdollUp, vector.Normalize());
}

void Ragdoll::LoadJoint(const PartElement& element, RagdollPart& part)
{
	RagdollPart* parent = NearestPart(part.bone->parent);
	// A part never collides with the part it hangs on.
	if (parent != nullptr && part.body != nullptr)
		part.body->collisionParent = parent->body;
	if (element.jointKind != "Socket")
		return;
	if (parent == nullptr || parent->body == nullptr || part.body == nullptr)
	{
		tw::Diagnostics::Report("Ragdoll of object \"" + owner->GetName() + "\": the socket of bone \"" + part.bone->name +
			"\" has no part above it to hang on; it is left out");
		return;
	}
	RagdollJoint& joint = joints.emplace_back();
	joint.kind = RagdollJoint::kSocket;
	joint.parent = parent;
	joint.child = &part;
	joint.connection = std::make_unique<SocketConnection>();
	SocketConnection& socket = *joint.connection;
	socket.Configure(Tuple3f(), element.degrees * static_cast<float>(kDegreesToRadians),
		Quaternion::InverseRotate(parent->bindOrientation, element.axis.Normalize()), kRagdollUp);
	socket.bodyA = parent->body;
	socket.bodyB = part.body;
	socket.CreateConstraints(Physics::Instance()->GetResolution());
}

RagdollPart* Ragdoll::NearestPart(RagdollBone* bone)
{
	for (; bone != nullptr; bone = bone->parent)
		if (bone->part != nullptr)
			return bone->part;
	return nullptr;
}

bool Ragdoll::FindNeeds()
{
	transform = owner->GetComponent<Transform>();
	boneTransform = owner->GetComponent<BoneTransform>();
	const Body* body = owner->GetComponent<Body>();
	objectBody = body != nullptr ? body->GetBody() : nullptr;
	std::string missing;
	if (bones.empty())
		missing = "a skeleton";
	else if (parts.empty())
		missing = "a part";
	else if (transform == nullptr || boneTransform == nullptr || objectBody == nullptr || Physics::Instance() == nullptr)
		missing = "the object's Transform, BoneTransform and Body";
	for (std::size_t i = 0; missing.empty() && i < bones.size(); ++i)
	{
		if (boneTransform->Find(bones[i].name) == boneTransform->End())
			missing = "a BoneTransform entry for bone \"" + bones[i].name + "\"";
		else if (NearestPart(&bones[i]) == nullptr)
			missing = "a part on bone \"" + bones[i].name + "\" or above it";
	}
	for (const RagdollPart& part : parts)
		if (missing.empty() && part.body == nullptr)
			missing = "a body for every part";
	if (missing.empty())
		return true;
	tw::Diagnostics::Report("Ragdoll of object \"" + owner->GetName() + "\" ('" + fileName + "') lacks " + missing +
		"; it stays still");
	return false;
}

bool Ragdoll::Start()
{
	owner->RegisterHandler("Ragdoll", &Ragdoll::OnRagdoll);
	owner->RegisterHandler("SetPos", &Ragdoll::OnSetPos);
	owner->RegisterHandler("SetVelocity", &Ragdoll::OnSetVelocity);
	owner->RegisterHandler("Orient", &Ragdoll::OnOrient);
	usable = FindNeeds();
	if (!usable)
		return true;
	postStepLink.component = this;
	Physics::Instance()->GetResolution().postStepComponents2.Append(postStepLink);
	root = &parts.front();
	const bool startRagdolled = ragdolled;
	ragdolled = false;
	RefreshObjectFrame();
	const Tuple3f objectScale = transform->GetScale();
	const PhysicsSettings& settings = Physics::Settings();
	for (RagdollPart& part : parts)
	{
		RigidBody& body = *part.body;
		part.ragdoll = this;
		body.transform = &part.frame;
		part.frame.SetScale(MultiplyPerComponent(part.frame.GetScale(), objectScale));
		body.collider = &part.collider;
		body.ownerId = owner->GetId();
		body.sleepCounter = settings.sleepTimeout;
		body.staticMarker = false;
		part.collider.SetOwnerId(owner->GetId());
		part.collider.SetBody(&body);
		body.ComputeMass(true);
		part.collider.Initialize();
		part.previousOrientation = body.orientation;
		part.previousPosition = body.GetPosition();
	}
	for (RagdollBone& bone : bones)
	{
		bone.boneInfo = &boneTransform->Find(bone.name)->second;
		bone.part = NearestPart(&bone);
		const RagdollPart& part = *bone.part;
		bone.relativeOrientation = part.bindOrientation.Inverse() * bone.bindOrientation;
		bone.relativePosition = DividePerComponent(
			Quaternion::InverseRotate(part.bindOrientation, bone.bindPosition - part.bindPosition),
			DividePerComponent(part.frame.GetScale(), objectScale));
		bone.boneInfo->orientation = bone.bindOrientation;
		bone.boneInfo->position = bone.bindPosition;
	}
	for (RagdollJoint& joint : joints)
		FitJoint(joint);
	// Starting ragdolled: the bodies are first put on the bones, so that they start where the
	// character stands and at rest.
	BodiesFollowBones();
	if (startRagdolled)
	{
		for (RagdollPart& part : parts)
		{
			part.previousOrientation = part.body->orientation;
			part.previousPosition = part.body->GetPosition();
		}
		ragdolled = true;
		StartRagdoll();
	}
	return true;
}

void Ragdoll::FitJoint(RagdollJoint& joint)
{
	SocketConnection& socket = *joint.connection;
	const RagdollPart& parent = *joint.parent;
	const RagdollPart& child = *joint.child;
	const Tuple3f objectScale = transform->GetScale();
	socket.distance.anchorB = child.bone->relativePosition;
	socket.distance.anchorA = DividePerComponent(
		Quaternion::InverseRotate(parent.bindOrientation, child.bone->bindPosition - parent.bindPosition),
		DividePerComponent(parent.frame.GetScale(), objectScale));
	const Tuple3f turnedAxis = Quaternion::Rotate(parent.bindOrientation, socket.axis.axis);
	socket.axis.direction = Quaternion::Rotate(QuaternionFromTo(turnedAxis, child.axis.Normalize()),
		Quaternion::InverseRotate(child.bindOrientation, Quaternion::Rotate(parent.bindOrientation, socket.axis.reference)));
	// The bodies, bounds, zero multipliers and force scale; the anchors stay as fitted.
	socket.Connection::SetUp();
}

bool Ragdoll::Update()
{
	if (!usable)
		return true;
	RefreshObjectFrame();
	if (ragdolled)
		BonesFollowBodies();
	else
	{
		BodiesFollowBones();
		for (RagdollPart& part : parts)
			part.collider.DebugDraw();
	}
	return true;
}

void Ragdoll::RefreshObjectFrame()
{
	if (ragdolled)
	{
		const RigidBody& rootBody = *root->body;
		Quaternion orientation = rootBody.orientation * rootOrientationOffset;
		transform->SetWorldOrientation(orientation.Normalize());
		transform->SetWorldPosition(rootBody.transforms.world * rootPositionOffset);
	}
	objectOrientation = transform->GetWorldOrientation();
	inverseObjectOrientation = objectOrientation.Inverse();
	worldMatrix = Matrix4::FromTransform(transform->GetWorldPosition(), transform->GetScale(), objectOrientation);
	inverseWorldMatrix = worldMatrix.Inverse();
}

void Ragdoll::BonesFollowBodies()
{
	for (RagdollBone& bone : bones)
	{
		const RigidBody& body = *bone.part->body;
		bone.boneInfo->orientation = inverseObjectOrientation * body.orientation * bone.relativeOrientation;
		bone.boneInfo->position = inverseWorldMatrix * (body.transforms.world * bone.relativePosition);
	}
	objectBody->velocity = root->body->velocity;
	objectBody->angularVelocity = root->body->angularVelocity;
	objectBody->Wake();
}

void Ragdoll::BodiesFollowBones()
{
	for (RagdollPart& part : parts)
	{
		RigidBody& body = *part.body;
		const RagdollBone& bone = *part.bone;
		part.previousOrientation = body.orientation;
		part.previousPosition = body.GetPosition();
		body.SetOrientation(objectOrientation * bone.boneInfo->orientation * bone.relativeOrientation.Inverse());
		part.frame.SetWorldPosition(worldMatrix * bone.boneInfo->position -
			Quaternion::Rotate(body.orientation, MultiplyPerComponent(bone.relativePosition, part.frame.GetScale())));
		body.UpdateDerived();
	}
}

void Ragdoll::StartRagdoll()
{
	Physics& physics = *Physics::Instance();
	const RigidBody& rootBody = *root->body;
	rootPositionOffset = rootBody.transforms.inverse * transform->GetWorldPosition();
	rootOrientationOffset = rootBody.orientation.Inverse() * objectOrientation;
	const float step = Physics::Settings().timeStep;
	for (RagdollPart& part : parts)
	{
		RigidBody& body = *part.body;
		physics.GetResolution().AddBody(body);
		body.velocity = VelocityOverStep(body.GetPosition() - part.previousPosition, step);
		body.angularVelocity =
			VelocityOverStep(QuaternionToRotationVector(body.orientation * part.previousOrientation.Inverse()), step);
		physics.GetDetection().AddCollider(&part.collider);
	}
	for (RagdollJoint& joint : joints)
	{
		joint.connection->Connect(physics.GetResolution());
		// Listed, the joint's rows are rebuilt every step; unlisted they would hold nothing.
		physics.GetTransgression().AddConnection(*joint.connection);
	}
}

void Ragdoll::LeaveSimulation()
{
	Physics* physics = Physics::Instance();
	if (physics == nullptr)
		return;
	for (RagdollPart& part : parts)
	{
		physics->GetResolution().RemoveBody(*part.body);
		physics->GetDetection().RemoveCollider(&part.collider);
	}
	for (RagdollJoint& joint : joints)
	{
		physics->GetTransgression().RemoveConnection(*joint.connection);
		joint.connection->Disconnect(physics->GetResolution());
	}
}

void Ragdoll::EndRagdoll()
{
	LeaveSimulation();
	objectBody->velocity = Tuple3f();
	objectBody->angularVelocity = Tuple3f();
	owner->HandleMessage(Message("SetRot").Push(Tuple3f()));
	Tuple3f position = root->body->GetPosition();
	Physics::RayCast(position, Tuple3f(0.0f, -1.0f, 0.0f), nullptr, &position);
	owner->HandleMessage(Message("SetPos").Push(position));
}

void Ragdoll::OnRagdoll(Message::Reader reader)
{
	const bool on = reader.Read<bool>();
	if (!usable || on == ragdolled)
		return;
	ragdolled = on;
	if (on)
		StartRagdoll();
	else
		EndRagdoll();
}

void Ragdoll::OnSetPos(Message::Reader reader)
{
	const Tuple3f position = reader.Read<Tuple3f>();
	if (!ragdolled)
		return;
	for (RagdollPart& part : parts)
	{
		part.frame.SetWorldPosition(position);
		part.body->velocity = Tuple3f();
		part.body->angularVelocity = Tuple3f();
	}
}

void Ragdoll::OnSetVelocity(Message::Reader reader)
{
	const Tuple3f velocity = reader.Read<Tuple3f>();
	if (!ragdolled)
		return;
	for (RagdollPart& part : parts)
	{
		const float factor = 0.95f + static_cast<float>(tw::Rand() % 10000) / 10000.0f * 0.15f;
		part.body->velocity = velocity * factor;
	}
}

void Ragdoll::OnOrient(Message::Reader reader)
{
	const Tuple3f direction = reader.Read<Tuple3f>();
	if (!ragdolled)
		return;
	transform->SetWorldOrientation(QuaternionFromTo(kRagdollUp, direction));
	ragdolled = false;
	RefreshObjectFrame();
	BodiesFollowBones();
	ragdolled = true;
}

RagdollPart* Ragdoll::GetPartBody(const std::string& boneName)
{
	for (RagdollBone& bone : bones)
		if (bone.name == boneName)
			return bone.part;
	return nullptr;
}

void Ragdoll::Detach()
{
	if (Physics* physics = Physics::Instance())
		physics->GetResolution().postStepComponents2.Remove(postStepLink);
	if (usable && ragdolled)
		LeaveSimulation();
}

void Ragdoll::Release()
{
	Physics* physics = Physics::Instance();
	if (physics == nullptr)
		return;
	for (RagdollPart& part : parts)
		if (part.body != nullptr)
		{
			physics->GetResolution().RemoveBody(*part.body);
			physics->GetResolution().bodyPool.Erase(part.body);
			part.body = nullptr;
		}
	for (RagdollJoint& joint : joints)
		joint.connection->DestroyConstraints(physics->GetResolution());
	joints.clear();
}
