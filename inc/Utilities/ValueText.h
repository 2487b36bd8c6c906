// Text forms of the typed values kept in data and configuration files: numbers in the classic
// "C" locale whatever the user's locale is, six significant digits, booleans as "true"/"false".
// Reading skips leading white space and ignores whatever follows the value ("12abc" gives 12);
// ParseChecked also tells whether anything did follow.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace ValueText
{
	// Stream set up for one conversion: classic locale, skip white space, bools as words.
	std::ostream& OutputStream();
	std::string TakeOutput();
	std::istream& InputStream(std::string_view text);

	template <class T>
	std::string Format(const T& value)
	{
		OutputStream() << value;
		return TakeOutput();
	}

	enum class Reading
	{
		Unreadable,
		// A value was read, but text other than white space follows it ("0.5" as an unsigned).
		Partial,
		Whole,
	};

	// Leaves out untouched when the text does not hold a T, so a half-read tuple never leaks.
	template <class T>
	Reading ParseChecked(std::string_view text, T& out)
	{
		T parsed = out;
		std::istream& in = InputStream(text);
		if (!(in >> parsed))
			return Reading::Unreadable;
		out = parsed;
		return (in >> std::ws).eof() ? Reading::Whole : Reading::Partial;
	}

	template <class T>
	bool Parse(std::string_view text, T& out)
	{
		return ParseChecked(text, out) != Reading::Unreadable;
	}
}
