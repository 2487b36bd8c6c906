#include "Systems/Physics/RigidBody.h"

#include "Components/Physics/ZeroRotation.h"
#include "Components/Transform.h"
#include "Engine.h"
#include "Message.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Diagnostics.h"

#include <algorithm>
#include <sstream>

namespace
{
	// Bit number to name; the text form of the flag mask.
	constexpr const char* kBodyFlagNames[] = {"STATIC", "ROTATION", "GHOST", "NOGRAVITY", "LOGIC", "CONTROLLER",
		"NOINTEGRATE"};
	constexpr unsigned kNamedFlagCount = sizeof(kBodyFlagNames) / sizeof(kBodyFlagNames[0]);
	constexpr unsigned kCollisionMaskBits = 32;
	// A still body has both squared speeds below Sleep_Epsilon; an asleep one wakes only above this
	// many times it, so that a body at the edge does not flicker.
	constexpr float kWakeFactor = 10.0f;

	void SendObstacleMessage(const char* name, unsigned ownerId)
	{
		Message message(name);
		message.PushU32(ownerId);
		Engine::SendMessage(message);
	}
}

const char* BodyFlagName(unsigned bit)
{
	return bit < kNamedFlagCount ? kBodyFlagNames[bit] : "";
}

unsigned ParseBodyFlags(const std::string& text)
{
	unsigned mask = 0;
	std::istringstream words(text);
	std::string word;
	while (words >> word)
	{
		unsigned bit = 0;
		while (bit < kNamedFlagCount && word != kBodyFlagNames[bit])
			++bit;
		if (bit < kNamedFlagCount)
			mask |= 1u << bit;
		else
			// Flags may be set by message as well as read from a level: counted when repeated.
			tw::Diagnostics::Report("Body flags \"" + text + "\": \"" + word + "\" is no flag name, skipped");
	}
	return mask;
}

std::string FormatBodyFlags(unsigned mask)
{
	std::string text;
	for (unsigned bit = 0; bit < kCollisionMaskBits; ++bit)
		if ((mask & (1u << bit)) != 0)
			text.append(" ").append(BodyFlagName(bit));
	return text;
}

ShapeTransforms ShapeTransforms::From(const Tuple3f& position, const Tuple3f& scale, const Quaternion& orientation)
{
	ShapeTransforms result;
	result.world = Matrix4::FromTransform(position, scale, orientation);
	const Tuple3f inverseScale(TupleMath::GuardedDivide(1.0f, scale.x), TupleMath::GuardedDivide(1.0f, scale.y),
		TupleMath::GuardedDivide(1.0f, scale.z));
	// S⁻¹·Rᵀ, then the translation −(S⁻¹·Rᵀ)·p.
	result.inverse = Matrix4::FromInverseTransform(orientation, inverseScale);
	const Tuple3f back = result.inverse * position;
	for (int row = 0; row < 3; ++row)
		result.inverse.At(row, 3) = -back[row];
	result.direction = result.world.Transpose();
	for (int i = 0; i < 4; ++i)
		result.direction.At(3, i) = result.direction.At(i, 3) = 0.0f;
	return result;
}

ShapeTransforms ShapeTransforms::Within(const ShapeTransforms& parent) const
{
	ShapeTransforms result;
	result.world = parent.world * world;
	result.inverse = inverse * parent.inverse;
	result.direction = direction * parent.direction;
	return result;
}

void RigidBody::ComputeMass(bool keepRotation)
{
	massScale = transform != nullptr ? transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
	if (collider != nullptr)
	{
		collider->ComputeMass(localInverseInertia, mass, centreOfMass);
		inverseMass = mass == 0.0f ? 0.0f : 1.0f / mass;
	}
	else
	{
		mass = inverseMass = 0.0f;
		localInverseInertia = worldInverseInertia = Matrix4();
		centreOfMass = Tuple3f();
	}
	if (!keepRotation && FindComponent(ownerId, ZeroRotation::TypeId()) != nullptr)
		localInverseInertia = worldInverseInertia = Matrix4();
	if (inverseMass == 0.0f)
	{
		Sleep();
		staticMarker = true;
	}
}

void RigidBody::UpdateDerived()
{
	orientation /= static_cast<float>(orientation.Length());
	const Tuple3f scale = transform != nullptr ? transform->GetScale() : Tuple3f(1.0f, 1.0f, 1.0f);
	placedPosition = GetPosition();
	placedScale = scale;
	placedOrientation = orientation;
	placed = true;
	transforms = ShapeTransforms::From(placedPosition, scale, orientation);
	if (collider == nullptr)
	{
		++placementGeneration;
		return;
	}
	float boundsBefore[6];
	std::copy_n(collider->GetBounds(), 6, boundsBefore);
	collider->UpdateTransform();
	collider->UpdateBounds();
	// The ray query's tree over moving bodies holds only their boxes: a body set again where it
	// stood (an editor's "TransformUpdated" every frame) leaves that tree as it is.
	if (!std::equal(boundsBefore, boundsBefore + 6, collider->GetBounds()))
		++placementGeneration;
	worldInverseInertia = Matrix4::SimilarityTransform(localInverseInertia, Matrix4::FromRotation(orientation));
}

void RigidBody::ApplyForce(const Tuple3f& force, const Tuple3f& point)
{
	acceleration += force * inverseMass;
	Tuple3f torque;
	torque.CrossProduct(point - GetWorldCentreOfMass(), force);
	angularAcceleration += worldInverseInertia * torque;
}

Tuple3f RigidBody::GetPosition() const
{
	return transform != nullptr ? transform->GetWorldPosition() : Tuple3f();
}

Tuple3f RigidBody::GetWorldCentreOfMass() const
{
	return transforms.world * centreOfMass;
}

void RigidBody::SetOrientation(const Quaternion& q)
{
	orientation = q;
	if (transform != nullptr)
		transform->SetWorldOrientation(q);
}

Object RigidBody::GetOwner() const
{
	return ObjectFromId(ownerId);
}

void RigidBody::Wake()
{
	if (sleepCounter < 0)
		SendObstacleMessage("RemoveObstacle", ownerId);
	sleepCounter = Physics::Settings().sleepTimeout;
}

void RigidBody::Sleep()
{
	sleepCounter = -1;
	SendObstacleMessage("AddObstacle", ownerId);
}

bool RigidBody::CountStillSteps()
{
	const float epsilon = Physics::Settings().sleepEpsilon;
	const float speed = velocity.LengthSquared();
	const float spin = angularVelocity.LengthSquared();
	if (IsAsleep())
		return speed > kWakeFactor * epsilon || spin > kWakeFactor * epsilon;
	if (!(speed < epsilon && spin < epsilon))
	{
		sleepCounter = Physics::Settings().sleepTimeout;
		return true;
	}
	if (sleepCounter == 0)
		return false;
	--sleepCounter;
	return true;
}

void RigidBody::Settle(bool islandAwake)
{
	if (islandAwake && IsAsleep())
		Wake();
	else if (!islandAwake && !IsAsleep())
		Sleep();
	if (IsAsleep())
		velocity = angularVelocity = Tuple3f();
}
