#include "Components/Logic/Blow.h"

#include "Archetype.h"
#include "Components/Logic/CameraAim.h"
#include "Components/Logic/GameplayRules.h"
#include "Components/Logic/Scaler.h"
#include "Components/Physics/ObjectBodies.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Random.h"
#include "Utilities/v8/JSObject.h"
#include "Utilities/v8/ScriptTuples.h"

#include <algorithm>
#include <cmath>

namespace
{
	[[maybe_unused]] const bool blowScriptClassRegistered = [] {
		JSObject<Blow>::Bind("Blow", 0)
			.AddMember("maxObjs", &Blow::maxHeld)
			.AddGetter("empty", &Blow::HasRoom)
			.AddMember("heldObjs", &Blow::heldObjs);
		return true;
	}();

	constexpr float kMinBlowStrength = 0.0001f;
	// Apart enough that two parked objects, shrunk or not, never touch.
	constexpr float kParkSpacing = 20.0f;
	// Parking happens once a taken-in object is this slow or this close to the player (squared).
	constexpr float kParkSpeedSquared = 1.0f;
	constexpr float kParkDistanceSquared = 2.0f;
	constexpr unsigned kExplodeHeldShot = 0;
	constexpr unsigned kExplodePlaced = 1;
	constexpr unsigned kExplodeGust = 2;

	float Lerp(float from, float to, float t)
	{
		return from + (to - from) * t;
	}

	// The rotation vector that turns +z onto the direction; none when the two are parallel.
	Tuple3f RotationFromForward(const Tuple3f& direction)
	{
		const Tuple3f forward(0.0f, 0.0f, 1.0f);
		const Tuple3f axis = Cross(forward, direction);
		const double length = axis.Length();
		if (!(length > 0.0))
			return Tuple3f();
		return axis * static_cast<float>(direction.AngleBetween(forward) / length);
	}

	// One draw of the game's generator mapped to [-5, 5] radians per second.
	float RandomSpin()
	{
		return (static_cast<float>(tw::Rand()) / static_cast<float>(tw::kRandMax) - 0.5f) * 10.0f;
	}

	void Send(const Object& object, const char* name)
	{
		object.object->HandleMessage(Message(name));
	}

	template <class T>
	void Send(const Object& object, const char* name, const T& value)
	{
		object.object->HandleMessage(Message(name).Push(value));
	}
}

bool Blow::Load(Serializer& serializer)
{
	serializer.Read(maxHeld).Read(minShootSpeed).Read(maxShootSpeed).Read(emptyShootSpeed).Read(minShootForce).Read(
		maxShootForce).Read(emptyObjFile);
	return true;
}

bool Blow::Serialize(Serializer& serializer)
{
	serializer.Write("maxHeld", maxHeld)
		.Write("minShootSpeed", minShootSpeed)
		.Write("maxShootSpeed", maxShootSpeed)
		.Write("emptyShootSpeed", emptyShootSpeed)
		.Write("minShootForce", minShootForce)
		.Write("maxShootForce", maxShootForce)
		.Write("emptyObjFile", emptyObjFile);
	return true;
}

bool Blow::Start()
{
	owner->RegisterHandler("StartGust", &Blow::OnStartGust);
	owner->RegisterHandler("AddObject", &Blow::OnAddObject);
	owner->RegisterHandler("PlaceObject", &Blow::OnPlaceObject);
	return true;
}

bool Blow::Update()
{
	const RigidBody* ownBody = MainBodyOf(owner->GetId());
	for (const unsigned objectId : heldObjs)
	{
		const Object held = ObjectFromId(objectId);
		const Transform* transform = held.IsDummy() ? nullptr : held.object->GetComponent<Transform>();
		if (transform == nullptr)
			continue;
		const Tuple3f position = transform->GetWorldPosition();
		if (!(position.y > kParkHeight))
		{
			HoldStill(objectId);
			continue;
		}
		const RigidBody* body = MainBodyOf(objectId);
		if (body == nullptr)
			continue;
		const bool slow = body->velocity.LengthSquared() < kParkSpeedSquared;
		const bool close = ownBody != nullptr && position.DistanceSquared(ownBody->GetPosition()) < kParkDistanceSquared;
		if (slow || close)
			Park(objectId);
	}
	if (!HasRoom())
		owner->HandleMessage(Message("SetSucking").PushBool(false));
	return true;
}

