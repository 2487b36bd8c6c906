// Message delivery to one object and bulk object creation and destruction, each beside a reference
// that does the same work without the engine's tables (direct member calls; std containers).
#include "Component.h"
#include "Composition.h"
#include "Message.h"
#include "Object.h"
#include "Utilities/MemoryManager.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <unordered_map>
#include <vector>

namespace
{
	template <class NameTag>
	class BenchComponent : public ComponentBase<BenchComponent<NameTag>, NameTag>
	{
	public:
		bool Load(Serializer&) override
		{
			return true;
		}
		bool Serialize(Serializer&) override
		{
			return true;
		}
		bool Start() override
		{
			return true;
		}
		bool Update() override
		{
			return true;
		}
		void Detach() override
		{
		}

		// Reads both arguments, as a real handler would.
		void OnMove(Message::Reader reader)
		{
			total += reader.Read<float>();
			count += reader.Read<unsigned>();
		}

		float total = 0;
		unsigned count = 0;
	};

	struct __BenchAName
	{
		static constexpr const char* name = "BenchA";
	};
	struct __BenchBName
	{
		static constexpr const char* name = "BenchB";
	};
	struct __BenchCName
	{
		static constexpr const char* name = "BenchC";
	};
	struct __BenchDName
	{
		static constexpr const char* name = "BenchD";
	};
	using BenchA = BenchComponent<__BenchAName>;
	using BenchB = BenchComponent<__BenchBName>;
	using BenchC = BenchComponent<__BenchCName>;
	using BenchD = BenchComponent<__BenchDName>;

	void RegisterBenchComponents()
	{
		BenchA::Register();
		BenchB::Register();
		BenchC::Register();
		BenchD::Register();
	}

	void DeliverToObjectWithThreeHandlers(benchmark::State& state)
	{
		RegisterBenchComponents();
		const Object target = CreateObject("Target");
		for (unsigned typeId : {BenchA::TypeId(), BenchB::TypeId(), BenchC::TypeId()})
			target.object->AddComponent(typeId);
		target.object->RegisterHandler("MoveForward", &BenchA::OnMove);
		target.object->RegisterHandler("MoveForward", &BenchB::OnMove);
		target.object->RegisterHandler("MoveForward", &BenchC::OnMove);
		Message message("MoveForward");
		message.PushFloat(0.5f).PushU32(1);
		for (auto _ : state)
			target.object->HandleMessage(message);
		benchmark::DoNotOptimize(target.object->GetComponent<BenchA>()->total);
		DestroyAllObjects();
	}
	BENCHMARK(DeliverToObjectWithThreeHandlers);

	// The floor: the same three handlers called directly through member pointers.
	void DirectCallOfThreeHandlers(benchmark::State& state)
	{
		BenchA a;
		BenchB b;
		BenchC c;
		using Handler = void (Component::*)(Message::Reader);
		const std::pair<Component*, Handler> calls[] = {
			{&a, static_cast<Handler>(&BenchA::OnMove)},
			{&b, static_cast<Handler>(&BenchB::OnMove)},
			{&c, static_cast<Handler>(&BenchC::OnMove)},
		};
		Message message("MoveForward");
		message.PushFloat(0.5f).PushU32(1);
		for (auto _ : state)
			for (const auto& [component, handler] : calls)
			{
				benchmark::DoNotOptimize(component);
				(component->*handler)(Message::Reader(message, 1));
			}
		benchmark::DoNotOptimize(a.total);
	}
	BENCHMARK(DirectCallOfThreeHandlers);

	constexpr int kObjectCount = 10000;

	std::vector<Object> CreateCrates(int count = kObjectCount)
	{
		const unsigned typeIds[] = {BenchA::TypeId(), BenchB::TypeId(), BenchC::TypeId(), BenchD::TypeId()};
		std::vector<Object> objects;
		objects.reserve(static_cast<std::size_t>(count));
		for (int index = 0; index < count; ++index)
		{
			const Object made = CreateObject("Crate");
			for (unsigned typeId : typeIds)
				made.object->AddComponent(typeId);
			objects.push_back(made);
		}
		return objects;
	}

	// Destroyed in a frame: queued, then carried out by the end-of-frame work.
	void CreateAndDestroyObjectsOfFourComponents(benchmark::State& state)
	{
		RegisterBenchComponents();
		for (auto _ : state)
		{
			std::vector<Object> objects = CreateCrates();
			for (const Object& object : objects)
				object.object->Destroy();
			ProcessObjectChanges();
			// The store keeps the ids of deleted objects until the next level load.
			DestroyAllObjects();
		}
		state.SetItemsProcessed(state.iterations() * kObjectCount);
	}
	BENCHMARK(CreateAndDestroyObjectsOfFourComponents)->Unit(benchmark::kMillisecond);

	// Destroyed all at once and the empty pages given back, as a level unload does. The unload's
	// time per object (unload_ns) stays flat as the level grows when the page release is linear.
	void CreateAndUnloadObjectsOfFourComponents(benchmark::State& state)
	{
		using Clock = std::chrono::steady_clock;
		RegisterBenchComponents();
		const int count = static_cast<int>(state.range(0));
		Clock::duration unloadTime{};
		for (auto _ : state)
		{
			benchmark::DoNotOptimize(CreateCrates(count));
			const auto unloadStart = Clock::now();
			DestroyAllObjects();
			MemoryManager::Instance().FreeEmptyPages();
			unloadTime += Clock::now() - unloadStart;
		}
		const double objects = static_cast<double>(state.iterations() * count);
		state.counters["unload_ns"] = std::chrono::duration<double, std::nano>(unloadTime).count() / objects;
		state.SetItemsProcessed(state.iterations() * count);
	}
	BENCHMARK(CreateAndUnloadObjectsOfFourComponents)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

	// The reference: objects of four heap components kept in a std::unordered_map by id.
	void CreateAndDestroyPlainObjects(benchmark::State& state)
	{
		struct PlainObject
		{
			std::unique_ptr<Component> components[4];
		};
		std::unordered_map<unsigned, std::unique_ptr<PlainObject>> byId;
		for (auto _ : state)
		{
			for (unsigned id = 1; id <= kObjectCount; ++id)
			{
				auto object = std::make_unique<PlainObject>();
				object->components[0] = std::make_unique<BenchA>();
				object->components[1] = std::make_unique<BenchB>();
				object->components[2] = std::make_unique<BenchC>();
				object->components[3] = std::make_unique<BenchD>();
				byId.emplace(id, std::move(object));
			}
			byId.clear();
		}
		state.SetItemsProcessed(state.iterations() * kObjectCount);
	}
	BENCHMARK(CreateAndDestroyPlainObjects)->Unit(benchmark::kMillisecond);
}
