// QuietComponent for test components that only need a name and a type, whose operations all
// succeed and do nothing.
#pragma once

#include "Components/QuietComponent.h"

namespace test
{
	using ::QuietComponent;
}
