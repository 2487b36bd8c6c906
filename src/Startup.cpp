#include "Startup.h"

#include "Engine.h"
#include "Platform/CrashReport.h"
#include "Platform/Folders.h"
#include "Sound.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Input.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Window.h"
#include "Utilities/FLException.h"

#include <iostream>
#include <memory>

namespace
{
	constexpr const char* kGameFolderName = "Tumblewreck/";
	constexpr const char* kDataFolderName = "Data/";
}

namespace Startup
{
	std::optional<Folders> PrepareFolders(const char* argv0)
	{
		const std::optional<std::string> applicationData = Platform::ApplicationDataFolder();
		const std::string userFolder = applicationData ? *applicationData + kGameFolderName : std::string();
		Platform::InstallCrashReport(applicationData ? userFolder + kCrashReportName : std::string());
		if (!applicationData)
		{
			std::cerr << "Tumblewreck: no user folder: neither XDG_DATA_HOME nor HOME names one\n";
			return std::nullopt;
		}
		return Folders{userFolder, Platform::ExecutableFolder(argv0) + kDataFolderName};
	}

	void AddSystems(Engine& engine)
	{
		engine.AddSystem(new Window);
		engine.AddSystem(new Input);
		engine.AddSystem(new Logic);
		engine.AddSystem(new ParticleManager);
		engine.AddSystem(new Physics);
		engine.AddSystem(new Sound);
		engine.AddSystem(new GUI);
		engine.AddSystem(new Graphics);
	}

	namespace
	{
		// The engine with its systems, ready to run; null, after one line on stderr that says why,
		// when it cannot start.
		std::unique_ptr<Engine> StartEngine(const Folders& folders, const EngineStep& beforeSystems, const EngineStep& afterSystems)
		{
			std::unique_ptr<Engine> engine;
			try
			{
				engine = std::make_unique<Engine>(folders.dataFolder, folders.userFolder, kConfigFileName);
				if (beforeSystems)
					beforeSystems(*engine);
				AddSystems(*engine);
				if (afterSystems)
					afterSystems(*engine);
				return engine;
			}
			catch (const FLException& error)
			{
				// A game that never started leaves the user's configuration as it found it; the
				// systems added so far are shut down first, so that the line below is the last.
				if (engine)
					engine->LeaveConfigurationUnwritten();
				engine.reset();
				// The line is the player's: what went wrong and what to do, not where in the sources.
				std::cerr << "Tumblewreck could not start: " << error.Message() << "\n";
				return nullptr;
			}
		}
	}

	int RunGame(const char* argv0, const EngineStep& beforeSystems, const EngineStep& afterSystems)
	{
		const std::optional<Folders> folders = PrepareFolders(argv0);
		if (!folders)
			return kNoUserFolder;
		std::unique_ptr<Engine> engine = StartEngine(*folders, beforeSystems, afterSystems);
		if (!engine)
			return kStartFailed;
		if (!Platform::CreateFolder(folders->userFolder))
		{
			engine->LeaveConfigurationUnwritten();
			engine.reset();
			std::cerr << "Tumblewreck: the user folder '" << folders->userFolder << "' cannot be created\n";
			return kNoUserFolder;
		}
		engine->Run();
		return 0;
	}
}
