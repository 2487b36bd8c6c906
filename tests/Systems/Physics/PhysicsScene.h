// A physics world with the whole step: an engine with the Physics system, and bodies on objects
// with a Transform, a composite collider of one primitive and a log of the contact messages they
// receive. Static bodies carry a PhysicsMaterial of density 0. The scene's "LevelLoaded" files the
// colliders; each Step is one frame's physics update.
#pragma once

#include "Components/Physics/PhysicsMaterial.h"
#include "Components/Transform.h"
#include "Object.h"
#include "Systems/Physics/CompositePrimitiveCollider.h"
#include "Systems/Physics/Physics.h"

#include "QuietComponent.h"
#include "Systems/TestEngine.h"

#include <deque>
#include <string>
#include <vector>

namespace test
{
	struct __ContactLogName
	{
		static constexpr const char* name = "ContactLog";
	};

	// Counts the contact messages its object receives and keeps the last "Collision"'s arguments.
	class ContactLog : public QuietComponent<ContactLog, __ContactLogName>
	{
	public:
		void OnCollision(Message::Reader reader)
		{
			++collisions;
			other = reader.Read<unsigned>();
			point = reader.Read<Tuple3f>();
			normal = reader.Read<Tuple3f>();
			depth = reader.Read<float>();
		}
		void OnCollisionEnd(Message::Reader) { ++ends; }

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

	class PhysicsScene
	{
	public:
		explicit PhysicsScene(const std::string& physicsElement = "") : engine("<Config>" + physicsElement + "</Config>")
		{
			ContactLog::Register();
			physics = new Physics();
			engine.engine->AddSystem(physics);
			PhysicsMaterial::Register();
			physics->Initialize();
		}

		RigidBody& Add(const BodyShape& shape, const Tuple3f& position)
		{
			const Object object = CreateObject(shape.isStatic ? "Ground" : "Body");
			object.object->AddComponent(Transform::TypeId());
			object.object->AddComponent(ContactLog::TypeId());
			object.object->RegisterHandler<ContactLog>("Collision", &ContactLog::OnCollision);
			object.object->RegisterHandler<ContactLog>("CollisionEnd", &ContactLog::OnCollisionEnd);
			if (shape.isStatic)
			{
				object.object->AddComponent(PhysicsMaterial::TypeId());
				object.object->GetComponent<PhysicsMaterial>()->density = 0.0f;
			}
			Transform* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1, 1, 1));

			CompositePrimitiveCollider& collider = colliders.emplace_back();
			collider.primitives.emplace_back(shape.scale, shape.shape, Tuple3f(), shape.rotation * 0.01745329238474369f);
			RigidBody* body = physics->GetResolution().bodyPool.Insert(RigidBody());
			body->ownerId = object.id;
			body->transform = transform;
			body->collider = &collider;
			body->flags = shape.flags;
			body->orientation = transform->GetWorldOrientation();
			collider.SetBody(body);
			collider.SetOwnerId(object.id);
			collider.Initialize();
			body->sleepCounter = physics->GetSettings().sleepTimeout;
			body->ComputeMass(false);
			body->UpdateDerived();
			physics->GetResolution().AddBody(*body);
			physics->GetDetection().AddCollider(&collider);
			return *body;
		}

		RigidBody& AddBox(const Tuple3f& position, const Tuple3f& size = Tuple3f(1, 1, 1))
		{
			BodyShape shape;
			shape.scale = size;
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

		void LoadLevel() { Engine::SendMessage(Message("LevelLoaded")); }

		void Step(int count = 1)
		{
			for (int i = 0; i < count; ++i)
				physics->Update();
		}

		static ContactLog& Log(const RigidBody& body) { return *body.GetOwner().object->GetComponent<ContactLog>(); }

		static Tuple3f Position(const RigidBody& body) { return body.GetPosition(); }

		TestEngine engine;
		// Owned by the engine.
		Physics* physics = nullptr;
		std::deque<CompositePrimitiveCollider> colliders;
	};
}
