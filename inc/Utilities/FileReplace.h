// Writes a whole file so that readers only ever see the old or the new contents: the text goes
// to a temporary file in the same folder, which replaces the target only once fully written.
// The configuration's write-back follows a symbolic link and replaces its target, in the target's
// folder; the serializer's saves replace the link itself, so that a link never leads a save into
// a folder it was not meant for (a user folder's level linked to the game's own).
#pragma once

#include <string>
#include <string_view>

enum class LinkPolicy
{
	kReplaceTarget,
	kReplaceLink,
};

// False, with the reason in error, when the file could not be written; the target is untouched then.
bool ReplaceFileContents(const std::string& path, std::string_view contents, std::string& error,
	LinkPolicy links = LinkPolicy::kReplaceTarget);
