#include "Systems/Logic/Logic.h"

#include "Components/Physics/CharacterController.h"
#include "Components/Physics/CursorController.h"
#include "Components/Physics/GolemPoints.h"
#include "Composition.h"
#include "Object.h"

#include <algorithm>

void Logic::LoadConfig(Config&)
{
	CharacterController::Register();
	CursorController::Register();
	GolemPoints::Register();
	logicTypes = {CharacterController::TypeId(), CursorController::TypeId(), GolemPoints::TypeId()};

	// An object joins once it has started, so no component is updated before its start.
	RegisterHandler("ObjectCreated", &Logic::OnObjectCreated);
	RegisterHandler("ObjectDestroyed", &Logic::OnObjectDestroyed);
	RegisterHandler("ComponentRemoved", &Logic::OnComponentRemoved);
	RegisterHandler("UnloadingLevel", &Logic::OnUnloadingLevel);
}

void Logic::Update()
{
	// Destruction waits for the end of the frame, so the list holds still during the walk.
	for (auto id = logicObjects.rbegin(); id != logicObjects.rend(); ++id)
	{
		const Object object = ObjectFromId(*id);
		if (object.IsDummy())
			continue;
		for (unsigned typeId : logicTypes)
			if (Component* component = object.object->GetComponent(typeId))
				component->Update();
	}
}

bool Logic::IsLogicType(unsigned typeId) const
{
	return std::find(logicTypes.begin(), logicTypes.end(), typeId) != logicTypes.end();
}

bool Logic::HasLogicComponent(unsigned objectId) const
{
	const Object object = ObjectFromId(objectId);
	return !object.IsDummy() && std::any_of(logicTypes.begin(), logicTypes.end(),
		[&](unsigned typeId) { return object.object->GetComponent(typeId) != nullptr; });
}

void Logic::OnObjectCreated(Message::Reader reader)
{
	const unsigned objectId = reader.Read<unsigned>();
	if (HasLogicComponent(objectId) && std::find(logicObjects.begin(), logicObjects.end(), objectId) == logicObjects.end())
		logicObjects.push_back(objectId);
}

void Logic::OnObjectDestroyed(Message::Reader reader)
{
	std::erase(logicObjects, reader.Read<unsigned>());
}

void Logic::OnComponentRemoved(Message::Reader reader)
{
	const unsigned objectId = reader.Read<unsigned>();
	if (IsLogicType(reader.Read<unsigned>()) && !HasLogicComponent(objectId))
		std::erase(logicObjects, objectId);
}

void Logic::OnUnloadingLevel(Message::Reader)
{
	// Object ids start again with the next level.
	logicObjects.clear();
}
