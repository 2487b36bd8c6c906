#include "System.h"

void System::HandleMessage(const Message& message)
{
	const auto found = handlers.find(MessageName(message.GetName()));
	if (found != handlers.end())
		(this->*found->second)(Message::Reader(message));
}

void System::Reload()
{
	Shutdown();
	Initialize();
}
