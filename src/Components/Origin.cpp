#include "Components/Origin.h"

#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Utilities/v8/ScriptTuples.h"

#include <algorithm>

namespace
{
	[[maybe_unused]] const bool originScriptClassRegistered = [] {
		JSObject<Origin>::Bind("Origin", 0)
			.AddAccessor("pos", &Origin::GetPosition, &Origin::SetPosition)
			.AddAccessor("rotDeg", &Origin::GetRotationDegrees, &Origin::SetRotationDegrees)
			.AddFunction("Transform", &Origin::TransformPoint);
		return true;
	}();
}

Origin::Origin() : matrix(Matrix4::Identity()), inverseMatrix(Matrix4::Identity())
{
}

Origin::Origin(const Origin& other)
	: ComponentBase(other),
	  matrix(other.matrix),
	  inverseMatrix(other.inverseMatrix),
	  position(other.position),
	  rotation(other.rotation),
	  inverseRotation(other.inverseRotation),
	  rotationAsRead(other.rotationAsRead),
	  physicsId(other.physicsId)
{
}

Origin::~Origin()
{
	Detach();
}

bool Origin::Load(Serializer& serializer)
{
	serializer.Read(position);
	Tuple3f degrees;
	serializer.Read(degrees);
	physicsId = 0;
	if (serializer.HasMore())
		serializer.Read(physicsId);
	SetRotationDegrees(degrees);
	return true;
}

bool Origin::Serialize(Serializer& serializer)
{
	serializer.Write("pos", position);
	serializer.Write("rot", GetRotationDegrees());
	serializer.Write("phyId", physicsId);
	return true;
}

bool Origin::Start()
{
	owner->RegisterHandler("SetPos", &Origin::OnSetPos);
	owner->RegisterHandler("SetRot", &Origin::OnSetRot);
	return true;
}

bool Origin::Update()
{
	return true;
}

void Origin::Detach()
{
	// Each child leaves the list as its parent is cleared.
	while (!children.empty())
	{
		Transform* child = children.back();
		const Tuple3f worldPosition = child->GetWorldPosition();
		const Quaternion worldOrientation = child->GetWorldOrientation();
		child->SetParent(nullptr);
		child->SetWorldPosition(worldPosition);
		child->SetWorldOrientation(worldOrientation);
	}
}

void Origin::SetRotation(const Quaternion& q)
{
	rotation = q;
	const float squaredNorm = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
	inverseRotation = q.Conjugate() / squaredNorm;
	matrix = Matrix4::FromRotation(q);
	inverseMatrix = matrix.Transpose();
}

Tuple3f Origin::GetRotationDegrees() const
{
	return rotationAsRead.Of(rotation);
}

void Origin::SetRotationDegrees(const Tuple3f& degrees)
{
	SetRotation(rotationAsRead.Read(degrees));
}

Tuple3f Origin::TransformPoint(const Tuple3f& point) const
{
	const Tuple3f rotated = matrix * point;
	return Tuple3f(rotated.x + position.x, rotated.y + position.y, rotated.z + position.z);
}

Tuple3f Origin::InverseTransformPoint(const Tuple3f& point) const
{
	return inverseMatrix * Tuple3f(point.x - position.x, point.y - position.y, point.z - position.z);
}

void Origin::OnSetPos(Message::Reader reader)
{
	reader.Read(position);
}

void Origin::OnSetRot(Message::Reader reader)
{
	Tuple3f rotationVector;
	if (reader.Read(rotationVector))
		SetRotation(QuaternionFromRotationVector(rotationVector));
}

void Origin::AddChild(Transform* child)
{
	children.push_back(child);
}

void Origin::RemoveChild(Transform* child)
{
	const auto found = std::find(children.begin(), children.end(), child);
	if (found != children.end())
		children.erase(found);
}
