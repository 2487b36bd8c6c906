// RenderEntry: the record through which a drawable component (a primitive, a model, a composite
// primitive, a light) puts its object on the renderer's draw list. The component embeds it and
// links it into the Graphics system's render-entry list while it is started; every frame the
// renderer asks the predicate and records the answer in the draw flag.
#pragma once

#include "Utilities/IntrusiveList.h"

class Component;
class Composition;

struct RenderEntry
{
	// True means: not visible this frame.
	using Predicate = bool (*)(const Component*);

	ListLinks<RenderEntry> links;
	Predicate predicate = nullptr;
	// The predicate's negated answer of this frame; the component reads it when it draws.
	bool draw = true;
	Component* component = nullptr;
	// 0 to 3 are tested every frame; other kinds keep their flag.
	int kind = 0;
	Composition* owner = nullptr;
};
