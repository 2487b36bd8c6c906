// The navigation build settings the Logic system derives from its default configuration, for the
// navigation tests and the navigation benchmark alike.
#pragma once

#include "Systems/Logic/Logic.h"
#include "Utilities/Config.h"

#include <tinyxml.h>

namespace test
{
	// The build settings of an empty "Logic" element: cells of 0.25 x 0.5, tiles of 32 cells (8 units).
	inline rcConfig NavTestConfig()
	{
		// A section onto an element of its own, without a document to write back.
		struct Section : Config
		{
			explicit Section(TiXmlElement* element) : Config(element) {}
		};
		TiXmlElement element("Logic");
		Section section(&element);
		Logic logic;
		logic.LoadConfig(section);
		return logic.GetNavMeshConfig();
	}
}
