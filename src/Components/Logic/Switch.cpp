#include "Components/Logic/Switch.h"

#include "Composition.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/Diagnostics.h"

Switch::Switch() : lastChange(Logic::GameMilliseconds())
{
}

bool Switch::Load(Serializer& serializer)
{
	owner->RegisterHandler("Toggle", &Switch::OnToggle);
	owner->RegisterHandler("Set", &Switch::OnSet);
	serializer.Read(cooldown);
	const std::string where = DescribeComponent(*owner, __SwitchName::name);
	ReadRelayList(serializer, onRelays, where);
	ReadRelayList(serializer, offRelays, where);
	isOn = false;
	return true;
}

bool Switch::Serialize(Serializer& serializer)
{
	serializer.Write("cooldown", cooldown);
	WriteRelayList(serializer, onRelays, "onRelays[i].rawData");
	WriteRelayList(serializer, offRelays, "offRelays[i].rawData");
	return true;
}

bool Switch::Start()
{
	lastChange = Logic::GameMilliseconds();
	return true;
}

bool Switch::MayChange(const char* message)
{
	if (firing)
	{
		tw::Diagnostics::Report(DescribeComponent(*owner, __SwitchName::name) + ": \"" + message +
			"\" arrived while the switch was sending its messages; it is ignored");
		return false;
	}
	return Logic::GameMilliseconds() - lastChange >= cooldown;
}

void Switch::OnToggle(Message::Reader reader)
{
	if (MayChange(reader.name))
		Change(!isOn);
}

void Switch::OnSet(Message::Reader reader)
{
	if (!MayChange(reader.name))
		return;
	const bool on = reader.Read<bool>();
	if (on != isOn)
		Change(on);
}

void Switch::Change(bool on)
{
	isOn = on;
	lastChange = Logic::GameMilliseconds();
	firing = true;
	for (const RelayMsg& message : on ? onRelays : offRelays)
		message.SendToGroup(*owner);
	firing = false;
}
