// Relay: turns an incoming message into the stored messages of its entry, sent to its own object
// in the order stored. Entries are keyed by the incoming name and saved in the order read; a
// second child with a name already read appends its messages to the first one's entry. A message
// arriving again while its own entry is still sending (an entry leading back to itself) is
// refused with one diagnostic, so a loop cannot overflow the stack.
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/RelayMsg.h"
#include "Message.h"

#include <vector>

struct __RelayName
{
	static constexpr const char* name = "Relay";
};

class Relay : public QuietComponent<Relay, __RelayName>
{
public:
	struct Entry
	{
		std::vector<RelayMsg> messages;
		bool sending = false;
	};

	// Reads the entries, then registers the handler for every incoming name.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

	const KeyedRecords<Entry>& GetTable() const { return relayTable; }

private:
	void OnRelay(Message::Reader reader);

	KeyedRecords<Entry> relayTable;
};
