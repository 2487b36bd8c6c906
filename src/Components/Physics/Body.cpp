#include "Components/Physics/Body.h"

#include "ComponentFactory.h"
#include "Components/Physics/PhysicsMaterial.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Quaternion.h"
#include "Utilities/v8/ScriptTuples.h"

#include <memory>
#include <string>

namespace
{
	[[maybe_unused]] const bool bodyScriptClassRegistered = [] {
		JSObject<Body>::Bind("Body", 0)
			.AddAccessor("Velocity", &Body::GetVelocity, &Body::SetVelocity)
			.AddAccessor("AngularVelocity", &Body::GetAngularVelocity, &Body::SetAngularVelocity);
		return true;
	}();

	constexpr const char* kNoFlags = "DEFAULT";
}

Body::Body(const Body& other) : ComponentBase(other), started(other.started), colliderDetached(other.colliderDetached)
{
}

bool Body::Load(Serializer& serializer)
{
	owner->RegisterHandler("RemoteInit", &Body::OnRemoteInit);
	started = false;
	Physics* physics = Physics::Instance();
	if (physics != nullptr && body == nullptr)
	{
		ResolutionManager& resolution = physics->GetResolution();
		body = resolution.bodyPool.Insert(RigidBody());
		if (body != nullptr)
			resolution.AddBody(*body);
		else
			Physics::ReportBodyPoolFull("Body", owner->GetName(), "the object is not simulated");
	}
	// Read into a scratch body when there is none, so that the reading position stays right.
	RigidBody scratch;
	RigidBody& target = body != nullptr ? *body : scratch;
	serializer.Read(target.velocity);
	serializer.Read(target.acceleration);
	serializer.Read(target.angularVelocity);
	serializer.Read(target.angularAcceleration);
	std::string flags = kNoFlags;
	serializer.Read(flags);
	if (flags != kNoFlags)
		target.flags |= ParseBodyFlags(flags);
	LoadCollider(serializer);
	target.ownerId = owner->GetId();
	return true;
}

void Body::LoadCollider(Serializer& serializer)
{
	collider = nullptr;
	if (!serializer.HasMore())
		return;
	serializer.EnterNode("", "");
	std::string typeName;
	serializer.Read(typeName);
	const Collider* prototype = ColliderPrototypeLookup(typeName);
	if (prototype == nullptr)
	{
		// Bad data must not crash the level: the object stays a body without a collider.
		tw::Diagnostics::Report("Body of object \"" + owner->GetName() + "\": \"" + typeName +
			"\" is no collider type, the body has no collider");
	}
	else
	{
		collider = prototype->Clone();
		collider->typeName = typeName;
		collider->SetOwnerId(owner->GetId());
		collider->SetBody(body);
		collider->Load(serializer);
	}
	serializer.LeaveNode();
}

bool Body::Serialize(Serializer& serializer)
{
	const RigidBody empty;
	const RigidBody& source = body != nullptr ? *body : empty;
	serializer.Write("Velocity", source.velocity);
	serializer.Write("Acceleration", source.acceleration);
	serializer.Write("Angular Velocity", source.angularVelocity);
	serializer.Write("Angular Acceleration", source.angularAcceleration);
	serializer.Write("flags", source.flags == 0 ? std::string(kNoFlags) : FormatBodyFlags(source.flags));
	if (collider != nullptr)
	{
		serializer.EnterNode("", "Composite");
		serializer.Write("Composite Type", collider->typeName);
		collider->Save(serializer);
		serializer.LeaveNode();
	}
	return true;
}

bool Body::Start()
{
	if (started)
		return true;
	started = true;
	if (Component* ragdoll = owner->GetComponent(ComponentTypeIdFromName("Ragdoll")); ragdoll != nullptr)
		owner->RegisterHandler("Ragdoll", &Body::OnRagdoll);
	owner->RegisterHandler("SetVelocity", &Body::OnSetVelocity);
	owner->RegisterHandler("SetAngularVelocity", &Body::OnSetAngularVelocity);
	owner->RegisterHandler("SetPos", &Body::OnSetPos);
	owner->RegisterHandler("SetRot", &Body::OnSetRot);
	owner->RegisterHandler("SetScale", &Body::OnSetScale);
	owner->RegisterHandler("TransformUpdated", &Body::OnTransformUpdated);
	owner->RegisterHandler("SetStatic", &Body::OnSetStatic);
	owner->RegisterHandler("WakeUp", &Body::OnWakeUp);
	if (body != nullptr)
	{
		body->transform = owner->GetComponent<Transform>();
		if (body->transform != nullptr)
			body->orientation = QuaternionFromRotationVector(body->transform->GetWorldRotationVector());
		body->sleepCounter = Physics::Settings().sleepTimeout;
		body->staticMarker = false;
		body->collider = collider;
		body->ComputeMass(false);
		body->UpdateDerived();
		if (collider != nullptr)
		{
			FileCollider();
			collider->Initialize();
		}
	}
	owner->HandleMessage(Message("RemoteInit"));
	return true;
}

