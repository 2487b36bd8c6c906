// A physics world for the physics component tests: the Physics system with its stages, objects
// loaded from component text the way a level file gives it, and a collider type of the test's own
// whose mass the test sets.
#pragma once

#include "Components/Graphics/Camera.h"
#include "Components/Physics/Body.h"
#include "Components/Physics/PhysicsId.h"
#include "Components/Physics/PhysicsMaterial.h"
#include "Components/Transform.h"
#include "Serializer.h"
#include "Systems/Physics/FakeCollider.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Physics/PhysicsWorld.h"
#include "Systems/Window.h"

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace test
{
	// A fake collider of mass 1 with a unit sphere's inertia, so a body made from it is dynamic.
	class UnitCollider : public FakeCollider
	{
	public:
		UnitCollider()
		{
			mass = 1.0f;
			inverseInertia = SphereInverseInertia(1.0f, 1.0f);
		}
		Collider* Clone() const override { return new UnitCollider(); }
	};

	constexpr const char* kTestColliderType = "TestCollider";

	class PhysicsComponentWorld : public PhysicsWorld
	{
	public:
		explicit PhysicsComponentWorld(const std::string& physicsElement = "") : PhysicsWorld(physicsElement)
		{
			RegisterColliderPrototype(kTestColliderType, std::make_unique<UnitCollider>());
		}

		// A world with a window and the Graphics system, for the components that read the active
		// camera; null without an X display.
		static std::unique_ptr<PhysicsComponentWorld> WithGraphics()
		{
			if (std::getenv("DISPLAY") == nullptr)
				return nullptr;
			auto world = std::make_unique<PhysicsComponentWorld>(
				"<Window><Width>64</Width><Height>64</Height><Fullscreen>false</Fullscreen></Window><Graphics/>");
			world->engine.engine->AddSystem(new Window());
			world->engine.engine->AddSystem(new Graphics());
			return world;
		}

		// A started camera object at the position looking down -z.
		static Object AddCamera(const Tuple3f& position)
		{
			const Object eye = CreateObject("Eye");
			eye.object->AddComponent(Transform::TypeId());
			eye.object->GetComponent<Transform>()->SetWorldPosition(position);
			eye.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			AddLoaded(eye, Camera::TypeId(), "<Tuple3f>0 0 -1</Tuple3f><float>-20</float><float>0</float><float>20</float>"
				"<float>5</float><float>1</float><float>100</float><float>80</float><float>-80</float><Tuple3f>0 0 0</Tuple3f>");
			eye.object->Start();
			return eye;
		}

		// The values of a component element, as a level file writes them.
		static void Parse(Serializer& serializer, const std::string& values)
		{
			// Parsed trees are cached by name for the whole run: every text needs a name of its own.
			static int loads = 0;
			std::istringstream text("<Component>" + values + "</Component>");
			EXPECT_TRUE(serializer.LoadFromStream(text, "PhysicsComponentText" + std::to_string(++loads)));
		}

		// Adds a component of the type, loaded from the values.
		static void AddLoaded(const Object& object, unsigned typeId, const std::string& values)
		{
			Serializer serializer;
			Parse(serializer, values);
			object.object->AddComponent(typeId, serializer);
		}

		// The values of a Body: velocities, flags and an optional collider element.
		static std::string BodyValues(const std::string& flags = "DEFAULT", const std::string& colliderType = kTestColliderType,
			const std::string& velocity = "0 0 0", const std::string& colliderValues = "")
		{
			std::string values = "<Tuple3f>" + velocity + "</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
				"<Tuple3f>0 0 0</Tuple3f><string>" + flags + "</string>";
			if (!colliderType.empty())
				values += "<Composite><string>" + colliderType + "</string>" + colliderValues + "</Composite>";
			return values;
		}

		// The collider values of a primitive shape ("cube", "sphere" ...) one unit across.
		static std::string UnitShape(const std::string& shape)
		{
			return "<Collider><string>" + shape + "</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
				   "<Tuple3f>1 1 1</Tuple3f></Collider>";
		}
		static std::string UnitCube() { return UnitShape("cube"); }

		// An object with a Transform at the position and a loaded Body; started when asked.
		Object AddBodyObject(const std::string& name, const Tuple3f& position, bool start = true,
			const std::string& bodyValues = BodyValues())
		{
			const Object object = CreateObject(name);
			object.object->AddComponent(Transform::TypeId());
			Transform* transform = object.object->GetComponent<Transform>();
			transform->SetWorldPosition(position);
			transform->SetScale(Tuple3f(1, 1, 1));
			AddLoaded(object, Body::TypeId(), bodyValues);
			if (start)
				object.object->Start();
			return object;
		}

		// A started static cube of the size (a floor, a tile) carrying a material of density 0, with
		// further components loaded from (type id, values) pairs.
		static Object AddStaticBox(const std::string& name, const Tuple3f& position, const Tuple3f& size,
			const std::vector<std::pair<unsigned, std::string>>& components = {})
		{
			const Object object = CreateObject(name);
			object.object->AddComponent(Transform::TypeId());
			object.object->GetComponent<Transform>()->SetWorldPosition(position);
			object.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			object.object->AddComponent(PhysicsMaterial::TypeId());
			object.object->GetComponent<PhysicsMaterial>()->density = 0.0f;
			const std::string cube = "<Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>" +
				std::to_string(size.x) + " " + std::to_string(size.y) + " " + std::to_string(size.z) + "</Tuple3f></Collider>";
			AddLoaded(object, Body::TypeId(), BodyValues("DEFAULT", "CompositePrimitive", "0 0 0", cube));
			for (const auto& [typeId, values] : components)
				AddLoaded(object, typeId, values);
			object.object->Start();
			return object;
		}

		static Body& BodyOf(const Object& object) { return *object.object->GetComponent<Body>(); }
		static RigidBody& RigidBodyOf(const Object& object) { return *BodyOf(object).GetBody(); }

		static void GivePhysicsId(const Object& object, unsigned id)
		{
			AddLoaded(object, PhysicsId::TypeId(), "<unsigned>" + std::to_string(id) + "</unsigned>");
		}

		// What a component writes when saved.
		static std::string Saved(Component& component)
		{
			Serializer writer;
			component.Serialize(writer);
			std::ostringstream text;
			writer.SaveToStream(text);
			return text.str();
		}

		// The component saved, loaded onto the other object and saved again: a level saved and
		// reloaded must give the same text.
		static void ExpectSavedTextReloads(Component& component, const Object& other)
		{
			const std::string saved = Saved(component);
			Serializer reader;
			static int reloads = 0;
			std::istringstream text(saved);
			ASSERT_TRUE(reader.LoadFromStream(text, "ReloadedComponent" + std::to_string(++reloads)));
			other.object->AddComponent(component.GetTypeId(), reader);
			EXPECT_EQ(Saved(*other.object->GetComponent(component.GetTypeId())), saved);
		}
	};
}
