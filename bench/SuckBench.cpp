// One frame of an active Suck among 1,000 bodies, 50 of them inside its cone, beside the two
// physics queries that frame makes (the cone and the aim ray) on their own: what the pull itself
// adds to the queries. The eye looks down -z; the other 950 bodies lie behind it.
#include "BenchEngine.h"

#include "Components/Graphics/Camera.h"
#include "Components/Logic/Suck.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/DetectionManager.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Quaternion.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

namespace
{
	const Tuple3f kEye(0.0f, 1.0f, 0.0f);
	const Tuple3f kView(0.0f, 0.0f, -1.0f);
	// The cone: 4 wide and 10 long.
	const Tuple3f kConeScale(4.0f, 10.0f, 4.0f);

	std::string BodyValues(const std::string& flags, float size)
	{
		const std::string scale = std::to_string(size) + " " + std::to_string(size) + " " + std::to_string(size);
		return "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><string>" + flags +
			"</string><Composite><string>CompositePrimitive</string><Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f>"
			"<Tuple3f>0 0 0</Tuple3f><Tuple3f>" + scale + "</Tuple3f></Collider></Composite>";
	}

	class SuckWorld
	{
	public:
		SuckWorld() : engine(bench::MakeEngine("SuckBenchUser", "<Config><Physics><Max_Bodies>1200</Max_Bodies></Physics></Config>"))
		{
			physics = new Physics();
			engine->AddSystem(physics);
			engine->AddSystem(new Logic());
			engine->AddSystem(new Graphics());
			Engine::SendMessage(Message("LevelLoaded"));
			AddCamera();
			const Object player = AddBody("Player", kEye, BodyValues("CONTROLLER", 1.0f));
			bench::AddLoaded(player, Suck::TypeId(),
				"<float>0</float><float>10</float><float>50</float><float>6</float><float>10</float><Tuple3f>4 10 4</Tuple3f>"
				"<float>2</float><Scaler><Tuple3f>0.2 0.2 0.2</Tuple3f><float>0.5</float></Scaler>");
			player.object->Start();
			suck = player.object->GetComponent<Suck>();
			player.object->HandleMessage(Message("SetSucking").PushBool(true));
			// 50 small crates on a 5 x 10 grid about the view axis, 3 to 7.5 units ahead.
			for (int column = 0; column < 5; ++column)
				for (int row = 0; row < 10; ++row)
					AddBody("Crate", kEye + Tuple3f(-0.6f + 0.3f * column, 0.0f, -3.0f - 0.5f * row), BodyValues("NOGRAVITY", 0.2f));
			// 950 behind the eye, a unit apart.
			for (int index = 0; index < 950; ++index)
				AddBody("Crate", Tuple3f(-15.0f + static_cast<float>(index % 30), 1.0f, 3.0f + static_cast<float>(index / 30)),
					BodyValues("NOGRAVITY", 0.5f));
			ProcessObjectChanges();
			// The step files the new colliders, which the queries see from then on.
			physics->Update();
		}
		~SuckWorld() { engine->Shutdown(); }

		// The cone query as the suck makes it, and the aim ray.
		std::size_t Queries()
		{
			const Tuple3f centre = kEye + kView * (kConeScale.y * 0.5f);
			const Tuple3f rotation = QuaternionToRotationVector(QuaternionFromTo(Tuple3f(0.0f, -1.0f, 0.0f), kView));
			found.clear();
			physics->GetDetection().QueryPrimitive(kGeometryCone, centre, rotation, kConeScale, &found);
			RigidBody* hit = nullptr;
			Tuple3f point;
			Physics::RayCast(kEye, kView, &hit, &point);
			return found.size() + (hit != nullptr ? 1 : 0);
		}

		std::unique_ptr<Engine> engine;
		Physics* physics = nullptr;
		Suck* suck = nullptr;

	private:
		static void AddCamera()
		{
			const Object eye = CreateObject("Eye");
			eye.object->AddComponent(Transform::TypeId());
			eye.object->GetComponent<Transform>()->SetWorldPosition(kEye);
			eye.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			bench::AddLoaded(eye, Camera::TypeId(), "<Tuple3f>0 0 -1</Tuple3f><float>-20</float><float>0</float><float>20</float>"
				"<float>5</float><float>1</float><float>100</float><float>80</float><float>-80</float><Tuple3f>0 0 0</Tuple3f>");
			eye.object->Start();
		}

		static Object AddBody(const std::string& name, const Tuple3f& position, const std::string& body)
		{
			const Object object = CreateObject(name);
			object.object->AddComponent(Transform::TypeId());
			object.object->GetComponent<Transform>()->SetWorldPosition(position);
			object.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			bench::AddLoaded(object, Body::TypeId(), body);
			object.object->Start();
			return object;
		}

		std::vector<RigidBody*> found;
	};

	void BM_SuckFrame(benchmark::State& state)
	{
		SuckWorld world;
		// The cone also holds the player's own body, which the pull skips; the ray's hit is not counted.
		state.counters["crates_in_cone"] = static_cast<double>(world.Queries() - 2);
		for (auto _ : state)
			world.suck->Update();
	}
	BENCHMARK(BM_SuckFrame)->Unit(benchmark::kMicrosecond);

	void BM_SuckQueriesAlone(benchmark::State& state)
	{
		SuckWorld world;
		for (auto _ : state)
			benchmark::DoNotOptimize(world.Queries());
	}
	BENCHMARK(BM_SuckQueriesAlone)->Unit(benchmark::kMicrosecond);
}
