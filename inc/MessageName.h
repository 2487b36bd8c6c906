// MessageName: the fixed-size key under which message handlers are filed. It holds a name the way a
// message does (at most 31 characters), so finding the handlers of a message never allocates. A
// message carries its name as one of these, hashed once when the message is named: a message
// built once and sent to many objects is never hashed again. A name under which a handler is filed
// is also given a small id, counted from 1, that handler tables index by; a copy of a name carries
// the id once it has been looked up. Names are made and looked up on the main thread only.
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

	// The id given to this name; 0 while no handler has ever been filed under it. Looked up once
	// and then kept, also by copies; a name without one is looked up again only after some name
	// has been given an id since.
	std::uint32_t Id() const
	{
		if (id == 0 && checkedAtCount != internedCount)
		{
			id = FindId(*this);
			checkedAtCount = internedCount;
		}
		return id;
	}
	// The id, given to the name now if it has none yet.
	std::uint32_t Intern() const;

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

	static std::uint32_t FindId(const MessageName& name);

	// How many names have an id.
	static inline std::uint32_t internedCount = 0;

	// The characters and their terminating NUL, zero-padded.
	std::uint64_t words[kWords];
	std::uint32_t length;
	std::uint32_t hash;
	mutable std::uint32_t id = 0;
	// internedCount when id was last looked up; never a count at first.
	mutable std::uint32_t checkedAtCount = ~0u;
};

struct MessageNameHash
{
	std::uint32_t operator()(const MessageName& name) const
	{
		return name.Hash();
	}
};
