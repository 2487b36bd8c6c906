// The headless gameplay harness: a physics component world with the Logic system (and a Graphics
// system without an OpenGL context), driven frame by frame under one fake game clock, or run
// through Engine::Run across level changes. A frame is what the game's frame is for gameplay:
// Logic, Physics and Graphics updates, the end-of-frame object work, the diagnostics' frame end,
// and exactly 16 game milliseconds (GetElapsedMilliseconds, and FrameTimer's frame time 0.016)
// unless frameWork makes it longer.
// Under Engine::Run the systems update in the order added: Physics, Logic, Graphics, Director.
#pragma once

#include "Components/Logic/BehaviorTree.h"
#include "Components/Physics/PhysicsComponentWorld.h"
#include "FrameTimer.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Logic/LogicTypes.h"
#include "Systems/Logic/TestBehaviors.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/Random.h"
#include "Utilities/Timer.h"

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace test
{
	// The one game clock while it lives: GetElapsedMilliseconds and the frame timer read it, and
	// the frame timer's sleep advances it, so a frame that does not advance it lasts 16 ms.
	class GameClock
	{
	public:
		explicit GameClock(std::uint32_t start = 1000)
		{
			Now() = start;
			SetElapsedMillisecondsHook(&Read);
			previous = FrameTimer::Instance().SetClock({&Read, [](std::uint32_t milliseconds) { Now() += milliseconds; }});
		}
		~GameClock()
		{
			SetElapsedMillisecondsHook(nullptr);
			FrameTimer::Instance().SetClock(previous);
		}
		GameClock(const GameClock&) = delete;
		GameClock& operator=(const GameClock&) = delete;

		static void Advance(std::uint32_t milliseconds) { Now() += milliseconds; }
		static std::uint32_t Read() { return Now(); }

	private:
		static std::uint32_t& Now()
		{
			static std::uint32_t now = 0;
			return now;
		}

		FrameTimer::Clock previous;
	};

	// What a test of nodes alone needs: the engine's node types and the test leaves registered, a
	// game clock, a seeded generator and an empty log.
	struct BehaviorScope
	{
		BehaviorScope()
		{
			RegisterLogicBehaviors();
			RegisterTestBehaviors();
			tw::SeedRand(1);
			Events().clear();
		}
		~BehaviorScope() { LeafActions().clear(); }

		GameClock clock;
	};

	class GameWorld : public PhysicsComponentWorld
	{
	public:
		// configElements: elements of the configuration ("<Logic>...</Logic>", "<Physics>...").
		explicit GameWorld(const std::string& configElements = "", unsigned seed = 1) : PhysicsComponentWorld(configElements)
		{
			tw::SeedRand(seed);
			logic = new Logic();
			engine.engine->AddSystem(logic);
			graphics = new Graphics();
			engine.engine->AddSystem(graphics);
			RegisterTestBehaviors();
			Events().clear();
		}
		~GameWorld() { LeafActions().clear(); }

		void Frame(unsigned count = 1)
		{
			FrameTimer& timer = FrameTimer::Instance();
			for (unsigned frame = 0; frame < count; ++frame)
			{
				timer.StartFrame();
				GameClock::Advance(frameWork);
				logic->Update();
				physics->Update();
				graphics->Update();
				ProcessObjectChanges();
				tw::Diagnostics::EndFrame();
				timer.EndFrame();
			}
		}

		// Writes the level into the user folder, which the search paths hold: the name finds it, as
		// levels are named in the game (a level change refuses paths).
		std::string WriteLevel(const std::string& name, const std::string& xml) const
		{
			engine.userFolder.WriteFile(name, xml);
			return name;
		}
		// As a level change loads a level: the systems' per-level reset, then the load.
		bool LoadLevel(const std::string& levelName)
		{
			logic->Reload();
			return engine.engine->LoadLevel(levelName);
		}
		// Runs the game loop from the level: on its n-th frame the script's step n runs; quits
		// after runawayFrames frames if nothing quit before.
		Director& Run(const std::string& levelName, std::map<unsigned, std::function<void()>> script,
			unsigned runawayFrames = Director::kRunawayFrames)
		{
			auto* director = new Director();
			director->script = std::move(script);
			director->runawayFrames = runawayFrames;
			engine.engine->AddSystem(director);
			engine.engine->RequestLevel(levelName);
			engine.engine->Run();
			return *director;
		}

		// An object with a BehaviorTree loaded from the stored tree, started when asked.
		static Object AddTree(const std::string& name, const std::string& rootType, const std::string& stored, bool start = true)
		{
			const Object object = CreateObject(name);
			AddLoaded(object, BehaviorTree::TypeId(), "<string name=\"rootType\">" + rootType + "</string>" + stored);
			if (start)
				object.object->Start();
			return object;
		}

		// What every logic prototype saves: handlers that reach a destroyed object meet the "Dummy"
		// object, whose components are these prototypes, and must leave them as they were.
		static std::vector<std::string> PrototypeForms()
		{
			std::vector<std::string> forms;
			for (const LogicComponentType& type : LogicRegistrationOrder())
				forms.push_back(Saved(*GetComponentPrototype(type.typeId())));
			return forms;
		}

		GameClock clock;
		// Milliseconds that pass in each frame before its updates: a slow machine's long frame.
		std::uint32_t frameWork = 0;
		// Owned by the engine.
		Logic* logic = nullptr;
		Graphics* graphics = nullptr;
	};
}
