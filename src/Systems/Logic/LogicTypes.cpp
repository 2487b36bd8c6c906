#include "Systems/Logic/LogicTypes.h"

#include "Components/Logic/BehaviorTree.h"
#include "Components/Logic/DelayMessage.h"
#include "Components/Logic/DestroyOnMessage.h"
#include "Components/Logic/MessageSpawn.h"
#include "Components/Logic/PowerUp.h"
#include "Components/Logic/Relay.h"
#include "Components/Logic/Switch.h"
#include "Components/Logic/WinCollision.h"
#include "Components/Logic/Windmill.h"
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
		Entry<WinCollision>(),
		Entry<PowerUp>(),
		Entry<MessageSpawn>(),
		Entry<PowerUpCollector>(),
		Entry<DelayMessage>(),
		Entry<Switch>(),
		Entry<Relay>(),
		Entry<DestroyOnMessage>(),
		Entry<Windmill>(),
		Entry<GolemPoints>(),
		Entry<CharacterController>(),
		Entry<CursorController>(),
	};

	constexpr unsigned (*kUpdateOrder[])() = {
		&CharacterController::TypeId,
		&BehaviorTree::TypeId,
		&CursorController::TypeId,
		&DelayMessage::TypeId,
		&GolemPoints::TypeId,
		&Windmill::TypeId,
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
