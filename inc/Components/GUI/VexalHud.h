// VexalHud: the debug display, whose page buttons send debug messages to the world
// reconstructor and the navigation mesh. It has no data of its own.
#pragma once

#include "Components/QuietComponent.h"

struct __VexalHudName
{
	static constexpr const char* name = "VexalHud";
};

class VexalHud : public QuietComponent<VexalHud, __VexalHudName>
{
public:
	// Out of line: the class's table of virtual functions then lives with its script binding, which
	// is linked in wherever a VexalHud is made.
	~VexalHud() override;

	// Spans the display over the window, as the player's display is placed.
	void HtmlCreated();
	void ToggleDebug();
	void NextDepth();
	void PreviousDepth();
	void PlaceObject();
	void ToggleNavMesh();
};
