// The game's start-up (folders, crash report, engine, the eight systems, the level loop) with one
// more system that ends the run after a number of frames: by asking the engine to shut down, or by
// crashing on purpose. The start-up tests run it in a fresh user folder.
// Usage: StartupProbe <frames> [crash]
#include "Engine.h"
#include "Message.h"
#include "Platform/VirtualMemory.h"
#include "Startup.h"
#include "System.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace
{
	struct __StartupProbeName
	{
		static constexpr const char* name = "StartupProbe";
	};

	// Prints "LevelLoaded <level>" for every level loaded and "Frames <n>" when it ends the run.
	class StartupProbe : public SystemBase<StartupProbe, __StartupProbeName>
	{
	public:
		StartupProbe(unsigned frameLimit, bool crash) : frameLimit(frameLimit), crash(crash)
		{
		}

		void LoadConfig(Config&) override
		{
		}
		void Initialize() override
		{
			RegisterHandler("LevelLoaded", &StartupProbe::OnLevelLoaded);
		}
		void Update() override
		{
			if (++frames < frameLimit)
				return;
			std::cout << "Frames " << frames << std::endl;
			if (crash)
				CrashOnPurpose();
			Engine::SendMessage(Message("Shutdown"));
		}

	private:
		void OnLevelLoaded(Message::Reader)
		{
			std::cout << "LevelLoaded " << Engine::Instance()->GetCurrentLevel() << std::endl;
		}

		// A store into reserved, uncommitted memory: a real fault, which the sanitizers leave to the
		// crash report.
		static void CrashOnPurpose()
		{
			auto* inaccessible = static_cast<volatile int*>(Platform::ReserveAddressSpace(Platform::PageSize()));
			*inaccessible = 1;
		}

		unsigned frameLimit;
		bool crash;
		unsigned frames = 0;
	};
}

int main(int argc, char** argv)
{
	if (argc < 2)
	{
		std::cerr << "usage: StartupProbe <frames> [crash]\n";
		return 2;
	}
	const unsigned frameLimit = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
	const bool crash = argc > 2 && std::string(argv[2]) == "crash";

	return Startup::RunGame(argv[0], nullptr, [&](Engine& engine) { engine.AddSystem(new StartupProbe(frameLimit, crash)); });
}
