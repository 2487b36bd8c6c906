// A pyramid of 210 unit boxes (20 layers, one box fewer per layer) on a static floor, stepped 600
// times at 0.016 s with 10 solver iterations and no substeps, by this engine's physics and by
// Bullet with the same scene. Each benchmark builds the scene once per iteration and times every
// step in processor time of the stepping thread: the counters give the mean and 95th percentile
// milliseconds per step and the first step after which every box sleeps (0 when they never all
// sleep). Bullet is linked into this program only.
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Physics/CompositePrimitiveCollider.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Config.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

namespace
{
	constexpr int kLayers = 20;
	constexpr int kSteps = 600;
	constexpr float kTimeStep = 0.016f;
	constexpr int kIterations = 10;
	// Neighbours in a layer stand this far apart, centre to centre; each layer sits on the gaps.
	constexpr float kSpacing = 1.02f;
	// The engine's default density: the mass of a unit box.
	constexpr float kBoxMass = 790.0f;

	template <class Visit>
	void ForEachPyramidBox(Visit visit)
	{
		for (int layer = 0; layer < kLayers; ++layer)
			for (int i = 0; i < kLayers - layer; ++i)
				visit(kSpacing * (static_cast<float>(i) - 0.5f * static_cast<float>(kLayers - layer - 1)),
					0.5f + static_cast<float>(layer));
	}

	// The calling thread's processor time: the machine may be shared, and waiting is not stepping.
	double ThreadMilliseconds()
	{
		timespec now{};
		clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
		return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
	}

	// Runs the steps, timing each; stillness is asked after every step.
	void TimeSteps(benchmark::State& state, const std::function<void()>& step, const std::function<bool()>& allAsleep)
	{
		std::vector<double> milliseconds;
		milliseconds.reserve(kSteps);
		int asleepAt = 0;
		for (int i = 1; i <= kSteps; ++i)
		{
			const double start = ThreadMilliseconds();
			step();
			milliseconds.push_back(ThreadMilliseconds() - start);
			if (asleepAt == 0 && allAsleep())
				asleepAt = i;
		}
		double total = 0.0;
		for (double value : milliseconds)
			total += value;
		std::sort(milliseconds.begin(), milliseconds.end());
		state.counters["ms_per_step_mean"] = total / kSteps;
		state.counters["ms_per_step_p95"] = milliseconds[static_cast<std::size_t>(0.95 * kSteps)];
		state.counters["all_asleep_step"] = asleepAt;
	}

	// This engine's world: objects with a Transform and a one-cube collider, bodies in the pool.
	class EngineScene
	{
	public:
		EngineScene() : physics(std::make_unique<Physics>())
		{
			// No engine runs: the components the scene uses are registered here.
			Transform::Register();
			// An empty configuration: every setting at its default until set below.
			ConfigFile file = Config::Load((std::filesystem::temp_directory_path() / "PhysicsStackBench.cfg").string());
			Config section = file.GetSection("Physics");
			physics->LoadConfig(section);
			PhysicsSettings& s = physics->GetSettings();
			s.maxBodies = 300;
			s.maxContacts = 4000;
			s.maxManifolds = 1000;
			s.maxConstraints = 12000;
			physics->Initialize();
			AddBody(Tuple3f(0.0f, 0.0f, 0.0f), "plane", Tuple3f(60.0f, 60.0f, 1.0f), Tuple3f(-1.5707964f, 0.0f, 0.0f), true);
			ForEachPyramidBox([this](float x, float y) {
				boxes.push_back(AddBody(Tuple3f(x, y, 0.0f), "cube", Tuple3f(1, 1, 1), Tuple3f(), false));
			});
			Engine::SendMessage(Message("LevelLoaded"));
			physics->GetDetection().OnLevelLoaded();
			physics->GetResolution().OnLevelLoaded();
		}

		~EngineScene() { DestroyAllObjects(); }

		void Step() { physics->Update(); }
		bool AllAsleep() const
		{
			return std::all_of(boxes.begin(), boxes.end(), [](const RigidBody* body) { return body->IsAsleep(); });
		}

