// HouseDestroyed: marks an object as a house (or castle) that can be brought down by its destroy
// message. It tells the object group (the spawner and the exploding pieces), its own object, the
// player and the heads-up display, and keeps the game-wide house counters that scripts read.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

#include <string>

struct __HouseDestroyedName
{
	static constexpr const char* name = "HouseDestroyed";
};

class HouseDestroyed : public QuietComponent<HouseDestroyed, __HouseDestroyedName>
{
public:
	// The burst every brought-down house asks of its group's "Main" particles.
	static constexpr unsigned kBurstParticles = 45;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	// Takes back what this house added to the counters, so both read 0 once a level is unloaded.
	void Detach() override;

	bool IsDestroyed() const { return destroyed; }

private:
	void OnDestroy(Message::Reader reader);

	std::string destroyMessage;
	unsigned particlesSpawned = 0;
	bool destroyed = false;
	bool started = false;
};

// Houses started and not yet detached.
int TotalHouses();
// Houses brought down and not yet detached.
int HousesDestroyed();
