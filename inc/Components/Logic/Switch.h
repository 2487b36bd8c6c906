// Switch: a two-state toggle driven by "Toggle" and "Set"(bool). Each change fires the stored
// messages of the new state to every object of its group and starts a cooldown (it also runs from
// Start), during which further changes are ignored. A change arriving while a list is being fired
// (a list toggling its own group) is refused with one diagnostic.
#pragma once

#include "Components/QuietComponent.h"
#include "Components/Logic/RelayMsg.h"
#include "Message.h"

#include <cstdint>
#include <vector>

struct __SwitchName
{
	static constexpr const char* name = "Switch";
};

class Switch : public QuietComponent<Switch, __SwitchName>
{
public:
	Switch();
	Switch(const Switch& other) = default;

	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override;

	bool IsOn() const { return isOn; }

private:
	void OnToggle(Message::Reader reader);
	void OnSet(Message::Reader reader);
	// False (with the diagnostic when firing) while the cooldown runs or a list is being fired.
	bool MayChange(const char* message);
	void Change(bool on);

	std::vector<RelayMsg> onRelays;
	std::vector<RelayMsg> offRelays;
	std::uint32_t cooldown = 0;
	bool isOn = false;
	bool firing = false;
	std::uint32_t lastChange;
};
