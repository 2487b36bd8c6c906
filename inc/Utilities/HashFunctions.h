// The default hash functors of tw::hash_map and tw::hash_set (tw::ext::hash): integers and pointers
// through a shift-xor mix, text through SuperFastHash. Wider values are folded to 32 bits first.
#pragma once

#include "Utilities/SuperFastHash.h"

#include <concepts>
#include <cstdint>
#include <string>
#include <utility>

namespace tw
{
	// The integer mix of every numeric and pointer key; also the source of the probe step.
	constexpr std::uint32_t MixBits(std::uint32_t x)
	{
		return (((x << 6) ^ x) << 11) ^ (x >> 5);
	}

	// 64-bit values (pointers above all) keep both halves in the 32 bits that are hashed.
	constexpr std::uint32_t FoldTo32(std::uint64_t value)
	{
		return static_cast<std::uint32_t>(value ^ (value >> 32));
	}

	inline std::uint32_t FoldPointer(const void* pointer)
	{
		return FoldTo32(reinterpret_cast<std::uintptr_t>(pointer));
	}

	namespace ext
	{
		// Key types without a specialisation here name their own functor in the table's type.
		template <class Key>
		struct hash;

		template <std::integral Key>
		struct hash<Key>
		{
			std::uint32_t operator()(Key key) const
			{
				if constexpr (sizeof(Key) <= sizeof(std::uint32_t))
					return MixBits(static_cast<std::uint32_t>(key));
				else
					return MixBits(FoldTo32(static_cast<std::uint64_t>(key)));
			}
		};

		template <class T>
		struct hash<T*>
		{
			std::uint32_t operator()(const T* key) const
			{
				return MixBits(FoldPointer(key));
			}
		};

		template <>
		struct hash<std::string>
		{
			std::uint32_t operator()(const std::string& key) const
			{
				return SuperFastHash(key.data(), static_cast<std::uint32_t>(key.size()));
			}
		};

		template <>
		struct hash<std::pair<const void*, const void*>>
		{
			std::uint32_t operator()(const std::pair<const void*, const void*>& key) const
			{
				const std::uint32_t first = MixBits(FoldPointer(key.first));
				const std::uint32_t second = MixBits(FoldPointer(key.second));
				return second + 0x9E3779B9u + (first << 6) + (first >> 2);
			}
		};
	}
}
