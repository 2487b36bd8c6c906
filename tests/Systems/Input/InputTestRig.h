// An Input system over a scripted device, added to a test engine with the given "Input"
// settings; frames run without a window (SDL has no events to give).
#pragma once

#include "Systems/Input.h"

#include "Systems/Input/FakeInputDevice.h"
#include "Systems/TestEngine.h"

#include <SDL/SDL.h>

#include <string>

class InputTestRig
{
public:
	// The children of the "Input" element.
	explicit InputTestRig(const std::string& inputSettings = "")
		: engine("<Config><Input>" + inputSettings + "</Input></Config>")
	{
		auto scripted = std::make_unique<FakeInputDevice>();
		device = scripted.get();
		input = new Input(std::move(scripted));
		engine.engine->AddSystem(input);
	}

	// One frame at the given time with these keys held.
	void Frame(uint32_t time, std::initializer_list<unsigned> heldKeys = {})
	{
		device->now = time;
		device->heldKeys = heldKeys;
		input->Update();
	}

	void SendPause(bool paused)
	{
		Message pause("Pause");
		pause.PushBool(paused);
		Engine::SendMessage(pause);
	}

	// The arguments of the messages of that name received so far, one list per message.
	std::vector<std::vector<std::string>> ArgumentsOf(const std::string& name) const
	{
		std::vector<std::vector<std::string>> lists;
		for (const ReceivedMessage& message : engine.Received(name))
			lists.push_back(message.arguments);
		return lists;
	}

	void ClearReceived() { engine.received.clear(); }

	TestEngine engine;
	FakeInputDevice* device;
	Input* input;
};
