#include "Components/Logic/DelayMessage.h"

#include "Composition.h"
#include "Message.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/Diagnostics.h"

#include <cmath>

namespace
{
	// The name the message is sent under: the text before "(", as long as a message name can be.
	std::string KeyOf(const RelayMsg& message)
	{
		if (const Message* prepared = message.GetMessage())
			return prepared->GetName();
		return message.rawData.substr(0, std::min(message.rawData.find('('), Message::kMaxNameLength));
	}
}

std::uint32_t DelayMessage::ToMilliseconds(float seconds)
{
	const double milliseconds = static_cast<double>(seconds) * 1000.0;
	if (!(milliseconds > 0.0))
		return 0;
	if (milliseconds >= 4294967295.0)
		return UINT32_MAX;
	// A saved delay is the float nearest to milliseconds / 1000, which may lie just below them: a
	// value that is the saved form of the nearest whole millisecond reads as that millisecond, any
	// other is cut to whole milliseconds. A margin relative to the value instead gained
	// milliseconds at every save of a long delay (9999 s: 9 ms).
	const double nearest = std::round(milliseconds);
	if (static_cast<float>(nearest / 1000.0) == seconds)
		return static_cast<std::uint32_t>(nearest);
	return static_cast<std::uint32_t>(std::trunc(milliseconds));
}

bool DelayMessage::Load(Serializer& serializer)
{
	const std::string where = DescribeComponent(*owner, __DelayMessageName::name);
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		const std::string text = serializer.ReadString();
		float seconds = 0.0f;
		serializer.Read(seconds);
		int repeat = 1;
		if (serializer.HasValue())
			serializer.Read(repeat);
		serializer.LeaveNode();
		TimedMsg timed{Logic::GameMilliseconds(), ToMilliseconds(seconds), repeat, repeat, RelayMsg(text, where)};
		const std::string key = KeyOf(timed.message);
		if (!timedMessages.Add(key, std::move(timed)))
			tw::Diagnostics::Report(where + ": a second delayed message named \"" + key + "\" (\"" + text +
				"\") is dropped; the first one stays");
	}
	return true;
}

bool DelayMessage::Serialize(Serializer& serializer)
{
	for (const auto& [key, timed] : timedMessages.Entries())
	{
		serializer.EnterNode("", "");
		serializer.Write("message", timed.message.rawData);
		serializer.Write("fireIn", static_cast<float>(timed.fireIn / 1000.0));
		serializer.Write("repeat", timed.repeat);
		serializer.LeaveNode();
	}
	return true;
}

bool DelayMessage::Start()
{
	for (auto& [key, timed] : timedMessages.Entries())
	{
		timed.remaining = timed.repeat;
		timed.lastFired = Logic::GameMilliseconds();
	}
	return true;
}

bool DelayMessage::Update()
{
	for (auto& [key, timed] : timedMessages.Entries())
	{
		const std::uint32_t now = Logic::GameMilliseconds();
		if (now - timed.lastFired <= timed.fireIn || timed.remaining == 0)
			continue;
		if (timed.remaining > 0)
			--timed.remaining;
		timed.message.SendTo(*owner);
		timed.lastFired = Logic::GameMilliseconds();
	}
	return true;
}
