// MessageName: the fixed-size key under which message handlers are filed. It holds a name the way a
// message does (at most 31 characters), so finding the handlers of a message never allocates. A
// message carries its name as one of these, hashed once when the message is named: a message
// built once and sent to many objects is never hashed again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class MessageName
{
public:
	static constexpr std::uint32_t kMaxLength = 31;

	// Names longer than a message can carry are cut like the message cuts its own name.
	explicit MessageName(const char* name) : MessageName(name, kMaxLength)
	{
	}
	explicit MessageName(const std::string& name) : MessageName(name.c_str(), name.size())
	{
	}
	// At most the first `length` characters of text, up to its first NUL.
	MessageName(const char* text, std::size_t length)
	{
		this->length = text != nullptr ? static_cast<std::uint32_t>(strnlen(text, length < kMaxLength ? length : kMaxLength)) : 0;
		std::memset(words, 0, sizeof words);
		if (this->length != 0)
			std::memcpy(words, text, this->length);
		hash = HashWords();
	}

	const char* c_str() const
	{
		return reinterpret_cast<const char*>(words);
	}
	std::uint32_t size() const
	{
		return length;
	}
	std::uint32_t Hash() const
	{
		return hash;
	}

	bool operator==(const MessageName& other) const
	{
		return hash == other.hash && length == other.length && std::memcmp(words, other.words, sizeof words) == 0;
	}

private:
	static constexpr std::size_t kWords = (kMaxLength + 1) / sizeof(std::uint64_t);

	// The text is zero-padded to whole words, so the hash reads four words with no loop over
	// characters.
	std::uint32_t HashWords() const
	{
		std::uint64_t mixed = length;
		for (std::uint64_t word : words)
		{
			mixed = (mixed ^ word) * 0x9E3779B97F4A7C15ull;
			mixed ^= mixed >> 29;
		}
		return static_cast<std::uint32_t>(mixed ^ (mixed >> 32));
	}

	// The characters and their terminating NUL, zero-padded.
	std::uint64_t words[kWords];
	std::uint32_t length;
	std::uint32_t hash;
};

struct MessageNameHash
{
	std::uint32_t operator()(const MessageName& name) const
	{
		return name.Hash();
	}
};
