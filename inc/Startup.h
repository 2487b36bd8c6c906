// Start-up of the game: finds the user folder (creating it) and the data folder, installs the
// crash report, and adds the eight systems in their frame order. The entry function runs these
// steps around the engine; nothing else in the game calls them.
#pragma once

#include <optional>
#include <string>

class Engine;

namespace Startup
{
	struct Folders
	{
		// The per-user folder named after the game, ending in "/".
		std::string userFolder;
		// The executable's folder + "Data/".
		std::string dataFolder;
	};

	inline constexpr const char* kConfigFileName = "Tumblewreck.cfg";
	inline constexpr const char* kCrashReportName = "Tumblewreck.dmp";

	// Installs the crash report (writing to the user folder) before anything else is made, then
	// creates the user folder. Nothing when no user folder can be had: the game then ends with -1.
	std::optional<Folders> PrepareFolders(const char* argv0);

	// Window, Input, Logic, ParticleManager, Physics, Sound, GUI, Graphics: the order of adding
	// is the order in which they update every frame.
	void AddSystems(Engine& engine);
}
