// One frame of each shipped level as the game plays it, after the crates have settled: headless
// (the Logic, particle, Physics and Sound systems, each one's share counted beside the whole frame)
// and with the window, the interface and the renderer drawing it at 1024x768 (needs an X display).
// Beside them, the reference: the same systems' frame on an empty level. Game time advances 16 ms
// a frame through the clock hook.
#include "Engine.h"
#include "Object.h"
#include "Sound.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Window.h"
#include "Utilities/Timer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace
{
	constexpr std::uint32_t kFrameMilliseconds = 16;
	// Frames played before timing, so the crates have settled on the floor.
	constexpr int kSettleFrames = 120;
	const char* const kLevels[] = {"Homestead", "Hillside", "", "Lair"};
	// The headless systems, in the engine's order, whose shares are counted.
	const char* const kHeadlessNames[] = {"Logic", "Particles", "Physics", "Sound"};

	std::uint32_t now = 0;
	std::uint32_t GameTime() { return now; }

	class LevelWorld
	{
	public:
		LevelWorld(const std::string& level, bool rendered)
		{
			const std::filesystem::path user = std::filesystem::temp_directory_path() / "PlayableLevelBenchUser";
			std::filesystem::create_directories(user);
			std::ofstream(user / "Tumblewreck.cfg") << "<Config><Window><Width>1024</Width><Height>768</Height>"
														"<Fullscreen>false</Fullscreen></Window><Sound><Mute>false</Mute></Sound></Config>";
			const std::string data = std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/Data/";
			SetElapsedMillisecondsHook(&GameTime);
			engine = std::make_unique<Engine>(data, user.string() + "/", "Tumblewreck.cfg");
			if (rendered)
				Add(new Window(), false);
			Add(new Logic(), true);
			Add(new ParticleManager(), true);
			Add(new Physics(), true);
			Add(new Sound(), true);
			if (rendered)
			{
				Add(new GUI(), false);
				Add(new Graphics(), false);
			}
			loaded = level.empty() || engine->LoadLevel(level);
			for (int frame = 0; frame < kSettleFrames; ++frame)
				Frame(nullptr);
			// The lair is timed during its fight: the golem called as the waking stone calls it, its
			// scraps reeled in and its tree let loose.
			if (level == "Lair")
			{
				ObjectFromName("Golem").SendMessage(Message("SummonScraps"));
				for (int frame = 0; frame < kSettleFrames; ++frame)
					Frame(nullptr);
			}
		}
		~LevelWorld()
		{
			engine->Shutdown();
			SetElapsedMillisecondsHook(nullptr);
		}

		// One frame; each headless system's time is added to its share when shares are given.
		void Frame(std::vector<double>* shares)
		{
			std::size_t headless = 0;
			for (const auto& [system, counted] : systems)
			{
				const auto start = std::chrono::steady_clock::now();
				system->Update();
				if (counted && shares != nullptr)
					(*shares)[headless] += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
				headless += counted ? 1 : 0;
			}
			ProcessObjectChanges();
			now += kFrameMilliseconds;
		}

		std::unique_ptr<Engine> engine;
		bool loaded = false;

	private:
		void Add(System* system, bool counted)
		{
			engine->AddSystem(system);
			systems.emplace_back(system, counted);
		}

		std::vector<std::pair<System*, bool>> systems;
	};

	// Argument 0: the level (0 Homestead, 1 Hillside, 2 none: the reference, 3 the Lair); argument 1: 1 to draw.
	void BM_LevelFrame(benchmark::State& state)
	{
		const bool rendered = state.range(1) != 0;
		if (rendered && std::getenv("DISPLAY") == nullptr)
		{
			state.SkipWithError("drawing needs an X display: run under xvfb-run");
			return;
		}
		const std::string level = kLevels[state.range(0)];
		LevelWorld world(level, rendered);
		if (!world.loaded)
		{
			state.SkipWithError(("the level \"" + level + "\" did not load").c_str());
			return;
		}
		std::vector<double> shares(std::size(kHeadlessNames), 0.0);
		for (auto _ : state)
			world.Frame(&shares);
		for (std::size_t system = 0; system < shares.size(); ++system)
			state.counters[std::string(kHeadlessNames[system]) + "_us"] =
				benchmark::Counter(shares[system] * 1e6 / static_cast<double>(state.iterations()));
		state.SetLabel((level.empty() ? std::string("empty level") : level) + (rendered ? ", drawn" : ", headless"));
	}
	BENCHMARK(BM_LevelFrame)->ArgsProduct({{0, 1, 2, 3}, {0, 1}})->Unit(benchmark::kMicrosecond);
}
