// NamedClass: what every system and component class gets from its name tag: its registered name
// and its run-time type id, over the base class whose virtual operations they answer.
#pragma once

#include "Utilities/TypeId.h"

#include <string>

// NameTag holds the name: `struct __LogicName { static constexpr const char* name = "Logic"; };`
template <class T, class NameTag, class Base>
class NamedClass : public Base
{
public:
	std::string GetName() const override
	{
		return NameTag::name;
	}
	unsigned GetTypeId() const override
	{
		return TypeId();
	}

	// Taken on first use from the counter shared by systems, components and variable types; never 0.
	static unsigned TypeId()
	{
		return tw::TypeIdOf<T>();
	}
};
