#include "Systems/Logic/LogicTypes.h"

#include "Components/Logic/BehaviorTree.h"
#include "Components/Physics/CharacterController.h"
#include "Components/Physics/CursorController.h"
#include "Components/Physics/GolemPoints.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/CompositeNodes.h"
#include "Systems/Logic/CooldownPriorityNode.h"

namespace
{
	template <class T>
	constexpr LogicComponentType Entry()
	{
		return {&T::TypeId, &T::Register};
	}

	constexpr LogicComponentType kRegistrationOrder[] = {
		Entry<BehaviorTree>(),
		Entry<GolemPoints>(),
		Entry<CharacterController>(),
		Entry<CursorController>(),
	};

	constexpr unsigned (*kUpdateOrder[])() = {
		&CharacterController::TypeId,
		&BehaviorTree::TypeId,
		&CursorController::TypeId,
		&GolemPoints::TypeId,
	};
}

std::span<const LogicComponentType> LogicRegistrationOrder()
{
	return kRegistrationOrder;
}

std::span<unsigned (*const)()> LogicUpdateOrder()
{
	return kUpdateOrder;
}

void RegisterLogicBehaviors()
{
	RegisterBehavior<SequenceNode>("SequenceNode");
	RegisterBehavior<RandomSelectorNode>("RandomSelectorNode");
	RegisterBehavior<OrderedSelectorNode>("OrderedSelectorNode");
	RegisterBehavior<NonDeterministicNode>("NonDeterministicNode");
	RegisterBehavior<CooldownPriorityNode>("CooldownPriorityNode");
}
