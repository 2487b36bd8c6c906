// DelayMessage: sends stored messages to its own object after a delay, a given number of times per
// start (a negative count: without end). Delays are seconds in the file, held as whole
// milliseconds: negative gives 0, beyond 2^32 - 1 ms is clamped. Messages are keyed by their name;
// of two with one name the first read stays, and saving writes them in the order read.
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/RelayMsg.h"

#include <cstdint>

struct __DelayMessageName
{
	static constexpr const char* name = "DelayMessage";
};

class DelayMessage : public QuietComponent<DelayMessage, __DelayMessageName>
{
public:
	struct TimedMsg
	{
		std::uint32_t lastFired = 0;
		std::uint32_t fireIn = 0;
		int repeat = 1;
		int remaining = 1;
		RelayMsg message;
	};

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Re-arms every message and restarts its clock.
	bool Start() override;
	bool Update() override;

	// Seconds as held: truncated whole milliseconds, negative (or not a number) as 0, clamped.
	static std::uint32_t ToMilliseconds(float seconds);

	const KeyedRecords<TimedMsg>& GetMessages() const { return timedMessages; }

private:
	KeyedRecords<TimedMsg> timedMessages;
};
