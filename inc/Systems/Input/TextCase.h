// Case folding for the names in input settings, which are compared without regard to case.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

inline std::string ToUpperCase(std::string text)
{
	std::transform(text.begin(), text.end(), text.begin(),
		[](unsigned char c) { return static_cast<char>(std::toupper(c)); });
	return text;
}

inline std::string ToLowerCase(std::string text)
{
	std::transform(text.begin(), text.end(), text.begin(),
		[](unsigned char c) { return static_cast<char>(std::tolower(c)); });
	return text;
}
