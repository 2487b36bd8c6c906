#include "Components/Physics/GolemPoints.h"

#include "Components/Physics/Body.h"
#include "Components/Physics/StepVelocity.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Systems/Physics/RigidBody.h"
#include "Systems/Physics/TransgressionManager.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Quaternion.h"

namespace
{
	constexpr float kFarAway = 1e12f;
	// A rope shorter than this holds its object at the point and damps it.
	constexpr float kHeldLength = 0.1f;

	RigidBody* BodyOfObject(unsigned objectId)
	{
		const Object object = ObjectFromId(objectId);
		const Body* body = object.IsDummy() ? nullptr : object.object->GetComponent<Body>();
		return body != nullptr ? body->GetBody() : nullptr;
	}
}

GolemPoints::GolemPoints(const GolemPoints& other) : ComponentBase(other), reelTime(other.reelTime), damp(other.damp)
{
}

GolemPoints::~GolemPoints() = default;

bool GolemPoints::Load(Serializer& serializer)
{
	owner->RegisterHandler("SetPoints", &GolemPoints::OnSetPoints);
	owner->RegisterHandler("Ragdoll", &GolemPoints::OnRagdoll);
	serializer.Read(reelTime);
	serializer.Read(damp);
	return true;
}

bool GolemPoints::Serialize(Serializer& serializer)
{
	serializer.Write("reelTime", reelTime);
	serializer.Write("damp", damp);
	return true;
}

bool GolemPoints::Start()
{
	skeleton = owner->GetComponent<BoneTransform>();
	frame = owner->GetComponent<Transform>();
	ReleaseAll();
	return true;
}

bool GolemPoints::Update()
{
	if (frame != nullptr)
		localToWorld = Matrix4::FromTransform(frame->GetWorldPosition(), frame->GetScale(), frame->GetWorldOrientation());
	reeledLastFrame = reeling;
	reeling = false;
	bool finishedNow = false;
	for (const std::unique_ptr<Point>& point : points)
	{
		finishedNow = UpdatePoint(*point) || finishedNow;
		if (point->reelTimer > 0.0f)
			reeling = true;
	}
	if (!reeling && (reeledLastFrame || finishedNow))
		owner->HandleMessage(Message("ReeledIn"));
	return true;
}

void GolemPoints::Detach()
{
	ReleaseAll();
}

void GolemPoints::OnSetPoints(Message::Reader reader)
{
	const std::vector<PointDescription>* descriptions = nullptr;
	reader.Read(descriptions);
	if (!points.empty())
		ReleaseAll();
	if (descriptions == nullptr)
		return;
	for (const PointDescription& description : *descriptions)
	{
		auto point = std::make_unique<Point>();
		const auto bone = skeleton != nullptr ? skeleton->Find(description.bone) : BoneTransform::BoneTable::iterator();
		if (skeleton != nullptr && bone != skeleton->End())
		{
			point->bone = &bone->second;
			point->offset = Quaternion::InverseRotate(bone->second.orientation, description.position - bone->second.position);
		}
		else
		{
			// The point is kept and follows the golem's frame at its model-space position.
			tw::Diagnostics::Report("GolemPoints of object \"" + owner->GetName() + "\": the skeleton has no bone \"" +
				description.bone + "\", the point follows the object alone");
			point->offset = description.position;
		}
		points.push_back(std::move(point));
	}
	for (const std::unique_ptr<Point>& point : points)
		MakeAnchor(*point);
}

void GolemPoints::OnRagdoll(Message::Reader reader)
{
	const bool ragdolled = reader.Read<bool>();
	for (const std::unique_ptr<Point>& point : points)
		SetReeling(*point, !ragdolled);
}

void GolemPoints::MakeAnchor(Point& point)
{
	point.rope.Configure(0.0f);
	point.reelTimer = 0.0f;
	point.previousAnchorPosition = Tuple3f();
	Physics* physics = Physics::Instance();
	if (physics == nullptr)
		return;
	ResolutionManager& resolution = physics->GetResolution();
	point.anchor = resolution.bodyPool.Insert(RigidBody());
	if (point.anchor == nullptr)
	{
		Physics::ReportBodyPoolFull("GolemPoints", owner->GetName(), "a point has no anchor");
		return;
	}
	resolution.AddBody(*point.anchor);
	point.anchor->flags |= kBodyNoGravity;
	point.rope.CreateConstraints(resolution);
	point.frame.SetScale(Tuple3f(1.0f, 1.0f, 1.0f));
	point.frame.SetWorldOrientation(Quaternion());
	point.anchor->transform = &point.frame;
	point.anchor->ownerId = owner->GetId();
	point.anchor->staticMarker = false;
	point.anchor->ComputeMass(false);
}

