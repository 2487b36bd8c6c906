// PhysicsId: gives an object a persistent number by which level files name it (connections join
// objects by it). The Physics system maps the number to the object; an id of 0 asks for the
// smallest free one once the level has loaded.
#pragma once

#include "Component.h"

struct __PhysicsIdName
{
	static constexpr const char* name = "PhysicsId";
};

class PhysicsId : public ComponentBase<PhysicsId, __PhysicsIdName>
{
public:
	// Reads "ID" and registers it with the Physics system.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	bool Start() override { return true; }
	bool Update() override { return true; }
	// Unregisters the id.
	void Release() override;
	void Detach() override {}

	// The owning object's id, taken at Load.
	unsigned objectId = 0;
	unsigned id = 0;
};
