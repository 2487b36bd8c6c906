#include "Components/Logic/DestroyOnMessage.h"

#include "Composition.h"
#include "Serializer.h"

bool DestroyOnMessage::Load(Serializer& serializer)
{
	while (serializer.HasValue())
		destroyMessages.push_back(serializer.ReadString());
	// A node without names (empty, or holding only elements) listens for "DestroyThis", and saves
	// it, so a save and reload keep the same names.
	if (destroyMessages.empty())
		destroyMessages.push_back("DestroyThis");
	for (const std::string& name : destroyMessages)
		owner->RegisterHandler(name, &DestroyOnMessage::OnDestroyMessage);
	return true;
}

bool DestroyOnMessage::Serialize(Serializer& serializer)
{
	for (const std::string& name : destroyMessages)
		serializer.Write("destroyMessages[i]", name);
	return true;
}

void DestroyOnMessage::OnDestroyMessage(Message::Reader)
{
	owner->Destroy();
}
