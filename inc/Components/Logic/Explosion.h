// Explosion: the blast on an object with a body. At rest it collects the bodies touching it; an
// "Explode" with uses left damages and sets off everything it touches, and for time seconds of
// physics steps grows the object from iScale towards fScale ("SetScale") and pushes every touching
// body away from its centre; then it shrinks back and forgets its contacts. A negative uses never
// runs out; an "Explode" that comes back to an explosion while it passes one on is ignored.
#pragma once

#include "CachedComponent.h"
#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <vector>

class Body;
class Transform;
struct RigidBody;

struct __ExplosionName
{
	static constexpr const char* name = "Explosion";
};

class Explosion : public QuietComponent<Explosion, __ExplosionName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Update() override;

	bool IsExploding() const { return exploding; }
	int GetUses() const { return uses; }
	std::size_t TouchingCount() const { return touching.size(); }

private:
	// A body in contact and the id of the object that owns it.
	struct Contact
	{
		RigidBody* body;
		unsigned objectId;
		// The object's Body as last found, for the check that the object still owns the body.
		CachedComponent<Body> ownerBody;
	};

	void OnExplode(Message::Reader reader);
	void OnCollision(Message::Reader reader);
	void OnCollisionEnd(Message::Reader reader);
	void Reset();
	// "Damage"(damage, centre), built once for a whole blast.
	Message Hit();
	// The hit, then "Explode", to the object of the id.
	static void Strike(unsigned objectId, const Message& hit);
	// Whether the contact's object still owns its body: the pool reuses body records.
	static bool IsStillOwned(Contact& contact);
	Tuple3f Centre();

	Tuple3f iScale;
	Tuple3f fScale;
	float time = 0.0f;
	float force = 0.0f;
	int damage = 0;
	int uses = 0;
	float elapsed = 0.0f;
	bool exploding = false;
	bool passingOn = false;
	Tuple3f scaleDelta;
	// In the order the contacts began; walked newest first.
	std::vector<Contact> touching;
	CachedComponent<Transform> ownTransform;
};
