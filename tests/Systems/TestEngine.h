// An engine for system tests: a scratch user folder holding the configuration the test gives,
// the project's Data folder as data folder, and a system that records every engine-wide message
// with its arguments as text.
#pragma once

#include "EngineTestSupport.h"

#include <memory>
#include <string>
#include <vector>

struct ReceivedMessage
{
	std::string name;
	std::vector<std::string> arguments;
};

struct __MessageRecorderName
{
	static constexpr const char* name = "MessageRecorder";
};

class MessageRecorder : public SystemBase<MessageRecorder, __MessageRecorderName>
{
public:
	explicit MessageRecorder(std::vector<ReceivedMessage>& log) : log(log) {}

	void LoadConfig(Config&) override {}
	void HandleMessage(const Message& message) override
	{
		ReceivedMessage received{message.GetName(), {}};
		for (const Message::Argument* argument = Message::Reader(message).current; argument; argument = argument->newer)
			received.arguments.push_back(argument->value->ToString());
		log.push_back(std::move(received));
	}

private:
	std::vector<ReceivedMessage>& log;
};

class TestEngine
{
public:
	static constexpr const char* kConfigFile = "Tumblewreck.cfg";

	// The configuration file's text; empty for a first start without one.
	explicit TestEngine(const std::string& configText = "")
	{
		if (!configText.empty())
			userFolder.WriteFile(kConfigFile, configText);
		engine = std::make_unique<Engine>(TW_TEST_DATA_DIR "../../Data/", userFolder.Path(), kConfigFile);
		engine->AddSystem(new MessageRecorder(received));
	}

	// The messages of that name received so far.
	std::vector<ReceivedMessage> Received(const std::string& name) const
	{
		std::vector<ReceivedMessage> found;
		for (const ReceivedMessage& message : received)
			if (message.name == name)
				found.push_back(message);
		return found;
	}

	test::TempFolder userFolder;
	std::vector<ReceivedMessage> received;
	std::unique_ptr<Engine> engine;
};
