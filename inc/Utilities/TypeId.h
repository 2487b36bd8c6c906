// Run-time type ids: systems, components and variable value types all draw their ids from one
// process-wide counter, the first time each type asks. Ids are never 0 (0 names no type) and
// follow the order of first use in a run. Also gives readable type names for diagnostics.
#pragma once

#include <string>
#include <type_traits>
#include <typeinfo>

namespace tw
{
	using TypeId = unsigned;

	// Advances the shared counter (which starts at 1) and returns its new value.
	TypeId NextTypeId();

	template<typename T>
	TypeId TypeIdOf()
	{
		if constexpr (!std::is_same_v<T, std::remove_cvref_t<T>>)
			return TypeIdOf<std::remove_cvref_t<T>>();
		else
		{
			static const TypeId id = NextTypeId();
			return id;
		}
	}

	// The demangled name of a type as the compiler spells it; std::string reads "std::string".
	std::string DemangledTypeName(const std::type_info& type);

	template<typename T>
	const std::string& TypeName()
	{
		static const std::string name = DemangledTypeName(typeid(T));
		return name;
	}
}
