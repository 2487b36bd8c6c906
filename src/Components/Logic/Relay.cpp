#include "Components/Logic/Relay.h"

#include "Composition.h"
#include "Utilities/Diagnostics.h"

bool Relay::Load(Serializer& serializer)
{
	const std::string where = DescribeComponent(*owner, __RelayName::name);
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		if (serializer.HasValue())
		{
			Entry& entry = relayTable.FindOrAdd(serializer.ReadString());
			while (serializer.HasValue())
				entry.messages.emplace_back(serializer.ReadString(), where);
		}
		serializer.LeaveNode();
	}
	for (const auto& [incoming, entry] : relayTable.Entries())
		owner->RegisterHandler(incoming, &Relay::OnRelay);
	return true;
}

bool Relay::Serialize(Serializer& serializer)
{
	for (const auto& [incoming, entry] : relayTable.Entries())
	{
		serializer.EnterNode("", "");
		serializer.Write("it->first", incoming);
		for (const RelayMsg& message : entry.messages)
			serializer.Write("it->second[i].rawData", message.rawData);
		serializer.LeaveNode();
	}
	return true;
}

void Relay::OnRelay(Message::Reader reader)
{
	Entry* entry = relayTable.Find(reader.name);
	if (entry == nullptr)
		return;
	if (entry->sending)
	{
		tw::Diagnostics::Report(DescribeComponent(*owner, __RelayName::name) + ": \"" + reader.name +
			"\" arrived again while its own messages were being sent; the nested arrival is ignored");
		return;
	}
	entry->sending = true;
	for (const RelayMsg& message : entry->messages)
		message.SendTo(*owner);
	entry->sending = false;
}
