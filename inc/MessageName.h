// MessageName: the fixed-size key under which message handlers are filed. It holds a name the way a
// message does (at most 31 characters), so finding the handlers of a message never allocates.
#pragma once

#include "Utilities/SuperFastHash.h"

#include <cstdint>
#include <cstring>
#include <string>

class MessageName
{
public:
	static constexpr std::uint32_t kMaxLength = 31;

	// Names longer than a message can carry are cut like the message cuts its own name.
	explicit MessageName(const char* name)
	{
		length = 0;
		if (name != nullptr)
		{
			length = static_cast<std::uint32_t>(strnlen(name, kMaxLength));
			std::memcpy(text, name, length);
		}
		text[length] = '\0';
	}
	explicit MessageName(const std::string& name) : MessageName(name.c_str())
	{
	}

	const char* c_str() const
	{
		return text;
	}
	std::uint32_t size() const
	{
		return length;
	}

	bool operator==(const MessageName& other) const
	{
		return length == other.length && std::memcmp(text, other.text, length) == 0;
	}

private:
	char text[kMaxLength + 1];
	std::uint32_t length;
};

struct MessageNameHash
{
	std::uint32_t operator()(const MessageName& name) const
	{
		return tw::SuperFastHash(name.c_str(), name.size());
	}
};
