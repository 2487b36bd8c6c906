// Where the game finds its folders on this platform: the per-user data folder (the place of
// the common application-data folder), the executable's own folder, and folder creation.
#pragma once

#include <optional>
#include <string>

namespace Platform
{
	// $XDG_DATA_HOME, else $HOME/.local/share, with a trailing "/"; empty when neither is known.
	std::optional<std::string> ApplicationDataFolder();

	// The folder of the running executable with a trailing "/" (from /proc/self/exe, else
	// from the given first command-line argument).
	std::string ExecutableFolder(const char* argv0);

	// Creates the folder and any missing parents; true when it exists afterwards.
	bool CreateFolder(const std::string& path);
}
