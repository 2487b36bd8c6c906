#include "Systems/Logic/LogicTypes.h"

#include "Components/Logic/Activator.h"
#include "Components/Logic/AirJump.h"
#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/BehaviorTree.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/Boundary.h"
#include "Components/Logic/CameraShake.h"
#include "Components/Logic/CollisionDamage.h"
#include "Components/Logic/DamageReticle.h"
#include "Components/Logic/DeathClock.h"
#include "Components/Logic/DelayMessage.h"
#include "Components/Logic/DestroyOnMessage.h"
#include "Components/Logic/ExplodeOnHit.h"
#include "Components/Logic/Explosion.h"
#include "Components/Logic/FallDamage.h"
#include "Components/Logic/ForceField.h"
#include "Components/Logic/Golem.h"
#include "Components/Logic/Grabber.h"
#include "Components/Logic/Health.h"
#include "Components/Logic/HouseDestroyed.h"
#include "Components/Logic/Hover.h"
#include "Components/Logic/KnockOut.h"
#include "Components/Logic/Lungs.h"
#include "Components/Logic/MessageSpawn.h"
#include "Components/Logic/Mover.h"
#include "Components/Logic/Objectives.h"
#include "Components/Logic/PathMovement.h"
#include "Components/Logic/PlayerDeath.h"
#include "Components/Logic/Popup.h"
#include "Components/Logic/PowerUp.h"
#include "Components/Logic/RagdollDeath.h"
#include "Components/Logic/RagdollLink.h"
#include "Components/Logic/RayCaster.h"
#include "Components/Logic/Reflection.h"
#include "Components/Logic/Relay.h"
#include "Components/Logic/Scaler.h"
#include "Components/Logic/ShootAtObject.h"
#include "Components/Logic/Spawner.h"
#include "Components/Logic/Spinner.h"
#include "Components/Logic/StaticMover.h"
#include "Components/Logic/StaticRotater.h"
#include "Components/Logic/Suck.h"
#include "Components/Logic/Switch.h"
#include "Components/Logic/TeamDamage.h"
#include "Components/Logic/Trampoline.h"
#include "Components/Logic/VelocityDamper.h"
#include "Components/Logic/WinCollision.h"
#include "Components/Logic/Windmill.h"
#include "Components/Physics/CharacterController.h"
#include "Components/Physics/CursorController.h"
#include "Components/Physics/GolemPoints.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/ChargeObject.h"
#include "Systems/Logic/CompositeNodes.h"
#include "Systems/Logic/CooldownPriorityNode.h"
#include "Systems/Logic/GolemFollowObject.h"
#include "Systems/Logic/GolemSpawnObjects.h"
#include "Systems/Logic/GolemTeleport.h"
#include "Systems/Logic/GolemThrowScraps.h"
#include "Systems/Logic/HeadOffObject.h"
#include "Systems/Logic/MovementLeaves.h"
#include "Systems/Logic/RebuildHouse.h"
#include "Systems/Logic/ThrowBomb.h"

namespace
{
	template <class T>
	constexpr LogicComponentType Entry()
	{
		return {&T::TypeId, &T::Register};
	}

