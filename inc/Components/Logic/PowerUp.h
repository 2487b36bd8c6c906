// PowerUp and PowerUpCollector: a pick-up delivers the stored message of the touching collector's
// team to that object and destroys its own object. It delivers once: a second collector touching
// it before the end-of-frame destruction gets nothing. A toucher without a collector, or of a team
// without an effect, leaves it where it is.
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/RelayMsg.h"
#include "Message.h"

#include <string>

struct __PowerUpName
{
	static constexpr const char* name = "PowerUp";
};

class PowerUp : public QuietComponent<PowerUp, __PowerUpName>
{
public:
	// Reads the effects keyed by team; of two for one team the first stays.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

private:
	void OnCollision(Message::Reader reader);

	KeyedRecords<RelayMsg> effects;
	bool delivered = false;
};

struct __PowerUpCollectorName
{
	static constexpr const char* name = "PowerUpCollector";
};

class PowerUpCollector : public QuietComponent<PowerUpCollector, __PowerUpCollectorName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

	const std::string& GetTeam() const { return team; }

private:
	std::string team;
};
