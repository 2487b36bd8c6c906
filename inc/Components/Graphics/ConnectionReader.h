// ConnectionReader: after every physics step it reads its object's rope connection and draws it.
// Only the class side exists so far (fields, defaults, copying); its operations do nothing yet.
#pragma once

#include "Components/QuietComponent.h"

struct __ConnectionReaderName
{
	static constexpr const char* name = "ConnectionReader";
};

class ConnectionReader : public QuietComponent<ConnectionReader, __ConnectionReaderName>
{
public:
	// The physics resolution stage's post-step list.
	ConnectionReader* postStepNext = nullptr;
	ConnectionReader* postStepPrev = nullptr;

private:
	float radius = 0.0f;
};
