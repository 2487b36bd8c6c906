// Game text placed into a page statement ("Show(" + literal + ")"): level data, file names and
// error texts reach pages this way, and none of them may end the string or run as script.
#pragma once

#include <string>

// The text as a double-quoted script string literal.
std::string ScriptStringLiteral(const std::string& text);
