#include "System.h"

void System::HandleMessage(const Message& message)
{
	const auto found = handlers.find(message.GetKey());
	if (found != handlers.end())
		(this->*found->second)(Message::Reader(message));
}

void System::Reload()
{
	Shutdown();
	Initialize();
}
