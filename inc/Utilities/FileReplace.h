// Writes a whole file so that readers only ever see the old or the new contents: the text goes
// to a temporary file in the same folder, which replaces the target only once fully written.
// A symbolic link is written through: its target is replaced, in the target's folder. The
// serializer's saves and the configuration's write-back use it.
#pragma once

#include <string>
#include <string_view>

// False, with the reason in error, when the file could not be written; the target is untouched then.
bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error);