void Body::Detach()
{
	if (body != nullptr)
		body->Wake();
	WithdrawCollider();
}

void Body::Release()
{
	WithdrawCollider();
	delete collider;
	collider = nullptr;
	if (body == nullptr)
		return;
	body->collider = nullptr;
	if (Physics* physics = Physics::Instance())
	{
		physics->GetRescales().Forget(*body);
		physics->GetResolution().RemoveBody(*body);
		physics->GetResolution().bodyPool.Erase(body);
	}
	body = nullptr;
}

void Body::FileCollider()
{
	Physics* physics = Physics::Instance();
	if (collider == nullptr || colliderFiled || physics == nullptr)
		return;
	physics->GetDetection().AddCollider(collider);
	colliderFiled = true;
}

void Body::WithdrawCollider()
{
	Physics* physics = Physics::Instance();
	if (!colliderFiled || physics == nullptr)
		return;
	physics->GetDetection().RemoveCollider(collider);
	colliderFiled = false;
}

void Body::WakeIslandAndUpdate()
{
	if (Physics* physics = Physics::Instance())
		physics->GetTransgression().WakeIsland(*body);
	body->UpdateDerived();
}

Tuple3f Body::GetVelocity() const
{
	return body != nullptr ? body->velocity : Tuple3f();
}

void Body::SetVelocity(const Tuple3f& velocity)
{
	if (body == nullptr)
		return;
	body->velocity = velocity;
	body->Wake();
}

Tuple3f Body::GetAngularVelocity() const
{
	return body != nullptr ? body->angularVelocity : Tuple3f();
}

void Body::SetAngularVelocity(const Tuple3f& angularVelocity)
{
	if (body != nullptr)
		body->angularVelocity = angularVelocity;
}

void Body::OnRemoteInit(Message::Reader)
{
	// The collider-detached flag stays as it is: a ragdoll holds the collider out of detection,
	// and clearing the flag here would keep it out for good.
	Start();
}

void Body::OnRagdoll(Message::Reader reader)
{
	const bool detach = reader.Read<bool>();
	if (detach == colliderDetached)
		return;
	colliderDetached = detach;
	if (detach)
		WithdrawCollider();
	else
		FileCollider();
}

void Body::OnSetVelocity(Message::Reader reader)
{
	Tuple3f velocity;
	if (reader.Read(velocity))
		SetVelocity(velocity);
}

void Body::OnSetAngularVelocity(Message::Reader reader)
{
	Tuple3f angularVelocity;
	if (reader.Read(angularVelocity))
		SetAngularVelocity(angularVelocity);
}

void Body::OnSetPos(Message::Reader reader)
{
	Tuple3f position;
	if (body == nullptr || !reader.Read(position))
		return;
	if (body->transform != nullptr)
		body->transform->SetWorldPosition(position);
	WakeIslandAndUpdate();
}

void Body::OnSetRot(Message::Reader reader)
{
	Tuple3f rotation;
	if (body == nullptr || !reader.Read(rotation))
		return;
	body->SetOrientation(QuaternionFromRotationVector(rotation));
	WakeIslandAndUpdate();
}

void Body::OnSetScale(Message::Reader reader)
{
	Tuple3f scale;
	if (reader.Read(scale))
		Rescale(scale);
}

void Body::Rescale(const Tuple3f& scale)
{
	// A body lives in the physics system's pool: there is none without it.
	Physics* physics = Physics::Instance();
	if (body == nullptr || physics == nullptr)
		return;
	// Mass, inertia and placement follow when next read: a blast grows and shrinks its body in one
	// update, and a body back where it started needs nothing recomputed.
	PendingRescales& rescales = physics->GetRescales();
	const bool deferred = rescales.IsDeferring();
	if (deferred)
		rescales.Defer(*body);
	if (body->transform != nullptr)
		body->transform->SetScale(scale);
	if (!deferred)
		body->ComputeMass(false);
	body->Wake();
	physics->GetTransgression().WakeIsland(*body);
	if (!deferred)
		body->UpdateDerived();
}

void Body::OnTransformUpdated(Message::Reader)
{
	if (body != nullptr)
		body->UpdateDerived();
}

void Body::OnSetStatic(Message::Reader)
{
	if (body == nullptr)
		return;
	// Without a material the density would stay the default and the body would keep its mass:
	// the object gets a default material whose density then drops to 0.
	if (owner->GetComponent<PhysicsMaterial>() == nullptr)
		owner->AddComponent(PhysicsMaterial::TypeId());
	if (PhysicsMaterial* material = owner->GetComponent<PhysicsMaterial>())
		material->density = 0.0f;
	body->ComputeMass(false);
	// A static body keeps no speed, or it would never rest and would carry what lies on it.
	body->velocity = body->angularVelocity = Tuple3f();
}

void Body::OnWakeUp(Message::Reader)
{
	if (body != nullptr)
		body->Wake();
}
