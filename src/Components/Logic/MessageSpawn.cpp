#include "Components/Logic/MessageSpawn.h"

#include "Archetype.h"
#include "Components/Transform.h"
#include "Composition.h"

bool MessageSpawn::Load(Serializer& serializer)
{
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		MessageHandler& handler = handlers.FindOrAdd(serializer.ReadString());
		while (serializer.NextElement())
		{
			serializer.EnterNode("", "");
			SpawnEntry& entry = handler.spawn.emplace_back();
			serializer.Read(entry.filename);
			if (serializer.HasValue())
				serializer.Read(entry.offset);
			serializer.LeaveNode();
		}
		serializer.LeaveNode();
	}
	for (const auto& [name, handler] : handlers.Entries())
		owner->RegisterHandler(name, &MessageSpawn::OnSpawn);
	return true;
}

bool MessageSpawn::Serialize(Serializer& serializer)
{
	for (const auto& [name, handler] : handlers.Entries())
	{
		serializer.EnterNode("", "");
		serializer.Write("it->first", name);
		for (const SpawnEntry& entry : handler.spawn)
		{
			serializer.EnterNode("", "");
			serializer.Write("it->second.spawn[i].filename", entry.filename);
			serializer.Write("it->second.spawn[i].offset", entry.offset);
			serializer.LeaveNode();
		}
		serializer.LeaveNode();
	}
	return true;
}

void MessageSpawn::OnSpawn(Message::Reader reader)
{
	MessageHandler* handler = handlers.Find(reader.name);
	if (handler == nullptr)
		return;
	HandleUnlessNested(handler->spawning, *owner, __MessageSpawnName::name, reader.name, [&] {
		for (const SpawnEntry& entry : handler->spawn)
		{
			const Object spawned = CreateObjectFromArchetype(entry.filename);
			if (spawned.IsDummy())
				continue;
			spawned.object->Start();
			if (const Transform* transform = owner->GetComponent<Transform>())
				spawned.object->HandleMessage(Message("SetPos").Push(transform->GetWorldPosition() + entry.offset));
		}
	});
}