bool GolemPoints::UpdatePoint(Point& point)
{
	if (point.anchor == nullptr)
		return false;
	point.anchor->Wake();
	const Tuple3f local = point.bone != nullptr
		? point.bone->position + Quaternion::Rotate(point.bone->orientation, point.offset)
		: point.offset;
	const Tuple3f world = localToWorld * local;
	point.frame.SetWorldPosition(world);
	const float step = Physics::Settings().timeStep;
	point.anchor->velocity = VelocityOverStep(world - point.previousAnchorPosition, step);
	point.previousAnchorPosition = world;
	point.anchor->UpdateDerived();

	RigidBody* held = point.rope.bodyB;
	if (!point.taken || !point.reeling || held == nullptr)
		return false;
	const float timer = point.reelTimer - step;
	bool finished = false;
	if (timer > 0.0f)
		point.rope.distance.length = timer / reelTime * point.fullLength;
	// Crossing zero includes landing on it exactly, and a reelTime of zero or less lands in the
	// first update, so that the object never stays a ghost.
	else if (point.reelPending)
	{
		point.rope.distance.length = 0.0f;
		held->flags &= ~(kBodyGhost | kBodyNoGravity);
		point.reelPending = false;
		finished = true;
	}
	point.reelTimer = timer;
	if (point.rope.distance.length < kHeldLength)
	{
		held->velocity = held->velocity * damp;
		held->angularVelocity = held->angularVelocity * damp;
	}
	return finished;
}

int GolemPoints::AttachObject(unsigned objectId)
{
	if (attachedCount >= points.size())
		return -1;
	RigidBody* body = BodyOfObject(objectId);
	if (body == nullptr || attached.find(objectId) != attached.end())
		return -1;
	const Tuple3f position = body->GetPosition();
	int nearest = -1;
	float best = kFarAway;
	for (std::size_t i = 0; i < points.size(); ++i)
	{
		if (points[i]->taken)
			continue;
		const float distance = (points[i]->frame.GetWorldPosition() - position).LengthSquared();
		if (distance < best)
		{
			best = distance;
			nearest = static_cast<int>(i);
		}
	}
	if (nearest < 0)
		return -1;
	Point& point = *points[static_cast<std::size_t>(nearest)];
	attached[objectId] = &point;
	UpdatePoint(point);
	AttachRope(point, *body);
	++attachedCount;
	return nearest;
}

void GolemPoints::ReleaseObject(unsigned objectId)
{
	const auto found = attached.find(objectId);
	if (found == attached.end())
		return;
	DetachRope(*found->second);
	--attachedCount;
	attached.erase(found);
}

void GolemPoints::GetAttachedObjects(std::vector<unsigned>& objectIds) const
{
	for (const auto& entry : attached)
		objectIds.push_back(entry.first);
}

Tuple3f GolemPoints::GetObjectPointPosition(unsigned objectId) const
{
	const auto found = attached.find(objectId);
	return found != attached.end() ? found->second->frame.GetWorldPosition() : Tuple3f();
}

void GolemPoints::SetPointValue(unsigned objectId, float length)
{
	const auto found = attached.find(objectId);
	if (found != attached.end())
		found->second->rope.distance.length = length;
}

void GolemPoints::AttachRope(Point& point, RigidBody& body)
{
	Physics* physics = Physics::Instance();
	if (point.taken || point.anchor == nullptr || physics == nullptr)
		return;
	point.taken = true;
	point.reeling = true;
	point.reelPending = true;
	point.reelTimer = reelTime;
	body.flags |= kBodyGhost | kBodyNoGravity;
	const float distance = (point.anchor->GetPosition() - body.GetPosition()).Length();
	point.rope.bodyA = point.anchor;
	point.rope.bodyB = &body;
	point.fullLength = distance;
	point.rope.distance.length = distance;
	point.rope.SetUp();
	point.rope.Connect(physics->GetResolution());
	physics->GetTransgression().AddConnection(point.rope);
}

void GolemPoints::DetachRope(Point& point)
{
	Physics* physics = Physics::Instance();
	if (!point.taken || physics == nullptr)
		return;
	if (point.reeling && point.rope.bodyB != nullptr)
	{
		point.rope.bodyB->flags &= ~(kBodyGhost | kBodyNoGravity);
		point.rope.Disconnect(physics->GetResolution());
		physics->GetTransgression().RemoveConnection(point.rope);
	}
	point.taken = false;
	point.reeling = false;
	point.reelPending = false;
}

void GolemPoints::SetReeling(Point& point, bool on)
{
	Physics* physics = Physics::Instance();
	RigidBody* held = point.rope.bodyB;
	if (!point.taken || point.reeling == on || held == nullptr || physics == nullptr)
		return;
	if (on)
	{
		point.reelTimer = reelTime;
		point.reelPending = true;
		point.fullLength = (point.anchor->GetPosition() - held->GetPosition()).Length();
		point.rope.Connect(physics->GetResolution());
		physics->GetTransgression().AddConnection(point.rope);
		point.reeling = true;
		return;
	}
	held->flags &= ~kBodyNoGravity;
	point.rope.Disconnect(physics->GetResolution());
	physics->GetTransgression().RemoveConnection(point.rope);
	point.reeling = false;
}

void GolemPoints::ReleaseAll()
{
	if (Physics* physics = Physics::Instance())
	{
		ResolutionManager& resolution = physics->GetResolution();
		for (const std::unique_ptr<Point>& point : points)
		{
			// The held object is let go whole: the rope no longer pulls and its flags come back.
			DetachRope(*point);
			point->rope.DestroyConstraints(resolution);
			if (point->anchor != nullptr)
			{
				resolution.RemoveBody(*point->anchor);
				resolution.bodyPool.Erase(point->anchor);
			}
		}
	}
	points.clear();
	attached.clear();
	attachedCount = 0;
	reeling = false;
}
