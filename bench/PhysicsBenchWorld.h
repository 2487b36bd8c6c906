// The physics benchmarks' common ground: a headless world of this engine (no engine runs, bodies
// go straight into the stages) and a Bullet world, both with the same gravity, plus per-step
// timing in processor time of the stepping thread. Bullet is linked into the benchmarks only.
#pragma once

#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Systems/Physics/CompositePrimitiveCollider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/StaticTriangleMesh.h"
#include "Utilities/Config.h"

#include <benchmark/benchmark.h>
#include <btBulletDynamicsCommon.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace bench
{
	constexpr float kTimeStep = 0.016f;
	constexpr int kIterations = 10;
	// The engine's default density: the mass of a unit cube.
	constexpr float kDensity = 790.0f;

	// The scene's spacing moved by this many steps of the given size, from the environment's
	// "TW_BENCH_NUDGE" (unset: the scene as written). Whether a resting figure (a step at which
	// all sleep, a count asleep) holds for the engine or only for one rounding of one scene shows
	// over a few nudged runs.
	inline float Nudged(float spacing, float step)
	{
		const char* text = std::getenv("TW_BENCH_NUDGE");
		return text == nullptr ? spacing : spacing + step * std::strtof(text, nullptr);
	}

	// The calling thread's processor time: the machine may be shared, and waiting is not stepping.
	inline double ThreadMilliseconds()
	{
		timespec now{};
		clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
		return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) * 1e-6;
	}

	// Milliseconds of each timed call, reported as mean and 95th percentile.
	class StepTimes
	{
	public:
		// Returns the call's milliseconds, so that another record can take the same figure.
		template <class Work>
		double Time(Work work)
		{
			const double start = ThreadMilliseconds();
			work();
			Add(ThreadMilliseconds() - start);
			return milliseconds.back();
		}

		void Add(double callMilliseconds) { milliseconds.push_back(callMilliseconds); }

		// Counters name_mean and name_p95.
		void Report(benchmark::State& state, const std::string& name) const
		{
			if (milliseconds.empty())
				return;
			std::vector<double> sorted = milliseconds;
			double total = 0.0;
			for (double value : sorted)
				total += value;
			std::sort(sorted.begin(), sorted.end());
			state.counters[name + "_mean"] = total / static_cast<double>(sorted.size());
			state.counters[name + "_p95"] = sorted[static_cast<std::size_t>(0.95 * static_cast<double>(sorted.size() - 1))];
		}

	private:
		std::vector<double> milliseconds;
	};

	// A triangle mesh as both engines take it: three indices per triangle.
	struct TriangleMeshData
	{
		std::vector<Tuple3f> vertices;
		std::vector<std::uint32_t> indices;
	};

	// n x m squares of two upward-facing triangles each over [-half, half]² in x and z, at the
	// height that heightOf gives each grid point.
	template <class Height>
	TriangleMeshData HeightGrid(int columns, int rows, float half, Height heightOf)
	{
		TriangleMeshData mesh;
		for (int row = 0; row <= rows; ++row)
			for (int column = 0; column <= columns; ++column)
			{
				const float x = -half + 2.0f * half * static_cast<float>(column) / static_cast<float>(columns);
				const float z = -half + 2.0f * half * static_cast<float>(row) / static_cast<float>(rows);
				mesh.vertices.emplace_back(x, heightOf(x, z), z);
			}
		const auto at = [columns](int row, int column) { return static_cast<std::uint32_t>(row * (columns + 1) + column); };
		for (int row = 0; row < rows; ++row)
			for (int column = 0; column < columns; ++column)
				mesh.indices.insert(mesh.indices.end(), {at(row, column), at(row + 1, column), at(row, column + 1),
					at(row, column + 1), at(row + 1, column), at(row + 1, column + 1)});
		return mesh;
	}

	// Pool sizes for the engine's world.
	struct EngineCapacity
	{
		int bodies = 300;
		int contacts = 4000;
		int manifolds = 1000;
		int constraints = 12000;
	};

	// This engine's world: objects with a Transform and a collider, bodies in the pool.
	class EngineWorld
	{
	public:
		explicit EngineWorld(const EngineCapacity& capacity) : physics(std::make_unique<Physics>())
		{
			// No engine runs: the components the scene uses are registered here.
			Transform::Register();
			// An empty configuration: every setting at its default until set below.
			ConfigFile file = Config::Load((std::filesystem::temp_directory_path() / "PhysicsBenchWorld.cfg").string());
			Config section = file.GetSection("Physics");
			physics->LoadConfig(section);
			PhysicsSettings& s = physics->GetSettings();
			s.maxBodies = capacity.bodies;
			s.maxColliders = capacity.bodies;
			s.maxContacts = capacity.contacts;
			s.maxManifolds = capacity.manifolds;
			s.maxConstraints = capacity.constraints;
			physics->Initialize();
		}

		EngineWorld(const EngineWorld&) = delete;
		EngineWorld& operator=(const EngineWorld&) = delete;
		~EngineWorld() { DestroyAllObjects(); }

		// One primitive of the collider's shape names ("cube", "sphere", "cylinder", "cone", "plane").
		RigidBody* AddPrimitive(const Tuple3f& position, const char* shape, const Tuple3f& scale, const Tuple3f& rotation, bool isStatic)
		{
			auto collider = std::make_unique<CompositePrimitiveCollider>();
			collider->primitives.emplace_back(scale, shape, Tuple3f(), rotation);
			// As a level load marks it: a unit piece takes the body's matrices instead of its own.
			collider->isSingleUnit = CompositePrimitiveCollider::IsUnitPiece(scale, Tuple3f(), rotation);
			return AddBody(position, std::move(collider), isStatic);
		}

		// A static mesh, in world space as given: its body stays at the origin.
		RigidBody* AddMesh(const TriangleMeshData& data)
		{
			auto mesh = std::make_unique<StaticTriangleMesh>();
			mesh->SetMesh(CollisionMeshFile::Mesh{data.vertices, data.indices});
			return AddBody(Tuple3f(), std::move(mesh), true);
		}

		// Files every collider and builds the static tree, as a level load does.
		void LoadLevel()
		{
			Engine::SendMessage(Message("LevelLoaded"));
			physics->GetDetection().OnLevelLoaded();
			physics->GetResolution().OnLevelLoaded();
		}

		void Step() { physics->Update(); }
		Physics& GetPhysics() { return *physics; }

	private:
		RigidBody* AddBody(const Tuple3f& position, std::unique_ptr<Collider> owned, bool isStatic)
		{
			const Object object = CreateObject("Body");
			object.object->AddComponent(Transform::TypeId());
			auto* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1.0f, 1.0f, 1.0f));
			Collider* collider = colliders.emplace_back(std::move(owned)).get();
			RigidBody* body = physics->GetResolution().bodyPool.Insert(RigidBody());
			body->transform = transform;
			body->collider = collider;
			body->ownerId = object.id;
			collider->SetBody(body);
			collider->SetOwnerId(object.id);
			// The mesh bakes itself by the body's world matrix, the identity until UpdateDerived.
			collider->Initialize();
			body->sleepCounter = physics->GetSettings().sleepTimeout;
			body->ComputeMass(false);
			if (isStatic)
			{
				// Static geometry has no mass: the collider files it with the static colliders.
				body->mass = body->inverseMass = 0.0f;
				body->localInverseInertia = Matrix4();
				collider->isStatic = true;
				body->Sleep();
			}
			body->UpdateDerived();
			physics->GetResolution().AddBody(*body);
			physics->GetDetection().AddCollider(collider);
			return body;
		}

		std::unique_ptr<Physics> physics;
		std::vector<std::unique_ptr<Collider>> colliders;
	};

	// Bullet's world with the same gravity and solver iterations; it owns what it is given.
	class BulletWorld
	{
	public:
		BulletWorld() : dispatcher(&configuration), world(&dispatcher, &broadphase, &solver, &configuration)
		{
			world.setGravity(btVector3(0.0f, -9.8f, 0.0f));
			world.getSolverInfo().m_numIterations = kIterations;
		}

		BulletWorld(const BulletWorld&) = delete;
		BulletWorld& operator=(const BulletWorld&) = delete;

		~BulletWorld()
		{
			for (auto& body : bodies)
				world.removeRigidBody(body.get());
		}

		// A shape for the world to keep, shared by the bodies given it.
		template <class Shape, class... Arguments>
		Shape* MakeShape(Arguments&&... arguments)
		{
			auto shape = std::make_unique<Shape>(std::forward<Arguments>(arguments)...);
			Shape* made = shape.get();
			shapes.push_back(std::move(shape));
			return made;
		}

		// A static Bvh mesh of the triangles, in world space as given.
		btRigidBody* AddMesh(const TriangleMeshData& data)
		{
			meshes.push_back(std::make_unique<btTriangleMesh>());
			btTriangleMesh& triangles = *meshes.back();
			const auto corner = [&data](std::size_t i) {
				const Tuple3f& v = data.vertices[data.indices[i]];
				return btVector3(v.x, v.y, v.z);
			};
			for (std::size_t i = 0; i + 2 < data.indices.size(); i += 3)
				triangles.addTriangle(corner(i), corner(i + 1), corner(i + 2));
			return Add(MakeShape<btBvhTriangleMeshShape>(&triangles, true), 0.0f, btVector3(0.0f, 0.0f, 0.0f));
		}

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

		void Step() { world.stepSimulation(kTimeStep, 0, kTimeStep); }
		btDiscreteDynamicsWorld& GetWorld() { return world; }

	private:
		btDefaultCollisionConfiguration configuration;
		btCollisionDispatcher dispatcher;
		btDbvtBroadphase broadphase;
		btSequentialImpulseConstraintSolver solver;
		btDiscreteDynamicsWorld world;
		std::vector<std::unique_ptr<btTriangleMesh>> meshes;
		std::vector<std::unique_ptr<btCollisionShape>> shapes;
		std::vector<std::unique_ptr<btDefaultMotionState>> motions;
		std::vector<std::unique_ptr<btRigidBody>> bodies;
	};
}
