// Suck: the player's pull while breathing in. Each active frame it draws every loose body inside a
// cone in front of the camera towards the view axis and the player, pulls harder on the body under
// the aim, and hands that body to the Blow ("AddObject") with a shrinking Scaler once it is close
// and small enough. "SetSucking" turns it on and off; "EnableSuck" (from the Blow) permits it.
#pragma once

#include "Components/Logic/Scaler.h"
#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <memory>
#include <optional>
#include <vector>

class Serializer;
struct CameraAim;
struct RigidBody;

struct __SuckName
{
	static constexpr const char* name = "Suck";
};

class Suck : public QuietComponent<Suck, __SuckName>
{
public:
	Suck();
	Suck(const Suck& other);
	~Suck() override;
	Suck& operator=(const Suck&) = delete;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	// Script-visible: "active", and "grabDist" as stored (the square of the file's distance).
	bool active = false;
	bool enabled = true;
	float grabDist = 0.0f;

private:
	void OnSetSucking(Message::Reader reader);
	void OnEnableSuck(Message::Reader reader);
	void PullArea(const CameraAim& aim);
	void PullAimed(const CameraAim& aim, const Tuple3f& ownPosition);
	bool CanHandOver(const RigidBody& body) const;
	// The Scaler description in the serialised form that "AddObject" hands to the Blow.
	void StoreScalerData();

	float maxForce = 0.0f;
	float perpForce = 0.0f;
	float parForce = 0.0f;
	// Squared, like grabDist.
	float maxGrabDist = 0.0f;
	// The distances as the file gave them: saved back while their squares still hold, since the
	// root of a square is not always the number squared.
	float grabDistRead = 0.0f;
	float maxGrabDistRead = 0.0f;
	float maxVolume = 0.0f;
	// x the width of the area cone, y its length.
	Tuple3f aoeScale;
	// Free-standing: it only carries the description, so the player never gains a Scaler of its own.
	Scaler scalerDescription;
	std::unique_ptr<Serializer> scalerData;
	// Refilled by every area query; kept to spare the allocation each frame.
	std::vector<RigidBody*> found;
};
