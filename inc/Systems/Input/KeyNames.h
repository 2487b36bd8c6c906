// The names by which configuration files refer to keys: lower-case names ("a", "space",
// "esc", "lwin", "kpenter") for the SDL 1.2 key symbols, built once on first use.
#pragma once

#include <optional>
#include <string>

// The SDL key symbol of a lower-case key name; nothing for a name the table lacks.
std::optional<unsigned> KeySymbolFromName(const std::string& lowerCaseName);
