// DestroyOnMessage: destroys its object (at the end of the frame) when one of its message names
// arrives; without names in its data it reacts to "DestroyThis", and saves that name explicitly.
#pragma once

#include "Components/QuietComponent.h"
#include "Message.h"

#include <string>
#include <vector>

struct __DestroyOnMessageName
{
	static constexpr const char* name = "DestroyOnMessage";
};

class DestroyOnMessage : public QuietComponent<DestroyOnMessage, __DestroyOnMessageName>
{
public:
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;

private:
	void OnDestroyMessage(Message::Reader reader);

	std::vector<std::string> destroyMessages;
};
