// Writes a whole file so that readers only ever see the old or the new contents (see
// OpenedFolder::ReplaceFile). The configuration's write-back follows a symbolic link and replaces
// its target, in the target's folder: the user's real file gets the new contents.
#pragma once

#include <string>
#include <string_view>

// False, with the reason in error, when the file could not be written; the target is untouched then.
bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error);
