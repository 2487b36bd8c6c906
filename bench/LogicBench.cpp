// The Logic system's per-frame pass and its behaviour trees, each beside a reference in the same
// run: the pass over 1,000 logic objects against a flat array of their component pointers, and
// 1,000 trees (a SequenceNode of two timed leaves) against a switch-based state machine that does
// the same work frame by frame, kept inline in one array, as separately allocated objects, and as
// the one node of a tree updated by the same pass. Game time advances 16 ms a frame through the
// clock hook.
#include "BenchEngine.h"

#include "Components/Logic/BehaviorTree.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/Timer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace
{
	constexpr int kObjects = 1000;
	constexpr std::uint32_t kFrameMilliseconds = 16;
	constexpr std::uint32_t kLeafMilliseconds = 100;

	std::uint32_t now = 0;
	std::uint32_t GameTime() { return now; }

	// Runs for kLeafMilliseconds of game time, then succeeds.
	class TimedLeaf final : public BehaviorNode
	{
	public:
		void Start() override { started = GetElapsedMilliseconds(); }
		void Update() override
		{
			if (GetElapsedMilliseconds() - started >= kLeafMilliseconds)
				status = Success;
		}
		void Finish() override {}

	private:
		std::uint32_t started = 0;
	};

	class LogicWorld
	{
	public:
		LogicWorld()
		{
			engine = bench::MakeEngine("LogicBenchUser");
			logic = new Logic();
			engine->AddSystem(logic);
			RegisterBehavior<TimedLeaf>("TimedLeaf");
			SetElapsedMillisecondsHook(&GameTime);
		}
		~LogicWorld()
		{
			SetElapsedMillisecondsHook(nullptr);
			engine->Shutdown();
		}

		// A started object with a BehaviorTree: without a tree when stored is empty.
		Component* AddTree(const std::string& stored)
		{
			const Object object = CreateObject("Bench");
			if (stored.empty())
				object.object->AddComponent(BehaviorTree::TypeId());
			else
				bench::AddLoaded(object, BehaviorTree::TypeId(), stored);
			object.object->Start();
			return object.object->GetComponent(BehaviorTree::TypeId());
		}

		std::unique_ptr<Engine> engine;
		Logic* logic = nullptr;
	};

	const std::string kTwoTimedLeaves = "<string>SequenceNode</string><Unknown><string>TimedLeaf</string></Unknown>"
										"<Unknown><string>TimedLeaf</string></Unknown>";

	void BM_LogicPass(benchmark::State& state)
	{
		LogicWorld world;
		for (int object = 0; object < kObjects; ++object)
			world.AddTree("");
		world.logic->Update();
		for (auto _ : state)
			world.logic->Update();
		state.SetItemsProcessed(state.iterations() * kObjects);
	}
	BENCHMARK(BM_LogicPass);

	void BM_FlatComponentArray(benchmark::State& state)
	{
		LogicWorld world;
		std::vector<Component*> components;
		for (int object = 0; object < kObjects; ++object)
			components.push_back(world.AddTree(""));
		for (auto _ : state)
			for (Component* component : components)
				benchmark::DoNotOptimize(component->Update());
		state.SetItemsProcessed(state.iterations() * kObjects);
	}
	BENCHMARK(BM_FlatComponentArray);

	void RunFrames(LogicWorld& world, benchmark::State& state)
	{
		for (auto _ : state)
		{
			world.logic->Update();
			now += kFrameMilliseconds;
		}
		state.SetItemsProcessed(state.iterations() * kObjects);
	}

	void BM_BehaviorTrees(benchmark::State& state)
	{
		LogicWorld world;
		for (int object = 0; object < kObjects; ++object)
			world.AddTree(kTwoTimedLeaves);
		RunFrames(world, state);
	}
	BENCHMARK(BM_BehaviorTrees);

	// The same two timed steps and the tree's frame pattern (start, run, finish, restart) as a
	// hand-written state machine per character.
	struct StateMachine
	{
		virtual ~StateMachine() = default;
		// What a gameplay component holding the machine would be called through.
		virtual void Advance() { Update(); }

		enum Step { StartFirst, RunFirst, RunSecond, Restart };
		Step step = StartFirst;
		std::uint32_t started = 0;

		void Update()
		{
			switch (step)
			{
			case StartFirst:
				started = GetElapsedMilliseconds();
				step = RunFirst;
				break;
			case RunFirst:
				if (GetElapsedMilliseconds() - started >= kLeafMilliseconds)
				{
					started = GetElapsedMilliseconds();
					step = RunSecond;
				}
				break;
			case RunSecond:
				if (GetElapsedMilliseconds() - started >= kLeafMilliseconds)
					step = Restart;
				break;
			case Restart:
				step = StartFirst;
				break;
			}
		}
	};

	void BM_SwitchStateMachines(benchmark::State& state)
	{
		LogicWorld world;
		std::vector<StateMachine> machines(kObjects);
		for (auto _ : state)
		{
			for (StateMachine& machine : machines)
				machine.Update();
			benchmark::DoNotOptimize(machines.data());
			now += kFrameMilliseconds;
		}
		state.SetItemsProcessed(state.iterations() * kObjects);
	}
	BENCHMARK(BM_SwitchStateMachines);

	// The machines as the state of separately allocated objects, each called through a virtual
	// function, as a component written with a switch would be.
	void BM_SwitchStateMachineObjects(benchmark::State& state)
	{
		LogicWorld world;
		std::vector<std::unique_ptr<StateMachine>> machines;
		for (int object = 0; object < kObjects; ++object)
			machines.push_back(std::make_unique<StateMachine>());
		for (auto _ : state)
		{
			for (const std::unique_ptr<StateMachine>& machine : machines)
				machine->Advance();
			now += kFrameMilliseconds;
		}
		state.SetItemsProcessed(state.iterations() * kObjects);
	}
	BENCHMARK(BM_SwitchStateMachineObjects);

	// The machine as the one node of a tree: a logic component updated by the same pass as the
	// trees, so that only the arrangement of the work in nodes differs.
	class StateMachineLeaf final : public BehaviorNode
	{
	public:
		void Start() override {}
		void Update() override { machine.Update(); }
		void Finish() override {}

	private:
		StateMachine machine;
	};

	void BM_StateMachineLeaves(benchmark::State& state)
	{
		LogicWorld world;
		RegisterBehavior<StateMachineLeaf>("StateMachineLeaf");
		for (int object = 0; object < kObjects; ++object)
			world.AddTree("<string>StateMachineLeaf</string>");
		RunFrames(world, state);
	}
	BENCHMARK(BM_StateMachineLeaves);
}
