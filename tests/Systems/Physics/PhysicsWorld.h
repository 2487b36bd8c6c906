// A physics world for the solver, resolution and connection tests: an engine with the Physics
// system configured by the test, and bodies on objects with a Transform whose mass and inertia come
// from a fake collider. No detection stage runs: the tests drive the bodies and rows directly.
#pragma once

#include "Components/Transform.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Physics/Connection.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/ResolutionManager.h"
#include "Systems/Physics/RigidBody.h"

#include "Systems/Physics/FakeCollider.h"
#include "Systems/TestEngine.h"

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>

namespace test
{
	// The inverse inertia of a solid sphere: 1 / (2/5 m r²) on the diagonal.
	inline Matrix4 SphereInverseInertia(float mass, float radius)
	{
		Matrix4 inverse;
		const float value = 1.0f / (0.4f * mass * radius * radius);
		inverse.At(0, 0) = inverse.At(1, 1) = inverse.At(2, 2) = value;
		inverse.At(3, 3) = 1.0f;
		return inverse;
	}

	// Three entries of a row's jacobian from first: 0 and 3 are A's linear and angular parts, 6 and 9 B's.
	inline Tuple3f JacobianPart(const Constraint& row, int first)
	{
		return {row.jacobian[first], row.jacobian[first + 1], row.jacobian[first + 2]};
	}

	class PhysicsWorld
	{
	public:
		// physicsElement: the "Physics" element of the configuration, or empty for the defaults.
		explicit PhysicsWorld(const std::string& physicsElement = "") : engine("<Config>" + physicsElement + "</Config>")
		{
			physics = new Physics();
			engine.engine->AddSystem(physics);
			physics->Initialize();
		}

		ResolutionManager& Resolution() { return physics->GetResolution(); }
		const PhysicsSettings& Settings() const { return physics->GetSettings(); }

		// An awake body of the given mass (0: static) at position, simulated by the resolution stage.
		RigidBody& AddBody(float mass, const Tuple3f& position, unsigned flags = 0,
			const Matrix4& inverseInertia = Matrix4())
		{
			const Object object = CreateObject("Body");
			object.object->AddComponent(Transform::TypeId());
			Transform* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1, 1, 1));
			FakeCollider& collider = colliders.emplace_back();
			collider.mass = mass;
			collider.inverseInertia = inverseInertia;
			RigidBody* body = Resolution().bodyPool.Insert(RigidBody());
			body->ownerId = object.id;
			body->transform = transform;
			body->collider = &collider;
			body->flags = flags;
			body->ComputeMass(false);
			body->sleepCounter = Settings().sleepTimeout;
			body->UpdateDerived();
			Resolution().AddBody(*body);
			return *body;
		}

		// One frame's resolution stage: pre-update, step, post-update.
		void Step(int count = 1)
		{
			for (int i = 0; i < count; ++i)
			{
				Resolution().PreUpdate();
				Resolution().Update();
				Resolution().PostUpdate();
			}
		}

		TestEngine engine;
		// Owned by the engine.
		Physics* physics = nullptr;
		std::deque<FakeCollider> colliders;
	};

	// A new connection of the kind, loaded from the values given in the order it reads them.
	template <class... Values>
	std::unique_ptr<Connection> LoadConnection(const char* kind, const Values&... values)
	{
		Serializer data;
		(data.Write("value", values), ...);
		data.SwitchToReading();
		std::unique_ptr<Connection> connection = ConnectionPrototypeLookup(kind)->Create();
		connection->Load(data);
		return connection;
	}

	// What an owner does to join two bodies: rows, set-up in the present pose, connect.
	inline void Join(ResolutionManager& resolution, Connection& connection, RigidBody& a, RigidBody& b)
	{
		connection.bodyA = &a;
		connection.bodyB = &b;
		connection.CreateConstraints(resolution);
		connection.SetUp();
		connection.Connect(resolution);
	}
}
