// What the game throws, as its archetypes and levels make it, and how a test puts one into a
// physics scene: scaled by its Transform, of its material, turned as given.
#pragma once

#include "Systems/Physics/PhysicsScene.h"

namespace test
{
	struct Thrown
	{
		const char* name;
		const char* primitive;
		Tuple3f size;
		float density;
		float friction;
	};
	inline const Thrown kCrate{"crate", "cube", {1, 1, 1}, 100, 0.4f};
	inline const Thrown kHeldCrate{"held crate", "cube", {0.7f, 0.7f, 0.7f}, 100, 0.4f};
	inline const Thrown kKeg{"keg", "cylinder", {0.8f, 0.8f, 0.8f}, 20, 0.6f};
	inline const Thrown kScrap{"scrap", "cube", {0.5f, 0.5f, 0.5f}, 50, 0.5f};
	inline const Thrown kHutPiece{"hut piece", "cube", {2, 0.5f, 2}, 10, 0.6f};
	inline const Thrown kHousePiece{"house piece", "cube", {1.9f, 0.6f, 1.9f}, 50, 0.6f};
	inline const Thrown kGameShapes[] = {kCrate, kHeldCrate, kKeg, kScrap, kHutPiece, kHousePiece};

	inline RigidBody& AddThrown(PhysicsScene& scene, const Thrown& thrown, const Tuple3f& at, const Quaternion& turn)
	{
		SceneBody& component = scene.AddSceneBody(false, at);
		Composition& object = *component.owner;
		object.AddComponent(PhysicsMaterial::TypeId());
		auto& material = *object.GetComponent<PhysicsMaterial>();
		material.density = thrown.density;
		material.friction = thrown.friction;
		auto& transform = *object.GetComponent<Transform>();
		transform.SetScale(thrown.size);
		transform.SetWorldOrientation(turn);
		component.collider = std::make_shared<CompositePrimitiveCollider>();
		component.collider->primitives.emplace_back(Tuple3f(1, 1, 1), thrown.primitive, Tuple3f(), Tuple3f());
		component.Start();
		return *component.body;
	}
}
