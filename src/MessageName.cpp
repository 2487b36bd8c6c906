#include "MessageName.h"

#include "Utilities/HashMap.h"

namespace
{
	// Every name a handler was ever filed under, with its id; ids are never taken back, so a table
	// indexed by them stays valid across levels and engines. Never destroyed: objects torn down at
	// exit still deliver their last messages.
	tw::hash_map<MessageName, std::uint32_t, MessageNameHash>& Ids()
	{
		static auto* const ids = new tw::hash_map<MessageName, std::uint32_t, MessageNameHash>;
		return *ids;
	}
}

std::uint32_t MessageName::FindId(const MessageName& name)
{
	const auto& ids = Ids();
	const auto found = ids.find(name);
	return found != ids.end() ? found->second : 0;
}

std::uint32_t MessageName::Intern() const
{
	if (id == 0)
	{
		auto& ids = Ids();
		id = ids.insert({*this, internedCount + 1}).first->second;
		internedCount = static_cast<std::uint32_t>(ids.size());
	}
	return id;
}
