// The game's start-up (folders, crash report, engine, the eight systems, the level loop) with one
// more system that ends the run after a number of frames: by asking the engine to shut down, or by
// crashing on purpose. On a tour it goes from the menu to each shipped level in turn and, before
// it ends, makes one object of every shipped archetype. Reloading, it loads the main menu (a level
// with a full-screen page) that many times, a few frames each, and prints how much the process grew
// over the loads after the first ten. Crashing at the start, it crashes before the systems are
// added. The start-up tests run it in a fresh user folder.
// Usage: StartupProbe <frames> [crash | tour] | StartupProbe <loads> reload | StartupProbe 0 crash-at-start
#include "Archetype.h"
#include "Engine.h"
#include "Message.h"
#include "Platform/VirtualMemory.h"
#include "Startup.h"
#include "System.h"

#include "ResidentMemory.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <limits>
#include <string>

namespace
{
	// A store into reserved, uncommitted memory: a real fault, which the sanitizers leave to the
	// crash report.
	void CrashOnPurpose()
	{
		auto* inaccessible = static_cast<volatile int*>(Platform::ReserveAddressSpace(Platform::PageSize()));
		*inaccessible = 1;
	}

	struct __StartupProbeName
	{
		static constexpr const char* name = "StartupProbe";
	};

	// Prints "LevelLoaded <level>" for every level loaded and "Frames <n>" when it ends the run.
	class StartupProbe : public SystemBase<StartupProbe, __StartupProbeName>
	{
	public:
		enum class Ending
		{
			Shutdown,
			Crash,
			Tour,
			Reload,
		};

		StartupProbe(unsigned frameLimit, Ending ending) : frameLimit(frameLimit), ending(ending)
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
			++frames;
			if (ending == Ending::Reload)
				return Reload();
			// Each shipped level in turn, as many frames each, after the menu.
			static const char* const kTour[] = {"Homestead", "Hillside", "Lair", "Won"};
			constexpr unsigned kStops = sizeof(kTour) / sizeof(kTour[0]) + 1;
			if (ending == Ending::Tour && frames % (frameLimit / kStops) == 0 && frames / (frameLimit / kStops) < kStops)
				Engine::Instance()->RequestLevel(kTour[frames / (frameLimit / kStops) - 1]);
			if (frames < frameLimit)
				return;
			std::cout << "Frames " << frames << std::endl;
			if (ending == Ending::Crash)
				CrashOnPurpose();
			if (ending == Ending::Tour)
				MakeEveryArchetype();
			Engine::SendMessage(Message("Shutdown"));
		}

	private:
		void OnLevelLoaded(Message::Reader)
		{
			++loads;
			framesInLevel = 0;
			if (ending != Ending::Reload || loads == 1)
				std::cout << "LevelLoaded " << Engine::Instance()->GetCurrentLevel() << std::endl;
		}

		// A few frames in each load, so that the page runs its scripts and is drawn.
		void Reload()
		{
			constexpr unsigned kFramesPerLoad = 3;
			if (++framesInLevel < kFramesPerLoad)
				return;
			// The first loads fill caches once (the driver's, the script engine's): about 13 MB that
			// some runs take by the tenth load and none later. And from one frame to the next the
			// resident size swings by as much with the page's passing buffers. So the lowest size
			// over ten loads after the warm-up is compared with the lowest over the last ten: what
			// each load keeps shows alone.
			constexpr unsigned kWarmUpLoads = 10;
			constexpr unsigned kWindowLoads = 10;
			const long resident = test::ResidentKilobytes();
			if (loads > kWarmUpLoads && loads <= kWarmUpLoads + kWindowLoads)
				lowestAfterWarmUp = std::min(lowestAfterWarmUp, resident);
			if (loads + kWindowLoads > frameLimit)
				lowestAtTheEnd = std::min(lowestAtTheEnd, resident);
			if (loads < frameLimit)
				return Engine::Instance()->RequestLevel("MainMenu");
			std::cout << "Loads " << loads << "\nGrew " << lowestAtTheEnd - lowestAfterWarmUp << " KB" << std::endl;
			Engine::SendMessage(Message("Shutdown"));
		}

		static void MakeEveryArchetype()
		{
			for (const auto& entry : std::filesystem::directory_iterator(Engine::Instance()->GetDataFolder() + "Objects"))
				if (entry.is_regular_file() && entry.path().extension() == ".xml")
					CreateObjectFromArchetype(entry.path().filename().string());
		}

		unsigned frameLimit;
		Ending ending;
		unsigned frames = 0;
		unsigned loads = 0;
		unsigned framesInLevel = 0;
		long lowestAfterWarmUp = std::numeric_limits<long>::max();
		long lowestAtTheEnd = std::numeric_limits<long>::max();
	};
}

int main(int argc, char** argv)
{
	if (argc < 2)
	{
		std::cerr << "usage: StartupProbe <frames> [crash | tour] | StartupProbe <loads> reload | StartupProbe 0 crash-at-start\n";
		return 2;
	}
	const unsigned frameLimit = static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10));
	const std::string ending = argc > 2 ? argv[2] : "";
	const StartupProbe::Ending how = ending == "crash" ? StartupProbe::Ending::Crash
		: ending == "tour"								 ? StartupProbe::Ending::Tour
		: ending == "reload"							 ? StartupProbe::Ending::Reload
														 : StartupProbe::Ending::Shutdown;

	if (ending == "crash-at-start")
		return Startup::RunGame(argv[0], [](Engine&) { CrashOnPurpose(); });
	return Startup::RunGame(argv[0], nullptr, [&](Engine& engine) { engine.AddSystem(new StartupProbe(frameLimit, how)); });
}
