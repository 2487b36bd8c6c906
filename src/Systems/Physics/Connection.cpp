#include "Systems/Physics/Connection.h"

#include "Serializer.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/MathCommon.h"
#include "Utilities/Matrix4.h"
#include "Utilities/Quaternion.h"

#include <cmath>
#include <map>

namespace
{
	constexpr float kConnectionRadiansPerDegree = static_cast<float>(kDegreesToRadians);
	constexpr float kConnectionDegreesPerRadian = static_cast<float>(kRadiansToDegrees);
	// How far a socket's twist and a hinge's twist may stray from the rest pose.
	const float kSocketTwistLimit = std::sin(0.08726646f);
	const float kHingeTwistLimit = std::sin(0.034906585f);

	// The twist constraint of a socket or hinge: about the model direction, measured from a
	// direction across it, within the limit.
	void ConfigureTwist(AngleAxisConstraint& twist, const Tuple3f& modelDirection, float limit)
	{
		twist.axis = modelDirection;
		twist.reference = UnitOrZero(PerpendicularVector(modelDirection));
		twist.limit = limit;
	}

	// The anchor that holds a socket's or hinge's bodies together: no length, both ways.
	void ConfigureJoint(DistanceConstraint& joint)
	{
		joint.length = 0.0f;
		joint.lowerBound = -kUnboundedMultiplier;
		joint.upperBound = kUnboundedMultiplier;
	}
}

bool Connection::SetUp()
{
	if (bodyA == nullptr || bodyB == nullptr)
		return false;
	for (BaseConstraint* constraint : constraints)
	{
		Constraint* record = constraint->ref.record;
		if (record == nullptr)
			continue;
		record->bodyA = bodyA;
		record->bodyB = bodyB;
		record->lowerBound = constraint->lowerBound;
		record->upperBound = constraint->upperBound;
		record->lambda = 0.0f;
		record->forceScale = 1.0f;
	}
	return true;
}

bool Connection::SetUpAtRest(DistanceConstraint& anchor, AngleAxisConstraint& twist)
{
	if (!Connection::SetUp())
		return false;
	anchor.MatchAnchorB();
	twist.MatchDirection();
	return true;
}

void Connection::CreateConstraints(ResolutionManager& resolution)
{
	for (BaseConstraint* constraint : constraints)
		constraint->ref = resolution.CreateConstraint();
}

bool Connection::Connect(ResolutionManager& resolution)
{
	if (bodyA == nullptr || bodyB == nullptr)
		return false;
	connected = true;
	bodyA->Wake();
	bodyB->Wake();
	for (BaseConstraint* constraint : constraints)
		resolution.EnableConstraint(constraint->ref);
	return true;
}

void Connection::Disconnect(ResolutionManager& resolution)
{
	if (resolution.tearingDown)
		return;
	connected = false;
	for (BaseConstraint* constraint : constraints)
		resolution.DisableConstraint(constraint->ref);
}

void Connection::DestroyConstraints(ResolutionManager& resolution)
{
	for (BaseConstraint* constraint : constraints)
	{
		if (resolution.tearingDown)
			constraint->ref = ConstraintRef();
		else
			resolution.DestroyConstraint(constraint->ref);
	}
}

void Connection::Update(ResolutionManager& resolution)
{
	const bool bothStatic = bodyA != nullptr && bodyB != nullptr && bodyA->staticMarker && bodyB->staticMarker;
	if (connected && bothStatic)
		Disconnect(resolution);
	if (!connected && !bothStatic)
		Connect(resolution);
	if (!connected)
		return;
	for (BaseConstraint* constraint : constraints)
		if (constraint->ref.record != nullptr)
			constraint->BuildRows();
}

DistanceConstraint* Connection::FindDistanceConstraint() const
{
	for (BaseConstraint* constraint : constraints)
		if (auto* distance = dynamic_cast<DistanceConstraint*>(constraint))
			return distance;
	return nullptr;
}

void Connection::Adopt(std::initializer_list<BaseConstraint*> adopted)
{
	const float baumgarte = Physics::Settings().baumgarte;
	for (BaseConstraint* constraint : adopted)
	{
		constraint->owner = this;
		constraint->beta = baumgarte;
	}
}

void Connection::List(std::initializer_list<BaseConstraint*> listed)
{
	Adopt(listed);
	constraints.assign(listed.begin(), listed.end());
}

