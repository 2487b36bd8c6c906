// ConnectionReader: after every physics step it reads its object's rope connection and draws it.
// Only the class side exists so far (fields, defaults, copying); its operations do nothing yet.
#pragma once

#include "Component.h"

struct __ConnectionReaderName
{
	static constexpr const char* name = "ConnectionReader";
};

class ConnectionReader : public ComponentBase<ConnectionReader, __ConnectionReaderName>
{
public:
	bool Load(Serializer&) override { return true; }
	bool Serialize(Serializer&) override { return true; }
	bool Start() override { return true; }
	bool Update() override { return true; }
	void Detach() override {}

	// The physics resolution stage's post-step list.
	ConnectionReader* postStepNext = nullptr;
	ConnectionReader* postStepPrev = nullptr;

private:
	float radius = 0.0f;
};
