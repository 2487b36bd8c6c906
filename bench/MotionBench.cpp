// The motion components' frame: 500 hovering and 500 spinning objects updated by the Logic pass,
// beside a reference in the same run that writes the same positions and orientations straight
// into their Transforms (the bob's sine and the spin's quaternion computed inline, no messages).
#include "Components/Logic/Hover.h"
#include "Components/Logic/Spinner.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Physics.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	constexpr int kEach = 500;
	constexpr float kTimeStep = 0.016f;
	constexpr float kPeriod = 4.0f;
	constexpr float kDmax = 1.0f;
	constexpr float kSpinSpeed = 0.017453292519943295f * 90.0f;

	class MotionWorld
	{
	public:
		MotionWorld()
		{
			const std::filesystem::path user = std::filesystem::temp_directory_path() / "MotionBenchUser";
			std::filesystem::create_directories(user);
			std::ofstream(user / "Tumblewreck.cfg") << "<Config/>";
			engine = std::make_unique<Engine>("", user.string() + "/", "Tumblewreck.cfg");
			engine->AddSystem(new Physics());
			logic = new Logic();
			engine->AddSystem(logic);
		}
		~MotionWorld() { engine->Shutdown(); }

		// A started object at the position with a Transform and the component loaded from values.
		Transform* Add(unsigned typeId, const std::string& values, const Tuple3f& position)
		{
			const Object object = CreateObject("Bench");
			object.object->AddComponent(Transform::TypeId());
			Transform* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1, 1, 1));
			static int documents = 0;
			std::istringstream text("<Component>" + values + "</Component>");
			Serializer serializer;
			serializer.LoadFromStream(text, "MotionBench" + std::to_string(++documents));
			object.object->AddComponent(typeId, serializer);
			object.object->Start();
			return transform;
		}

		// Hovers already settled at height 0 over no ground, so every frame bobs.
		void Populate()
		{
			for (int index = 0; index < kEach; ++index)
			{
				const float x = static_cast<float>(index);
				hovers.push_back(Add(Hover::TypeId(), "<float>4</float><float>1</float><float>0</float>", Tuple3f(x, 0, 0)));
				spinners.push_back(Add(Spinner::TypeId(), "<Tuple3f>0 1 0</Tuple3f><float>90</float>", Tuple3f(x, 0, 5)));
			}
			logic->Update();
			logic->Update();
		}

		std::unique_ptr<Engine> engine;
		Logic* logic = nullptr;
		std::vector<Transform*> hovers;
		std::vector<Transform*> spinners;
	};

	void BM_HoverAndSpinnerPass(benchmark::State& state)
	{
		MotionWorld world;
		world.Populate();
		for (auto _ : state)
			world.logic->Update();
		state.SetItemsProcessed(state.iterations() * 2 * kEach);
	}
	BENCHMARK(BM_HoverAndSpinnerPass);

	void BM_DirectTransformWrites(benchmark::State& state)
	{
		MotionWorld world;
		world.Populate();
		float phase = 0.0f;
		float angle = 0.0f;
		const Quaternion start;
		for (auto _ : state)
		{
			phase += 6.2831854820251465f * kTimeStep / kPeriod;
			angle += kSpinSpeed * kTimeStep;
			for (Transform* transform : world.hovers)
			{
				Tuple3f p = transform->GetWorldPosition();
				p.y = (std::sin(phase) + 1.0f) * 0.5f * kDmax;
				transform->SetWorldPosition(p);
			}
			for (Transform* transform : world.spinners)
				transform->SetWorldOrientation(QuaternionFromRotationVector(Tuple3f(0, angle, 0)) * start);
			benchmark::ClobberMemory();
		}
		state.SetItemsProcessed(state.iterations() * 2 * kEach);
	}
	BENCHMARK(BM_DirectTransformWrites);
}
