#include "Components/Logic/DestroyOnMessage.h"

#include "Composition.h"
#include "Serializer.h"

bool DestroyOnMessage::Load(Serializer& serializer)
{
	if (!serializer.HasMore())
		destroyMessages.push_back("DestroyThis");
	while (serializer.HasValue())
		destroyMessages.push_back(serializer.ReadString());
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
