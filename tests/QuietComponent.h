// QuietComponent for test components that only need a name and a type, whose operations all
// succeed and do nothing.
#pragma once

#include "Components/QuietComponent.h"

namespace test
{
	template <class Derived, class NameTag>
	using QuietComponent = ::QuietComponent<Derived, NameTag>;
}