	private:
		RigidBody* AddBody(const Tuple3f& position, const char* shape, const Tuple3f& scale, const Tuple3f& rotation, bool isStatic)
		{
			const Object object = CreateObject("Box");
			object.object->AddComponent(Transform::TypeId());
			auto* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1.0f, 1.0f, 1.0f));
			auto& collider = colliders.emplace_back(std::make_unique<CompositePrimitiveCollider>());
			collider->primitives.emplace_back(scale, shape, Tuple3f(), rotation);
			RigidBody* body = physics->GetResolution().bodyPool.Insert(RigidBody());
			body->transform = transform;
			body->collider = collider.get();
			body->ownerId = object.id;
			collider->SetBody(body);
			collider->SetOwnerId(object.id);
			collider->Initialize();
			body->sleepCounter = physics->GetSettings().sleepTimeout;
			body->ComputeMass(false);
			if (isStatic)
			{
				// The floor has no mass: the collider files it with the static geometry.
				body->mass = body->inverseMass = 0.0f;
				body->localInverseInertia = Matrix4();
				collider->isStatic = true;
				body->Sleep();
			}
			body->UpdateDerived();
			physics->GetResolution().AddBody(*body);
			physics->GetDetection().AddCollider(collider.get());
			return body;
		}

		std::unique_ptr<Physics> physics;
		std::vector<std::unique_ptr<CompositePrimitiveCollider>> colliders;
		std::vector<RigidBody*> boxes;
	};

	class BulletScene
	{
	public:
		BulletScene()
			: dispatcher(&configuration), world(&dispatcher, &broadphase, &solver, &configuration), box(btVector3(0.5f, 0.5f, 0.5f)),
			  ground(btVector3(0.0f, 1.0f, 0.0f), 0.0f)
		{
			world.setGravity(btVector3(0.0f, -9.8f, 0.0f));
			world.getSolverInfo().m_numIterations = kIterations;
			Add(&ground, 0.0f, btVector3(0.0f, 0.0f, 0.0f));
			ForEachPyramidBox([this](float x, float y) { boxes.push_back(Add(&box, kBoxMass, btVector3(x, y, 0.0f))); });
		}

		~BulletScene()
		{
			for (auto& body : bodies)
				world.removeRigidBody(body.get());
		}

		void Step() { world.stepSimulation(kTimeStep, 0, kTimeStep); }
		bool AllAsleep() const
		{
			return std::all_of(boxes.begin(), boxes.end(), [](const btRigidBody* body) { return body->getActivationState() == ISLAND_SLEEPING; });
		}

	private:
		btRigidBody* Add(btCollisionShape* shape, float mass, const btVector3& position)
		{
			btVector3 inertia(0.0f, 0.0f, 0.0f);
			if (mass > 0.0f)
				shape->calculateLocalInertia(mass, inertia);
			auto& motion = motions.emplace_back(std::make_unique<btDefaultMotionState>(btTransform(btQuaternion::getIdentity(), position)));
			auto& body = bodies.emplace_back(std::make_unique<btRigidBody>(mass, motion.get(), shape, inertia));
			world.addRigidBody(body.get());
			return body.get();
		}

		btDefaultCollisionConfiguration configuration;
		btCollisionDispatcher dispatcher;
		btDbvtBroadphase broadphase;
		btSequentialImpulseConstraintSolver solver;
		btDiscreteDynamicsWorld world;
		btBoxShape box;
		btStaticPlaneShape ground;
		std::vector<std::unique_ptr<btDefaultMotionState>> motions;
		std::vector<std::unique_ptr<btRigidBody>> bodies;
		std::vector<btRigidBody*> boxes;
	};

	template <class Scene>
	void BM_Pyramid(benchmark::State& state)
	{
		for (auto _ : state)
		{
			Scene scene;
			TimeSteps(state, [&scene] { scene.Step(); }, [&scene] { return scene.AllAsleep(); });
		}
	}
}

BENCHMARK(BM_Pyramid<EngineScene>)->Name("Pyramid210/Tumblewreck")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pyramid<BulletScene>)->Name("Pyramid210/Bullet")->Iterations(1)->Unit(benchmark::kMillisecond);