bool Blow::ReadAim(Message::Reader& reader, Aim& aim) const
{
	if (reader.HasMore())
	{
		reader.Read(aim.origin);
		Tuple3f direction;
		reader.Read(direction);
		// A zero or broken direction is refused: normalised, it would write infinite velocities
		// into the shot.
		if (!IsFinite(direction) || TupleMath::IsZeroLength<float>(direction.Length()))
		{
			tw::Diagnostics::Report("Blow of object '" + owner->GetName() + "' (" + std::to_string(owner->GetId()) +
				"): \"StartGust\" with a zero or non-finite direction shoots nothing");
			return false;
		}
		aim.direction = direction.Normalize();
	}
	else
	{
		const std::optional<CameraAim> camera = CameraAim::Active();
		if (!camera)
			return false;
		aim.origin = camera->eye;
		aim.direction = camera->direction;
	}
	if (reader.HasMore())
		reader.Read(aim.rotation);
	else
		aim.rotation = RotationFromForward(aim.direction);
	return true;
}

void Blow::OnStartGust(Message::Reader reader)
{
	float strength = 0.0f;
	reader.Read(strength);
	Aim aim;
	if (LogicPaused() || !(strength >= kMinBlowStrength) || !ReadAim(reader, aim))
		return;

	const unsigned heldId = TakeNewest();
	if (heldId != 0 && !ObjectFromId(heldId).IsDummy())
	{
		const float speed = HeldShotSpeed(heldId, strength);
		LetOut(heldId, kExplodeHeldShot);
		RigidBody* hitBody = nullptr;
		Tuple3f hitPoint;
		const CameraAim ray{aim.origin, aim.direction};
		const bool blocked = ray.Cast(hitBody, hitPoint) && aim.origin.DistanceSquared(hitPoint) <= kMuzzleDistance * kMuzzleDistance;
		if (!blocked)
			aim.origin += aim.direction * kMuzzleDistance;
		owner->HandleMessage(Message("FireObject"));
		Launch(heldId, aim, speed);
	}
	else if (!emptyObjFile.empty())
	{
		// An empty gust file means a breath out with nothing held shoots nothing.
		const Object gust = CreateObjectFromArchetype(emptyObjFile);
		gust.object->Start();
		aim.origin += aim.direction * kMuzzleDistance;
		Send(gust, "SetForce", Lerp(minShootForce, maxShootForce, strength));
		Send(gust, "SetExplodeType", kExplodeGust);
		Launch(gust.id, aim, emptyShootSpeed);
	}
	owner->HandleMessage(Message("Blow"));
}

float Blow::HeldShotSpeed(unsigned objectId, float strength) const
{
	// Light objects fly at full speed, heavy ones at half; an object without a body counts as
	// immovable.
	const RigidBody* body = MainBodyOf(objectId);
	const float inverseMass = body != nullptr ? body->inverseMass : 0.0f;
	const float massFactor = std::clamp(0.4444f + 0.0001479f * inverseMass, 0.5f, 1.0f);
	return Lerp(minShootSpeed, maxShootSpeed, strength) * massFactor;
}

void Blow::Launch(unsigned objectId, const Aim& aim, float speed) const
{
	const Object shot = ObjectFromId(objectId);
	Tuple3f spin;
	spin.z = RandomSpin();
	spin.y = RandomSpin();
	spin.x = RandomSpin();
	Send(shot, "ShotFromObj");
	Send(shot, "SetPos", aim.origin);
	Send(shot, "SetRot", aim.rotation);
	Send(shot, "TransformUpdated");
	Send(shot, "SetAngularVelocity", spin);
	Send(shot, "SetDirection", aim.direction);
	Send(shot, "SetVelocity", aim.direction * speed);
	Send(shot, "Orient", aim.direction);
}

void Blow::OnAddObject(Message::Reader reader)
{
	unsigned objectId = 0;
	reader.Read(objectId);
	const Object taken = ObjectFromId(objectId);
	if (taken.IsDummy())
		return;
	if (std::find(heldObjs.begin(), heldObjs.end(), objectId) == heldObjs.end() && HasRoom())
	{
		heldObjs.push_back(objectId);
		Send(taken, "PauseClock", true);
		Send(taken, "WakeUp");
		Send(taken, "Ragdoll", true);
		// The new shrink starts from the size the object was made with: caught while it grows back,
		// it would otherwise take its half-grown size for its own and stay small for good.
		if (const Scaler* regrowing = taken.object->GetComponent<Scaler>())
			Send(taken, "SetScale", regrowing->GetStartScale());
		while (reader.HasMore())
		{
			unsigned typeId = 0;
			Serializer* data = nullptr;
			reader.Read(typeId);
			reader.Read(data);
			if (data == nullptr || !taken.object->AddComponent(typeId, *data))
				break;
			if (Component* added = taken.object->GetComponent(typeId))
				added->Start();
			taken.object->RegisterHandler("ScalerDone", &Blow::OnScalerDone, owner->GetId());
		}
	}
	if (!HasRoom())
		owner->HandleMessage(Message("EnableSuck").PushBool(false));
}

