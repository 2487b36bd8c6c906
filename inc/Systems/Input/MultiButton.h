// The state of every button that shares one name, combined into one value: the record behind
// each button variable ("W_DOWN", "MOUSEX_VALUE"). A record keeps a copy of its name's button
// list as it was at registration; the buttons stay owned by the Input system's button table.
#pragma once

#include "Systems/Input/Button.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

// What the Input system keeps of every record: it deletes them all at once.
class MultiButtonRecord
{
public:
	virtual ~MultiButtonRecord() = default;
};

template<typename T>
class MultiButton : public MultiButtonRecord
{
public:
	// One button's contribution: a Button query or a test built on them.
	using Query = T (*)(const Button&);

	MultiButton(Query query, bool useMinimum, std::vector<Button*> members)
		: query(query), useMinimum(useMinimum), members(std::move(members))
	{
	}

	// The combined value: any for bool, the largest magnitude for float, the largest (or with
	// useMinimum the smallest) for unsigned, the descriptions joined with "," for text.
	T Combined() const;

private:
	Query query;
	bool useMinimum;
	std::vector<Button*> members;
};

template<>
inline bool MultiButton<bool>::Combined() const
{
	for (const Button* button : members)
		if (query(*button))
			return true;
	return false;
}

template<>
inline float MultiButton<float>::Combined() const
{
	float result = 0.0f;
	for (const Button* button : members)
	{
		const float value = query(*button);
		// Strictly greater, so of two equal magnitudes the earlier button wins.
		if (std::fabs(static_cast<double>(value)) > std::fabs(static_cast<double>(result)))
			result = value;
	}
	return result;
}

template<>
inline unsigned MultiButton<unsigned>::Combined() const
{
	unsigned result = useMinimum ? UINT32_MAX : 0u;
	for (const Button* button : members)
	{
		const unsigned value = query(*button);
		if (useMinimum ? value < result : value > result)
			result = value;
	}
	return result;
}

template<>
inline std::string MultiButton<std::string>::Combined() const
{
	std::string result;
	for (size_t i = 0; i < members.size(); ++i)
	{
		if (i > 0)
			result += ",";
		result += query(*members[i]);
	}
	return result;
}
