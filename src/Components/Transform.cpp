#include "Components/Transform.h"

#include "Components/Origin.h"
#include "Composition.h"
#include "Serializer.h"
#include "Utilities/MathCommon.h"
#include "Utilities/v8/ScriptTuples.h"

#include <algorithm>
#include <numbers>
#include <vector>

namespace
{

	// Scripts give and take rotations in degrees.
	Tuple3f WorldRotationDegrees(Transform& transform)
	{
		return transform.GetWorldRotationVector() * static_cast<float>(kRadiansToDegrees);
	}
	void SetWorldRotationDegrees(Transform& transform, const Tuple3f& degrees)
	{
		const auto radians = [](float value) { return static_cast<float>(value * std::numbers::pi / 180.0); };
		transform.SetWorldRotationVector(Tuple3f(radians(degrees.x), radians(degrees.y), radians(degrees.z)));
	}

	[[maybe_unused]] const bool transformScriptClassRegistered = [] {
		JSObject<Transform>::Bind("Transform", 0)
			.AddAccessor("pos", &Transform::GetWorldPosition, &Transform::SetWorldPosition)
			.AddAccessor("scale", &Transform::GetScale, &Transform::SetScale)
			.AddAccessor("rot", &WorldRotationDegrees, &SetWorldRotationDegrees);
		return true;
	}();
}

Transform::Transform(const Transform& other)
	: ComponentBase(other),
	  dimensions(other.dimensions),
	  position(other.position),
	  scale(other.scale),
	  rotation(other.rotation),
	  rotationAsRead(other.rotationAsRead)
{
	SetParent(other.parent);
}

Transform::~Transform()
{
	SetParent(nullptr);
}

bool Transform::Load(Serializer& serializer)
{
	owner->RegisterHandler("SetPos", &Transform::OnSetPos);
	owner->RegisterHandler("SetRot", &Transform::OnSetRot);
	owner->RegisterHandler("SetScale", &Transform::OnSetScale);
	owner->RegisterHandler("SetDim", &Transform::OnSetDim);

	serializer.Read(position);
	serializer.Read(scale);
	Tuple3f degrees;
	serializer.Read(degrees);
	rotation = rotationAsRead.Read(degrees);
	dimensions = Tuple3f(1.0f, 1.0f, 1.0f);
	return true;
}

bool Transform::Serialize(Serializer& serializer)
{
	serializer.Write("bt.pos", position);
	serializer.Write("bt.scale", scale);
	serializer.Write("Rotation", rotationAsRead.Of(rotation));
	return true;
}

bool Transform::Start()
{
	return true;
}

bool Transform::Update()
{
	return true;
}

void Transform::Detach()
{
}

Tuple3f Transform::GetWorldPosition() const
{
	return parent != nullptr ? parent->TransformPoint(position) : position;
}

void Transform::SetWorldPosition(const Tuple3f& worldPosition)
{
	position = parent != nullptr ? parent->InverseTransformPoint(worldPosition) : worldPosition;
}

Quaternion Transform::GetWorldOrientation() const
{
	return parent != nullptr ? parent->GetRotation() * rotation : rotation;
}

void Transform::SetWorldOrientation(const Quaternion& worldOrientation)
{
	rotation = parent != nullptr ? parent->GetInverseRotation() * worldOrientation : worldOrientation;
}

Tuple3f Transform::GetWorldRotationVector() const
{
	return QuaternionToRotationVector(GetWorldOrientation());
}

void Transform::SetWorldRotationVector(const Tuple3f& rotationVector)
{
	SetWorldOrientation(QuaternionFromRotationVector(rotationVector));
}

void Transform::SetParent(Origin* newParent)
{
	if (newParent == parent)
		return;
	if (parent != nullptr)
		parent->RemoveChild(this);
	parent = newParent;
	if (parent != nullptr)
		parent->AddChild(this);
}

void Transform::OnSetPos(Message::Reader reader)
{
	Tuple3f worldPosition;
	if (reader.Read(worldPosition))
		SetWorldPosition(worldPosition);
}

void Transform::OnSetRot(Message::Reader reader)
{
	Tuple3f rotationVector;
	if (reader.Read(rotationVector))
		SetWorldRotationVector(rotationVector);
}

void Transform::OnSetScale(Message::Reader reader)
{
	reader.Read(scale);
}

void Transform::OnSetDim(Message::Reader reader)
{
	reader.Read(dimensions);
}

bool BoneTransform::Load(Serializer& serializer)
{
	// A value that does not parse keeps the previous bone's.
	Tuple3f degrees;
	Tuple3f position;
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		std::string boneName;
		serializer.Read(boneName);
		serializer.Read(degrees);
		serializer.Read(position);
		BoneInfo& bone = bones[boneName];
		bone.orientation = bone.orientationAsRead.Read(degrees);
		bone.position = position;
		serializer.LeaveNode();
	}
	return true;
}

bool BoneTransform::Serialize(Serializer& serializer)
{
	// By name: the table's walk order changes whenever it is rebuilt, so a re-saved file would differ.
	std::vector<const BoneTable::value_type*> byName;
	byName.reserve(bones.size());
	for (const auto& entry : bones)
		byName.push_back(&entry);
	std::sort(byName.begin(), byName.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
	for (const auto* entry : byName)
	{
		const auto& [boneName, bone] = *entry;
		serializer.EnterNode("", "Bone");
		serializer.Write("Key", boneName);
		serializer.Write("Orientation", bone.orientationAsRead.Of(bone.orientation));
		serializer.Write("Position", bone.position);
		serializer.LeaveNode();
	}
	return true;
}

bool BoneTransform::Start()
{
	return true;
}

bool BoneTransform::Update()
{
	return true;
}

void BoneTransform::Detach()
{
}
