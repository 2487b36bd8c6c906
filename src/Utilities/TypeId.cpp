#include "Utilities/TypeId.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>

namespace
{
	// Constant-initialised, so type ids may be taken from static initialisers of any unit.
	tw::TypeId lastTypeId = 1;
}

namespace tw
{
	TypeId NextTypeId()
	{
		return ++lastTypeId;
	}

	std::string DemangledTypeName(const std::type_info& type)
	{
		if (type == typeid(std::string))
			return "std::string";
		int status = 0;
		std::unique_ptr<char, void (*)(void*)> demangled(
			abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
		return status == 0 && demangled ? std::string(demangled.get()) : std::string(type.name());
	}
}
