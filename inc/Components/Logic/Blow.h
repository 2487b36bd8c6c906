// Blow: what the player holds after breathing in, and the shot on breathing out. The Suck hands
// it objects with "AddObject"; they shrink, then wait parked far below the level until "StartGust"
// shoots the newest one (or, with nothing held, a gust object made from an archetype file) along
// the aim, or "PlaceObject" sets it down in front of the camera. While full it keeps the Suck off.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <string>
#include <utility>
#include <vector>

struct RigidBody;

struct __BlowName
{
	static constexpr const char* name = "Blow";
};

class Blow : public QuietComponent<Blow, __BlowName>
{
public:
	// Held objects wait at or below this spot, which lies under every level.
	static constexpr float kParkHeight = -1000.0f;
	// A shot starts this far ahead of its origin along the aim (the eye, or the origin "StartGust"
	// gives) unless something stands closer.
	static constexpr float kMuzzleDistance = 3.0f;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	bool HasRoom() const { return heldObjs.size() < maxHeld; }

	// Whether the body waits where a breath parks what it holds: at or below the parking spot and
	// kept there without gravity. Something that merely fell that far still falls.
	static bool IsParked(const RigidBody& body);

	// Script-visible: "heldObjs" and "maxObjs" ("empty" is HasRoom). Ids of the held objects, oldest first.
	std::vector<unsigned> heldObjs;
	unsigned maxHeld = 0;

private:
	struct Aim
	{
		Tuple3f origin;
		Tuple3f direction;
		Tuple3f rotation;
	};

	void OnStartGust(Message::Reader reader);
	void OnAddObject(Message::Reader reader);
	void OnPlaceObject(Message::Reader reader);
	void OnScalerDone(Message::Reader reader);

	bool ReadAim(Message::Reader& reader, Aim& aim) const;
	// Takes the newest id off the list and gives its body its gravity back; 0 when the list is empty.
	unsigned TakeNewest();
	// The held object of the id goes to its own spot below the level and is held still there, so
	// that held objects never touch each other.
	void Park(unsigned objectId);
	void HoldStill(unsigned objectId) const;
	void Unpark(unsigned objectId);
	// What both a shot and a placed object are told before they grow back.
	void LetOut(unsigned objectId, unsigned explodeType);
	void Launch(unsigned objectId, const Aim& aim, float speed) const;
	float HeldShotSpeed(unsigned objectId, float strength) const;

	std::string emptyObjFile;
	float emptyShootSpeed = 0.0f;
	float minShootSpeed = 0.0f;
	float maxShootSpeed = 0.0f;
	float minShootForce = 0.0f;
	float maxShootForce = 0.0f;
	// (object id, its body's flags before parking) of the parked objects.
	std::vector<std::pair<unsigned, unsigned>> parkedFlags;
};
