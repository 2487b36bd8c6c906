// An engine for system tests: a scratch user folder holding the configuration the test gives,
// the project's Data folder as data folder, and a system that records every engine-wide message
// with its arguments as text.
#pragma once

#include "EngineTestSupport.h"
#include "Utilities/Diagnostics.h"

#include <memory>
#include <string>
#include <vector>

struct ReceivedMessage
{
	std::string name;
	std::vector<std::string> arguments;
};

// The arguments of several messages, one list per message.
using ArgumentLists = std::vector<std::vector<std::string>>;

struct __MessageRecorderName
{
	static constexpr const char* name = "MessageRecorder";
};

class MessageRecorder : public SystemBase<MessageRecorder, __MessageRecorderName>
{
public:
	void LoadConfig(Config&) override {}
	void HandleMessage(const Message& message) override
	{
		std::vector<std::string> arguments;
		for (const Message::Argument* argument = Message::Reader(message).current; argument; argument = argument->newer)
			arguments.push_back(argument->value->ToString());
		received.push_back({message.GetName(), std::move(arguments)});
	}

	std::vector<ReceivedMessage> received;
};

class TestEngine
{
public:
	// The text of the configuration file the engine loads, and the data folder (the project's
	// Data folder unless another is given).
	explicit TestEngine(const std::string& configText, const std::string& dataFolder = TW_TEST_DATA_DIR "../../Data/")
	{
		// Nothing an earlier test printed is remembered: its lines are printed again here.
		tw::Diagnostics::Flush();
		userFolder.WriteFile("Tumblewreck.cfg", configText);
		engine = std::make_unique<Engine>(dataFolder, userFolder.Path(), "Tumblewreck.cfg");
		recorder = new MessageRecorder();
		engine->AddSystem(recorder);
	}

	// The arguments of the messages of that name received so far.
	ArgumentLists ArgumentsOf(const std::string& name) const
	{
		ArgumentLists lists;
		for (const ReceivedMessage& message : recorder->received)
			if (message.name == name)
				lists.push_back(message.arguments);
		return lists;
	}

	test::TempFolder userFolder;
	std::unique_ptr<Engine> engine;
	// Owned by the engine.
	MessageRecorder* recorder;
};
