// Logic: the system that updates the gameplay and controller components once per frame, before the
// physics step. So far it knows the physics controllers (CharacterController, CursorController);
// the behaviour trees, the navigation mesh and the gameplay components are not built yet.
#pragma once

#include "Message.h"
#include "System.h"

#include <vector>

struct __LogicName
{
	static constexpr const char* name = "Logic";
};

class Logic : public SystemBase<Logic, __LogicName>
{
public:
	// Registers the logic component types and follows the objects that carry them.
	void LoadConfig(Config& section) override;
	// The logic components of every logic object, the object that joined last first, each object's
	// components in the fixed order of their types.
	void Update() override;

	// Ids of the objects with a logic component, in the order they joined.
	const std::vector<unsigned>& GetLogicObjects() const { return logicObjects; }

private:
	void OnObjectCreated(Message::Reader reader);
	void OnObjectDestroyed(Message::Reader reader);
	void OnComponentRemoved(Message::Reader reader);
	void OnUnloadingLevel(Message::Reader reader);

	bool IsLogicType(unsigned typeId) const;
	bool HasLogicComponent(unsigned objectId) const;

	// The update order.
	std::vector<unsigned> logicTypes;
	std::vector<unsigned> logicObjects;
};
