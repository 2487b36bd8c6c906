#include "Components/Logic/Trampoline.h"

#include "Components/Logic/GameplayRules.h"
#include "Components/Physics/ObjectBodies.h"
#include "Composition.h"
#include "Serializer.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"

namespace
{
	// Contacts whose normal is farther than this from the face's (cosine) are not on the face.
	constexpr float kFaceCosine = -0.8f;
}

bool Trampoline::Load(Serializer& serializer)
{
	serializer.Read(minVel).Read(amplifier).Read(normalMS);
	normal = normalMS;
	owner->RegisterHandler("Collision", &Trampoline::OnCollision);
	return true;
}

bool Trampoline::Serialize(Serializer& serializer)
{
	serializer.Write("minVel", minVel).Write("amplifier", amplifier).Write("normalMS", normalMS);
	return true;
}

bool Trampoline::Start()
{
	if (const RigidBody* body = MainBodyOf(owner->GetId()))
		normal = Quaternion::Rotate(body->orientation, normalMS);
	return true;
}

void Trampoline::OnCollision(Message::Reader reader)
{
	const ContactReport contact = ContactReport::Read(reader);
	if (!contact.complete || !(normal.DotProduct(contact.normal) <= kFaceCosine))
		return;
	RigidBody* body = MainBodyOf(contact.otherId);
	if (body == nullptr)
		return;
	const float towards = body->velocity.DotProduct(contact.normal);
	if (towards <= -minVel)
		return;
	const Tuple3f bounced = body->velocity - contact.normal * ((amplifier + 2.0f) * towards);
	if (IsFinite(bounced))
		body->velocity = bounced;
}
