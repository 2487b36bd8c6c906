// An Input system over a scripted device, added to a test engine with the given "Input"
// settings; frames run without a window (SDL has no events to give). Also builds the
// settings elements the tests configure.
#pragma once

#include "Systems/Input.h"

#include "Systems/Input/FakeInputDevice.h"
#include "Systems/TestEngine.h"

#include <SDL/SDL.h>

#include <string>

inline std::string KeyButtonXml(const std::string& name, const std::string& key)
{
	return "<Button><Type>Key</Type><Name>" + name + "</Name><Key>" + key + "</Key></Button>";
}

inline std::string BindingXml(const std::string& recipient, const std::string& condition, const std::string& message)
{
	return "<Binding><Recipient>" + recipient + "</Recipient><Condition>" + condition + "</Condition><Message>" + message
		+ "</Message></Binding>";
}

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

	ArgumentLists ArgumentsOf(const std::string& name) const { return engine.ArgumentsOf(name); }

	TestEngine engine;
	FakeInputDevice* device;
	Input* input;
};