	constexpr LogicComponentType kRegistrationOrder[] = {
		Entry<Blow>(),
		Entry<ForceField>(),
		Entry<Scaler>(),
		Entry<Mover>(),
		Entry<DeathClock>(),
		Entry<Suck>(),
		Entry<ShootAtObject>(),
		Entry<AirJump>(),
		Entry<Reflection>(),
		Entry<Health>(),
		Entry<CollisionDamage>(),
		Entry<FallDamage>(),
		Entry<TeamDamage>(),
		Entry<ExplodeOnHit>(),
		Entry<PathMovement>(),
		Entry<Lungs>(),
		Entry<RagdollDeath>(),
		Entry<PlayerDeath>(),
		Entry<Spawner>(),
		Entry<BehaviorTree>(),
		Entry<WinCollision>(),
		Entry<Popup>(),
		Entry<CameraShake>(),
		Entry<Boundary>(),
		Entry<HouseDestroyed>(),
		Entry<Objectives>(),
		Entry<PowerUp>(),
		Entry<MessageSpawn>(),
		Entry<Hover>(),
		Entry<Spinner>(),
		Entry<PowerUpCollector>(),
		Entry<DelayMessage>(),
		Entry<Explosion>(),
		Entry<VelocityDamper>(),
		Entry<KnockOut>(),
		Entry<StaticRotater>(),
		Entry<Switch>(),
		Entry<Relay>(),
		Entry<Activator>(),
		Entry<RayCaster>(),
		Entry<Grabber>(),
		Entry<StaticMover>(),
		Entry<DamageReticle>(),
		Entry<DestroyOnMessage>(),
		Entry<Golem>(),
		Entry<Trampoline>(),
		Entry<Windmill>(),
		Entry<RagdollLink>(),
		Entry<AvailableObjects>(),
		Entry<GolemPoints>(),
		Entry<CharacterController>(),
		Entry<CursorController>(),
	};

	constexpr unsigned (*kUpdateOrder[])() = {
		&ForceField::TypeId,
		&Scaler::TypeId,
		&Mover::TypeId,
		&Suck::TypeId,
		&Blow::TypeId,
		&DeathClock::TypeId,
		&ShootAtObject::TypeId,
		&Lungs::TypeId,
		&RagdollDeath::TypeId,
		&ExplodeOnHit::TypeId,
		&CharacterController::TypeId,
		&Spawner::TypeId,
		&BehaviorTree::TypeId,
		&PathMovement::TypeId,
		&Popup::TypeId,
		&CameraShake::TypeId,
		&Boundary::TypeId,
		&CursorController::TypeId,
		&Hover::TypeId,
		&Spinner::TypeId,
		&DelayMessage::TypeId,
		&Explosion::TypeId,
		&VelocityDamper::TypeId,
		&StaticRotater::TypeId,
		&StaticMover::TypeId,
		&Activator::TypeId,
		&RayCaster::TypeId,
		&Grabber::TypeId,
		&GolemPoints::TypeId,
		&Windmill::TypeId,
		&RagdollLink::TypeId,
		&AvailableObjects::TypeId,
		&Objectives::TypeId,
		// Restarts the level a while after the player's death, once the display has said so.
		&PlayerDeath::TypeId,
	};

	constexpr LogicBehaviorType kBehaviorOrder[] = {
		{"Idle", &RegisterBehavior<Idle>},
		{"Tumble", &RegisterBehavior<Tumble>},
		{"Wander", &RegisterBehavior<Wander>},
		{"ThrowBomb", &RegisterBehavior<ThrowBomb>},
		{"BossTumble", &RegisterBehavior<BossTumble>},
		{"ChargeObject", &RegisterBehavior<ChargeObject>},
		{"SequenceNode", &RegisterBehavior<SequenceNode>},
		{"RebuildHouse", &RegisterBehavior<RebuildHouse>},
		{"HeadOffObject", &RegisterBehavior<HeadOffObject>},
		{"GolemSpawnObjects", &RegisterBehavior<GolemSpawnObjects>},
		{"GolemFollowObject", &RegisterBehavior<GolemFollowObject>},
		{"GolemThrowScraps", &RegisterBehavior<GolemThrowScraps>},
		{"GolemTeleport", &RegisterBehavior<GolemTeleport>},
		{"RandomSelectorNode", &RegisterBehavior<RandomSelectorNode>},
		{"OrderedSelectorNode", &RegisterBehavior<OrderedSelectorNode>},
		{"NonDeterministicNode", &RegisterBehavior<NonDeterministicNode>},
		{"CooldownPriorityNode", &RegisterBehavior<CooldownPriorityNode>},
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

std::span<const LogicBehaviorType> LogicBehaviorOrder()
{
	return kBehaviorOrder;
}

void RegisterLogicBehaviors()
{
	for (const LogicBehaviorType& type : kBehaviorOrder)
		type.registerAs(type.name);
}
