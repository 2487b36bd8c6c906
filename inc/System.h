// System: the base of the eight long-lived engine services (Window, Input, Logic, ParticleManager,
// Physics, Sound, GUI, Graphics). The engine configures, initialises, updates, reloads and shuts
// down every system through it and hands each one the engine-wide messages; a system answers them
// through its own handler table. SystemBase gives a concrete system its name and type id.
#pragma once

#include "Message.h"
#include "MessageName.h"
#include "NamedClass.h"
#include "Utilities/HashMap.h"

#include <string>

class Config;

class System
{
public:
	using Handler = void (System::*)(Message::Reader);

	System() = default;
	virtual ~System() = default;
	System(const System&) = delete;
	System& operator=(const System&) = delete;

	// Reads the system's own element of the configuration file.
	virtual void LoadConfig(Config& section) = 0;
	virtual void Initialize()
	{
	}
	// Calls the handler registered for the message's name, if any.
	virtual void HandleMessage(const Message& message);
	// Once a frame, in the order the systems were added to the engine.
	virtual void Update()
	{
	}
	virtual void Shutdown()
	{
	}
	// Before every level load when ReloadsOnLevelChange.
	virtual void Reload();
	// Also the name of the system's element in the configuration file.
	virtual std::string GetName() const = 0;
	virtual unsigned GetTypeId() const = 0;

	bool ReloadsOnLevelChange() const
	{
		return reloadOnLevelChange;
	}

protected:
	// Registering a name again replaces the earlier handler.
	template <class T>
	void RegisterHandler(const std::string& messageName, void (T::*handler)(Message::Reader))
	{
		handlers[MessageName(messageName)] = static_cast<Handler>(handler);
	}

	// Every system but Window is shut down and initialised again before each level load.
	bool reloadOnLevelChange = true;

private:
	tw::hash_map<MessageName, Handler, MessageNameHash> handlers;
};

template <class T, class NameTag>
using SystemBase = NamedClass<T, NameTag, System>;
