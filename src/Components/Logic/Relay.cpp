#include "Components/Logic/Relay.h"

#include "Composition.h"

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
	HandleUnlessNested(entry->sending, *owner, __RelayName::name, reader.name, [&] {
		for (const RelayMsg& message : entry->messages)
			message.SendTo(*owner);
	});
}
