// A test element that counts its live instances, so container tests can check that every element
// they built is destroyed exactly once.
#pragma once

#include <utility>

struct LiveCounted
{
	static inline int live = 0;

	explicit LiveCounted(int value = 0) : value(value)
	{
		++live;
	}
	LiveCounted(const LiveCounted& other) : value(other.value)
	{
		++live;
	}
	LiveCounted(LiveCounted&& other) noexcept : value(std::exchange(other.value, -1))
	{
		++live;
	}
	LiveCounted& operator=(const LiveCounted&) = default;
	LiveCounted& operator=(LiveCounted&& other) noexcept
	{
		value = std::exchange(other.value, -1);
		return *this;
	}
	~LiveCounted()
	{
		--live;
	}

	int value;
};
