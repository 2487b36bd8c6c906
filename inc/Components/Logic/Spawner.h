// Spawner: while a watched object (normally the player) is nearer than a distance, creates an
// object from an archetype file every interval, up to a number alive at once. It belongs to a group
// of houses: each registers with "IncreaseSpawnerDestroyers" when it starts and sends
// "DestroySpawner" when it comes down; when the last is down the spawner destroys its own object.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <cstdint>
#include <string>

struct __SpawnerName
{
	static constexpr const char* name = "Spawner";
};

class Spawner : public QuietComponent<Spawner, __SpawnerName>
{
public:
	// Spawned objects appear this many units along the spawn direction from the spawner.
	static constexpr float kSpawnOffset = 3.0f;

	Spawner();

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;
	bool Update() override;

	unsigned GetSpawnedCount() const { return spawnedCount; }
	int GetDestroyerCount() const { return destroyerCount; }

	// The three values scripts see. The direction is kept as read (saving writes it back
	// unchanged) and normalised where a spawn is placed.
	std::uint32_t spawnInterval = 0;
	float spawnDist = 0.0f;
	Tuple3f spawnDir{0.0f, 0.0f, 0.0f};

private:
	void OnIncreaseSpawnerDestroyers(Message::Reader reader);
	void OnDestroySpawner(Message::Reader reader);
	void OnSpawnedDestroyed(Message::Reader reader);
	void Spawn(const Tuple3f& spawnerPosition);

	std::string spawnObj;
	std::string watchedObj;
	std::uint32_t maxSpawned = 0;
	std::uint32_t spawnedCount = 0;
	std::uint32_t lastSpawnTime;
	// Houses still standing; -1 while none has registered. Not reset by Start: a house of the
	// group that started before the spawner has already registered and must stay counted.
	int destroyerCount = -1;
};
