// MessageSpawn: for each message name, a list of archetype files with offsets; every arrival of the
// name creates and starts one object from each file, placed at the owner's world position plus the
// offset (not rotated). Names are saved in the order read. A name arriving again while its own
// spawns start is refused with one diagnostic, so a spawn that sends it back cannot recurse.
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/RelayMsg.h"
#include "Message.h"
#include "Utilities/Tuple.h"

#include <string>
#include <vector>

struct __MessageSpawnName
{
	static constexpr const char* name = "MessageSpawn";
};

class MessageSpawn : public QuietComponent<MessageSpawn, __MessageSpawnName>
{
public:
	struct SpawnEntry
	{
		std::string filename;
		Tuple3f offset{0.0f, 0.0f, 0.0f};
	};
	struct MessageHandler
	{
		std::vector<SpawnEntry> spawn;
		bool spawning = false;
	};

	// Reads the lists (a repeated name appends to its first list), then registers the handlers.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

private:
	void OnSpawn(Message::Reader reader);

	KeyedRecords<MessageHandler> handlers;
};