DistanceConnection::DistanceConnection(const char* lengthKey, float upperBound) :
	lengthKey(lengthKey), upperBound(upperBound)
{
}

bool DistanceConnection::Load(Serializer& serializer)
{
	serializer.Read(distance.length).Read(distance.anchorA).Read(distance.anchorB);
	Configure(distance.length);
	return true;
}

void DistanceConnection::Configure(float length)
{
	distance.length = length;
	distance.lowerBound = -kUnboundedMultiplier;
	distance.upperBound = upperBound;
	List({&distance});
}

bool DistanceConnection::Save(Serializer& serializer) const
{
	serializer.Write(lengthKey, distance.length).Write("Position 1", distance.anchorA).Write("Position 2", distance.anchorB);
	return true;
}

bool SocketConnection::Load(Serializer& serializer)
{
	float degrees = angle * kConnectionDegreesPerRadian;
	Tuple3f anchorA = distance.anchorA;
	Tuple3f directionA = cone.directionA;
	Tuple3f directionB = cone.directionB;
	serializer.Read(anchorA).Read(degrees).Read(directionA).Read(directionB);
	Configure(anchorA, degrees * kConnectionRadiansPerDegree, directionA, directionB);
	return true;
}

void SocketConnection::Configure(const Tuple3f& anchorA, float radians, const Tuple3f& directionA, const Tuple3f& directionB)
{
	distance.anchorA = anchorA;
	angle = radians;
	cone.directionA = directionA;
	cone.directionB = directionB;
	ConfigureJoint(distance);
	cone.limit = std::sin(angle);
	ConfigureTwist(axis, cone.directionA, kSocketTwistLimit);
	for (BaseConstraint* angular : {static_cast<BaseConstraint*>(&axis), static_cast<BaseConstraint*>(&cone)})
	{
		angular->lowerBound = 0.0f;
		angular->upperBound = kUnboundedMultiplier;
	}
	List({&axis, &cone, &distance});
}

bool SocketConnection::Save(Serializer& serializer) const
{
	serializer.Write("Position 1", distance.anchorA)
		.Write("Angle", angle * kConnectionDegreesPerRadian)
		.Write("ModelDirection1", cone.directionA)
		.Write("ModelDirection2", cone.directionB);
	return true;
}

bool SocketConnection::SetUp()
{
	return SetUpAtRest(distance, axis);
}

bool HingeConnection::Load(Serializer& serializer)
{
	serializer.Read(modelPosition1).Read(angle).Read(modelDirection1).Read(modelDirection2).Read(rotationAxis1);
	distance.anchorA = modelPosition1;
	ConfigureJoint(distance);

	const Tuple3f d1 = modelDirection1;
	const Tuple3f d2 = Matrix4::FromAxisAngle(UnitOrZero(rotationAxis1), angle * kConnectionRadiansPerDegree) * d1;
	plane.limitDirection1 = d1;
	plane.limitDirection2 = d2;
	plane.directionB = modelDirection2;
	plane.sideNormal = UnitOrZero(d1 - d2);
	Tuple3f normal;
	plane.planeNormal = UnitOrZero(normal.CrossProduct(d1, d2));
	plane.threshold = d1.DotProduct(plane.sideNormal);
	ConfigureTwist(axis, modelDirection1, kHingeTwistLimit);
	Adopt({&plane, &axis});
	List({&distance});
	return true;
}

bool HingeConnection::Save(Serializer& serializer) const
{
	serializer.Write("model position 1", modelPosition1)
		.Write("angle", angle)
		.Write("model direction 1", modelDirection1)
		.Write("model direction 2", modelDirection2)
		.Write("rotation axis 1", rotationAxis1);
	return true;
}

bool HingeConnection::SetUp()
{
	return SetUpAtRest(distance, axis);
}

const Connection* ConnectionPrototypeLookup(const std::string& kind)
{
	static const std::map<std::string, std::unique_ptr<const Connection>> prototypes = [] {
		std::map<std::string, std::unique_ptr<const Connection>> made;
		made.emplace("Rope", std::make_unique<RopeConnection>());
		made.emplace("Rod", std::make_unique<RodConnection>());
		made.emplace("Socket", std::make_unique<SocketConnection>());
		made.emplace("Hinge", std::make_unique<HingeConnection>());
		return made;
	}();
	const auto found = prototypes.find(kind);
	return found != prototypes.end() ? found->second.get() : nullptr;
}
