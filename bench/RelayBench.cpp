// A Relay fanning one message out to 10 stored messages of two arguments each, beside the same ten
// deliveries with the texts parsed anew at each send, and with ten messages built argument by
// argument. Every message goes to the same object, where a receiver reads both arguments.
#include "BenchEngine.h"

#include "Components/Logic/Relay.h"
#include "Components/QuietComponent.h"
#include "Systems/Logic/Logic.h"
#include "Utilities/ParsedMessage.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <string>

namespace
{
	constexpr int kStored = 10;

	struct __ReceiverName
	{
		static constexpr const char* name = "Receiver";
	};

	// Reads both arguments of every "Add" its object hears.
	class Receiver : public QuietComponent<Receiver, __ReceiverName>
	{
	public:
		bool Load(Serializer&) override
		{
			owner->RegisterHandler("Add", &Receiver::OnAdd);
			return true;
		}
		void OnAdd(Message::Reader reader)
		{
			sum += reader.Read<float>();
			sum += reader.Read<float>();
		}

		float sum = 0.0f;
	};

	std::string StoredText(int index)
	{
		return "Add(" + std::to_string(index) + ", 2.5)";
	}

	class RelayWorld
	{
	public:
		RelayWorld() : engine(bench::MakeEngine("RelayBenchUser"))
		{
			engine->AddSystem(new Logic());
			Receiver::Register();
			std::string entry = "<string>Go</string>";
			for (int index = 0; index < kStored; ++index)
				entry += "<string>" + StoredText(index) + "</string>";
			target = CreateObject("Target");
			bench::AddLoaded(target, Relay::TypeId(), "<Unknown>" + entry + "</Unknown>");
			bench::AddLoaded(target, Receiver::TypeId(), "");
			target.object->Start();
			ProcessObjectChanges();
		}
		~RelayWorld() { engine->Shutdown(); }

		// What the receiver read: the work cannot be left out.
		float Received() const { return target.object->GetComponent<Receiver>()->sum; }

		std::unique_ptr<Engine> engine;
		Object target{};
	};

	void BM_RelayFanOut(benchmark::State& state)
	{
		RelayWorld world;
		const Message go("Go");
		for (auto _ : state)
			world.target.object->HandleMessage(go);
		benchmark::DoNotOptimize(world.Received());
		state.SetItemsProcessed(state.iterations() * kStored);
	}
	BENCHMARK(BM_RelayFanOut);

	void BM_ReparsedTexts(benchmark::State& state)
	{
		RelayWorld world;
		std::array<std::string, kStored> texts;
		for (int index = 0; index < kStored; ++index)
			texts[index] = StoredText(index);
		for (auto _ : state)
			for (const std::string& text : texts)
			{
				ParsedMessage parsed;
				ParseMessage(text, parsed);
				world.target.object->HandleMessage(*parsed.GetMessage());
			}
		benchmark::DoNotOptimize(world.Received());
		state.SetItemsProcessed(state.iterations() * kStored);
	}
	BENCHMARK(BM_ReparsedTexts);

	void BM_HandBuiltMessages(benchmark::State& state)
	{
		RelayWorld world;
		for (auto _ : state)
			for (int index = 0; index < kStored; ++index)
				world.target.object->HandleMessage(Message("Add").PushFloat(static_cast<float>(index)).PushFloat(2.5f));
		benchmark::DoNotOptimize(world.Received());
		state.SetItemsProcessed(state.iterations() * kStored);
	}
	BENCHMARK(BM_HandBuiltMessages);
}
