#include "Systems/Physics/CollisionManifold.h"

#include "Components/Physics/PhysicsMaterial.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"

#include <functional>

CollisionPair MakeCollisionPair(const RigidBody* a, const RigidBody* b)
{
	if (std::less<const RigidBody*>()(a, b))
		return {b, a};
	return {a, b};
}

CollisionManifold::CollisionManifold(RigidBody* first, RigidBody* second, tw::ContiguousList<ContactPoint>& contactPool)
	: body0(first),
	  body1(second),
	  restitutionFactor(CombineRestitution(first->ownerId, second->ownerId)),
	  friction(CombineFriction(first->ownerId, second->ownerId) * Physics::Settings().gravityMagnitude),
	  contactPool(&contactPool)
{
}

void CollisionManifold::AddContact(const ContactPoint& contact)
{
	for (ContactPoint* held = contacts.first; held != nullptr; held = held->next)
	{
		if ((held->point - contact.point).LengthSquared() >= kMergeDistanceSquared)
			continue;
		if (contact.depth > held->depth)
		{
			held->point = contact.point;
			held->normal = contact.normal;
			held->depth = contact.depth;
		}
		return;
	}
	if (contactPool == nullptr)
		return;
	ContactPoint* stored = contactPool->Insert(contact);
	if (stored != nullptr)
		contacts.Append(*stored);
}

void CollisionManifold::ClearContacts()
{
	for (ContactPoint* contact = contacts.first; contact != nullptr;)
	{
		ContactPoint* following = contact->next;
		contactPool->Erase(contact);
		contact = following;
	}
	contacts.Clear();
}
