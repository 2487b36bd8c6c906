// A physics world with the whole step: an engine with the Physics system and bodies made by the
// test component "SceneBody" (flags, then the pieces of a composite collider), which also counts
// the contact messages its object receives. Bodies come from code (PhysicsScene::Add) or from a
// level file; static bodies carry a PhysicsMaterial of density 0. Each Step is one frame's physics.
#pragma once

#include "Components/Physics/PhysicsMaterial.h"
#include "Components/Transform.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/CompositePrimitiveCollider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/StaticTriangleMesh.h"
#include "Utilities/MathCommon.h"

#include "QuietComponent.h"
#include "Systems/TestEngine.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace test
{
	struct __SceneBodyName
	{
		static constexpr const char* name = "SceneBody";
	};

	// A minimal body component: at Start it puts a rigid body with its collider into the world.
	class SceneBody : public QuietComponent<SceneBody, __SceneBodyName>
	{
	public:
		bool Load(Serializer& serializer) override
		{
			std::string flagText;
			serializer.Read(flagText);
			flags = ParseBodyFlags(flagText);
			collider->Load(serializer);
			return true;
		}

		bool Start() override
		{
			Physics& physics = *Physics::Instance();
			const unsigned id = owner->GetId();
			owner->RegisterHandler<SceneBody>("Collision", &SceneBody::OnCollision);
			owner->RegisterHandler<SceneBody>("CollisionEnd", &SceneBody::OnCollisionEnd);
			auto* transform = owner->GetComponent<Transform>();
			Collider* collider = Active();
			body = physics.GetResolution().bodyPool.Insert(RigidBody());
			body->ownerId = id;
			body->transform = transform;
			body->collider = collider;
			body->flags = flags;
			body->orientation = transform->GetWorldOrientation();
			collider->SetBody(body);
			collider->SetOwnerId(id);
			collider->Initialize();
			body->sleepCounter = physics.GetSettings().sleepTimeout;
			body->ComputeMass(false);
			body->UpdateDerived();
			physics.GetResolution().AddBody(*body);
			physics.GetDetection().AddCollider(collider);
			return true;
		}

		void Release() override
		{
			Physics* physics = Physics::Instance();
			if (physics == nullptr || body == nullptr)
				return;
			physics->GetDetection().RemoveCollider(Active());
			physics->GetResolution().RemoveBody(*body);
			physics->GetResolution().bodyPool.Erase(body);
			body = nullptr;
		}

		void OnCollision(Message::Reader reader)
		{
			++collisions;
			other = reader.Read<unsigned>();
			point = reader.Read<Tuple3f>();
			normal = reader.Read<Tuple3f>();
			depth = reader.Read<float>();
		}
		void OnCollisionEnd(Message::Reader) { ++ends; }

		// The composite, unless the test gave the body another kind of collider.
		Collider* Active() const { return otherCollider != nullptr ? otherCollider.get() : collider.get(); }

		unsigned flags = 0;
		// Shared by the prototype's clones only until Load or the test fills the pieces.
		std::shared_ptr<CompositePrimitiveCollider> collider = std::make_shared<CompositePrimitiveCollider>();
		std::shared_ptr<Collider> otherCollider;
		RigidBody* body = nullptr;
		int collisions = 0;
		int ends = 0;
		unsigned other = 0;
		Tuple3f point;
		Tuple3f normal;
		float depth = 0.0f;
	};

	// What a body of the scene is made of.
	struct BodyShape
	{
		std::string shape = "cube";
		Tuple3f scale{1.0f, 1.0f, 1.0f};
		// Degrees.
		Tuple3f rotation;
		bool isStatic = false;
		unsigned flags = 0;
	};

	// Kinetic, rotational and potential energy (height above y = 0) of the body.
	inline double Energy(const RigidBody& body, float gravity)
	{
		const Tuple3f spin = body.angularVelocity;
		const Tuple3f momentum = body.worldInverseInertia.Inverse() * spin;
		return 0.5 * body.mass * body.velocity.LengthSquared() + 0.5 * spin.DotProduct(momentum) +
			body.mass * gravity * body.GetWorldCentreOfMass().y;
	}

	class PhysicsScene
	{
	public:
		explicit PhysicsScene(const std::string& physicsElement = "",
			const std::string& dataFolder = TW_TEST_DATA_DIR "../../Data/")
			: engine("<Config>" + physicsElement + "</Config>", dataFolder)
		{
			physics = new Physics();
			engine.engine->AddSystem(physics);
			SceneBody::Register();
			PhysicsMaterial::Register();
			physics->Initialize();
		}

		RigidBody& Add(const BodyShape& shape, const Tuple3f& position)
		{
			SceneBody& component = AddSceneBody(shape.isStatic, position);
			component.collider = std::make_shared<CompositePrimitiveCollider>();
			component.collider->primitives.emplace_back(shape.scale, shape.shape, Tuple3f(),
				shape.rotation * static_cast<float>(kDegreesToRadians));
			component.flags = shape.flags;
			component.Start();
			return *component.body;
		}

		// A static triangle mesh, in world space as given.
		RigidBody& AddMesh(CollisionMeshFile::Mesh mesh)
		{
			SceneBody& component = AddSceneBody(true, Tuple3f());
			auto triangles = std::make_shared<StaticTriangleMesh>();
			triangles->SetMesh(std::move(mesh));
			component.otherCollider = triangles;
			component.Start();
			return *component.body;
		}

		RigidBody& AddBox(const Tuple3f& position, const Tuple3f& size = Tuple3f(1, 1, 1), unsigned flags = 0)
		{
			BodyShape shape;
			shape.scale = size;
			shape.flags = flags;
			return Add(shape, position);
		}

		// A static plane facing up at height y, 40 units square.
		RigidBody& AddFloor(float y = 0.0f)
		{
			BodyShape shape;
			shape.shape = "plane";
			shape.scale = Tuple3f(40.0f, 40.0f, 1.0f);
			shape.rotation = Tuple3f(-90.0f, 0.0f, 0.0f);
			shape.isStatic = true;
			return Add(shape, Tuple3f(0.0f, y, 0.0f));
		}

		// A floor and unit boxes stacked on it at x = z = 0, the lowest first; the level is loaded.
		std::vector<RigidBody*> AddStackOnFloor(int count)
		{
			AddFloor();
			std::vector<RigidBody*> boxes;
			for (int i = 0; i < count; ++i)
				boxes.push_back(&AddBox(Tuple3f(0.0f, 0.5f + static_cast<float>(i), 0.0f)));
			LoadLevel();
			return boxes;
		}

		void LoadLevel() { Engine::SendMessage(Message("LevelLoaded")); }

		void Step(int count = 1)
		{
			for (int i = 0; i < count; ++i)
				physics->Update();
		}

		// An object with a Transform at the position and a SceneBody not yet started; a static one
		// carries a material of density 0.
		SceneBody& AddSceneBody(bool isStatic, const Tuple3f& position)
		{
			const Object object = CreateObject(isStatic ? "Ground" : "Body");
			object.object->AddComponent(Transform::TypeId());
			if (isStatic)
			{
				object.object->AddComponent(PhysicsMaterial::TypeId());
				object.object->GetComponent<PhysicsMaterial>()->density = 0.0f;
			}
			Transform* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1, 1, 1));
			object.object->AddComponent(SceneBody::TypeId());
			return *object.object->GetComponent<SceneBody>();
		}

		// Steps until every body sleeps; the step that put the last one to sleep, or -1 when they
		// still move after maxSteps.
		int StepUntilAsleep(const std::vector<RigidBody*>& bodies, int maxSteps)
		{
			for (int step = 1; step <= maxSteps; ++step)
			{
				Step();
				if (std::all_of(bodies.begin(), bodies.end(), [](const RigidBody* body) { return body->IsAsleep(); }))
					return step;
			}
			return -1;
		}

		static SceneBody& Log(const RigidBody& body) { return *body.GetOwner().object->GetComponent<SceneBody>(); }

		static Tuple3f Position(const RigidBody& body) { return body.GetPosition(); }

		TestEngine engine;
		// Owned by the engine.
		Physics* physics = nullptr;
	};
}