void Blow::OnPlaceObject(Message::Reader)
{
	const std::optional<CameraAim> camera = CameraAim::Active();
	if (!camera)
		return;
	const unsigned objectId = TakeNewest();
	const Object placed = ObjectFromId(objectId);
	if (objectId == 0 || placed.IsDummy())
		return;
	Send(placed, "SetPos", camera->eye + camera->direction * kMuzzleDistance);
	Send(placed, "SetRot", Tuple3f());
	Send(placed, "TransformUpdated");
	Send(placed, "SetAngularVelocity", Tuple3f());
	Send(placed, "SetDirection", Tuple3f());
	Send(placed, "SetVelocity", Tuple3f());
	Send(placed, "Orient", camera->direction);
	LetOut(objectId, kExplodePlaced);
}

void Blow::LetOut(unsigned objectId, unsigned explodeType)
{
	const Object released = ObjectFromId(objectId);
	Send(released, "ReverseScaler");
	Send(released, "RestartScaler");
	Send(released, "PauseClock", false);
	Send(released, "RestartClock");
	Send(released, "SetExplodeType", explodeType);
	released.object->RegisterHandler("ScalerDone", &Blow::OnScalerDone, owner->GetId());
}

void Blow::OnScalerDone(Message::Reader reader)
{
	const Object object = ObjectFromId(reader.objectId);
	if (object.IsDummy())
		return;
	// One handler serves both ends of a scaling: a held object has shrunk and is parked; a shot or
	// placed one has grown back and loses its Scaler. Deciding by the list keeps an object shot
	// before its shrinking ended from being parked again.
	if (std::find(heldObjs.begin(), heldObjs.end(), reader.objectId) != heldObjs.end())
		Park(reader.objectId);
	else
		object.object->RemoveComponent("Scaler");
	object.object->DropHandlers(owner->GetId());
}

unsigned Blow::TakeNewest()
{
	if (heldObjs.empty())
		return 0;
	const unsigned objectId = heldObjs.back();
	heldObjs.pop_back();
	owner->HandleMessage(Message("EnableSuck").PushBool(true));
	Unpark(objectId);
	return objectId;
}

bool Blow::IsParked(const RigidBody& body)
{
	return !(body.GetPosition().y > kParkHeight) && body.HasFlag(kBodyNoGravity);
}

void Blow::Park(unsigned objectId)
{
	const auto slot = std::find(heldObjs.begin(), heldObjs.end(), objectId) - heldObjs.begin();
	const Tuple3f spot(0.0f, kParkHeight - kParkSpacing * static_cast<float>(slot), 0.0f);
	Send(ObjectFromId(objectId), "SetPos", spot);
	RigidBody* body = MainBodyOf(objectId);
	if (body == nullptr)
		return;
	const bool known = std::any_of(parkedFlags.begin(), parkedFlags.end(), [objectId](const auto& entry) { return entry.first == objectId; });
	if (!known)
		parkedFlags.emplace_back(objectId, body->flags);
	body->flags |= kBodyNoGravity;
	HoldStill(objectId);
}

void Blow::HoldStill(unsigned objectId) const
{
	if (RigidBody* body = MainBodyOf(objectId))
	{
		body->velocity = Tuple3f();
		body->angularVelocity = Tuple3f();
	}
}

void Blow::Unpark(unsigned objectId)
{
	const auto entry = std::find_if(parkedFlags.begin(), parkedFlags.end(), [objectId](const auto& parked) { return parked.first == objectId; });
	if (entry == parkedFlags.end())
		return;
	if (RigidBody* body = MainBodyOf(objectId))
		body->flags = (body->flags & ~kBodyNoGravity) | (entry->second & kBodyNoGravity);
	parkedFlags.erase(entry);
}
