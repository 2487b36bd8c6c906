// One frame of the level editor's own work among 1,000 bodies (the brain's marker ray, the grid
// preview with its drop ray, the selection's "TransformUpdated" to a selected body, and the debug
// queues emptied as a headless frame does), with and without a selection, beside its two physics
// ray casts on their own: what the editor adds to the queries. The eye looks down -z over a 40 x 25
// field of crates.
#include "BenchEngine.h"

#include "Components/GUI/LevelEditorBrain.h"
#include "Components/GUI/PlaceAndDeleteMode.h"
#include "Components/GUI/SelectionMode.h"
#include "Components/Graphics/Camera.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/Physics.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <string>

namespace
{
	const Tuple3f kEye(0.3f, 4.0f, 0.0f);
	const Tuple3f kView(0.0f, -0.5f, -0.8660254f);
	const Tuple3f kDown(0.0f, -1.0f, 0.0f);

	const char* const kBody = "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
							  "<string>NOGRAVITY</string><Composite><string>CompositePrimitive</string><Collider><string>cube</string>"
							  "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f></Collider></Composite>";

	class EditorBenchWorld
	{
	public:
		EditorBenchWorld() : engine(bench::MakeEngine("EditorBenchUser", "<Config><Physics><Max_Bodies>1200</Max_Bodies></Physics></Config>"))
		{
			graphics = new Graphics();
			engine->AddSystem(graphics);
			physics = new Physics();
			engine->AddSystem(physics);
			engine->AddSystem(new GUI());
			Engine::SendMessage(Message("LevelLoaded"));
			for (int index = 0; index < 1000; ++index)
				selected = AddBody(Tuple3f(-20.0f + static_cast<float>(index % 40), 0.0f, -1.0f - static_cast<float>(index / 40)));
			AddCamera();
			const Object editor = CreateObject("LevelEditor");
			for (unsigned typeId : {PlaceAndDeleteMode::TypeId(), LevelEditorBrain::TypeId(), SelectionMode::TypeId()})
				editor.object->AddComponent(typeId);
			editor.object->Start();
			brain = editor.object->GetComponent<LevelEditorBrain>();
			placement = editor.object->GetComponent<PlaceAndDeleteMode>();
			selection = editor.object->GetComponent<SelectionMode>();
			placement->ToggleMode();
			selection->SetCurrObjID(selected.id);
			ProcessObjectChanges();
			// The step files the new colliders, which the rays see from then on.
			physics->Update();
		}
		~EditorBenchWorld() { engine->Shutdown(); }

		// The editor's frame: place mode for the preview and the marker, select mode for the
		// selection. The selection's "TransformUpdated" moves a body, after which the physics
		// rebuilds its tree of moving bodies at the next ray.
		void EditorFrame(bool withSelection = true)
		{
			brain->SetCurrentMode(0);
			placement->Update();
			brain->Update();
			brain->SetCurrentMode(1);
			if (withSelection)
				selection->Update();
			graphics->Update();
		}

		// The same two rays: the view ray and the drop ray from the preview's cell.
		bool RaysAlone()
		{
			Tuple3f hit, drop;
			const bool viewHit = Physics::RayCast(kEye, kView, nullptr, &hit);
			const Tuple3f cell = placement->GetPlacePos() + Tuple3f(0.5f, 0.5f, 0.5f);
			return Physics::RayCast(cell, kDown, nullptr, &drop) && viewHit;
		}

		std::unique_ptr<Engine> engine;
		Graphics* graphics = nullptr;
		Physics* physics = nullptr;
		LevelEditorBrain* brain = nullptr;
		PlaceAndDeleteMode* placement = nullptr;
		SelectionMode* selection = nullptr;
		Object selected{};

	private:
		static void AddCamera()
		{
			const Object eye = CreateObject("CameraObject");
			eye.object->AddComponent(Transform::TypeId());
			eye.object->GetComponent<Transform>()->SetWorldPosition(kEye);
			eye.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			bench::AddLoaded(eye, Camera::TypeId(), "<Tuple3f>0 -0.5 -0.8660254</Tuple3f>");
			eye.object->Start();
		}

		static Object AddBody(const Tuple3f& position)
		{
			const Object object = CreateObject("Crate");
			object.object->AddComponent(Transform::TypeId());
			object.object->GetComponent<Transform>()->SetWorldPosition(position);
			object.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			bench::AddLoaded(object, Body::TypeId(), kBody);
			object.object->Start();
			return object;
		}
	};

	void BM_EditorFrame(benchmark::State& state)
	{
		EditorBenchWorld world;
		world.EditorFrame();
		state.counters["rays_hit"] = world.RaysAlone() ? 1.0 : 0.0;
		for (auto _ : state)
			world.EditorFrame();
	}
	BENCHMARK(BM_EditorFrame)->Unit(benchmark::kMicrosecond);

	void BM_EditorFrameNothingSelected(benchmark::State& state)
	{
		EditorBenchWorld world;
		for (auto _ : state)
			world.EditorFrame(false);
	}
	BENCHMARK(BM_EditorFrameNothingSelected)->Unit(benchmark::kMicrosecond);

	void BM_EditorRaysAlone(benchmark::State& state)
	{
		EditorBenchWorld world;
		world.EditorFrame();
		for (auto _ : state)
			benchmark::DoNotOptimize(world.RaysAlone());
	}
	BENCHMARK(BM_EditorRaysAlone)->Unit(benchmark::kMicrosecond);
}
