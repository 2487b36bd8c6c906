// Start-up of the game: finds the user folder and the data folder, installs the crash report, adds
// the eight systems in their frame order, makes the user folder once they have started and runs the
// level loop.
#pragma once

#include <functional>
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

	// Installs the crash report (writing to the user folder) before anything else is made. Nothing
	// when no user folder can be named: the game then ends with -1. The folder is not made here: a
	// start that fails leaves nothing behind.
	std::optional<Folders> PrepareFolders(const char* argv0);

	// Window, Input, Logic, ParticleManager, Physics, Sound, GUI, Graphics: the order of adding
	// is the order in which they update every frame.
	void AddSystems(Engine& engine);

	using EngineStep = std::function<void(Engine&)>;

	// The exit statuses of a run that did not play.
	inline constexpr int kNoUserFolder = -1;
	inline constexpr int kStartFailed = 1;

	// The whole game, from the folders to the window's closing: 0 then, kNoUserFolder without a
	// user folder or when it cannot be made, kStartFailed when the engine cannot start (no display,
	// a refused video mode), which one line on stderr explains: a failed start is not a crash, and
	// makes no folder and writes no configuration.
	// The engine's destruction writes the configuration back and shuts the systems down. A test program adds its own
	// before the systems (components its levels use, files it serves) and after them (a probe
	// system, which then updates last every frame).
	int RunGame(const char* argv0, const EngineStep& beforeSystems = nullptr, const EngineStep& afterSystems = nullptr);
}
