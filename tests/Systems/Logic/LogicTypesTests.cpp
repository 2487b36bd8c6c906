#include "Systems/Logic/LogicTypes.h"

#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/CollisionDamage.h"
#include "Components/Logic/DamageReticle.h"
#include "Components/Logic/DeathClock.h"
#include "Components/Logic/ExplodeOnHit.h"
#include "Components/Logic/Explosion.h"
#include "Components/Logic/FallDamage.h"
#include "Components/Logic/ForceField.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/Health.h"
#include "Components/Logic/KnockOut.h"
#include "Components/Logic/RagdollDeath.h"
#include "Components/Logic/Reflection.h"
#include "Components/Logic/TeamDamage.h"
#include "Components/Logic/Trampoline.h"
#include "Components/Logic/VelocityDamper.h"
#include "ComponentFactory.h"
#include "Systems/Logic/BehaviorRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

namespace
{
	using test::GameplayWorld;
	using testing::HasSubstr;

	TEST(LogicSystem, AnObjectWhoseOnlyLogicComponentIsHealthIsKeptButNeverUpdated)
	{
		GameplayWorld world;
		const Object object = world.AddLogic(Health::TypeId(), "<unsigned>10</unsigned>");
		EXPECT_TRUE(world.logic->IsLogicObject(object.id));
		const auto updated = LogicUpdateOrder();
		for (unsigned (*handlerOnly)() : {&Health::TypeId, &CollisionDamage::TypeId, &Reflection::TypeId, &Trampoline::TypeId})
			EXPECT_EQ(std::count_if(updated.begin(), updated.end(), [&](auto typeId) { return typeId() == handlerOnly(); }), 0);
		// The update table keeps the fixed order: the field first, the damper right after the blast.
		EXPECT_EQ(updated.front()(), ForceField::TypeId());
		const auto blast = std::find_if(updated.begin(), updated.end(), [](auto typeId) { return typeId() == Explosion::TypeId(); });
		ASSERT_NE(blast + 1, updated.end());
		EXPECT_EQ(blast[1](), VelocityDamper::TypeId());
	}

	TEST(LogicSystem, GameplayComponentsSaveWhatTheyReadAndDefaultTheTrailingFields)
	{
		// (type, values read, text the save must hold)
		const struct { unsigned typeId; const char* values; const char* saved; } cases[] = {
			{Health::TypeId(), "<unsigned>10</unsigned>", "<int name=\"ragdollThreshold\">1</int>"},
			{FallDamage::TypeId(), "<float>1</float><float>2</float><int>3</int>", "<int name=\"maxDamage\">3</int>"},
			{TeamDamage::TypeId(), "<string>red</string><int>2</int>", "<string name=\"teamName\">red</string>"},
			{DamageReticle::TypeId(), "<float>2</float><string>Hud</string>", "<string name=\"hudElement\">Hud</string>"},
			{RagdollDeath::TypeId(), "<float>2.5</float>", "<float name=\"Lifetime\">2.5</float>"},
			{KnockOut::TypeId(), "<unsigned>9</unsigned>", "<unsigned name=\"particleBurst\">9</unsigned>"},
			{DeathClock::TypeId(), "<float>1</float>", "<float name=\"totalTimeToLive\">1</float>"},
			{ExplodeOnHit::TypeId(), "<float>3</float><int>1</int><unsigned>5</unsigned>", "<float name=\"minExplodeVelocity\">3</float>"},
			{ExplodeOnHit::TypeId(), "<float>3</float><int>1</int><unsigned>5</unsigned>", "<bool name=\"paused\">false</bool>"},
			{Explosion::TypeId(), "<Tuple3f>0 0.005 2</Tuple3f><Tuple3f>1 1 1</Tuple3f><float>1</float><float>1</float><int>1</int><int>1</int>",
				"<Tuple3f name=\"iScale\">0.01 0.01 2</Tuple3f>"},
			{ForceField::TypeId(), "<float>1</float><float>2</float><Tuple3f>0 3 0</Tuple3f>", "<Tuple3f name=\"direction\">0 3 0</Tuple3f>"},
			{Reflection::TypeId(), "<float>1</float><float>2</float><float>30</float><float>4</float>", "<float name=\"collisionAngle_\">30</float>"},
			{Trampoline::TypeId(), "<float>1</float><float>2</float><Tuple3f>0 1 0</Tuple3f>", "<Tuple3f name=\"normalMS\">0 1 0</Tuple3f>"},
			{VelocityDamper::TypeId(), "<float>0.9</float>", "<Tuple3f name=\"maxSpeed\">1e+12 1e+12 1e+12</Tuple3f>"},
			// Two nameless ints, 10 each when a file omits them.
			{AvailableObjects::TypeId(), "<int>3</int>", "<int>3</int>\n\t<int>10</int>"},
			{AvailableObjects::TypeId(), "", "<int>10</int>\n\t<int>10</int>"},
		};
		for (const auto& c : cases)
		{
			GameplayWorld world;
			const Object object = world.AddLogic(c.typeId, c.values);
			EXPECT_THAT(GameplayWorld::Saved(*object.object->GetComponent(c.typeId)), HasSubstr(c.saved)) << c.values;
		}
	}

	std::vector<std::string> Words(const std::string& text)
	{
		std::vector<std::string> words;
		std::istringstream stream(text);
		for (std::string word; stream >> word;)
			words.push_back(word);
		return words;
	}

	std::string NameOf(unsigned typeId)
	{
		const Component* prototype = GetComponentPrototype(typeId);
		return prototype != nullptr ? prototype->GetName() : "(unregistered " + std::to_string(typeId) + ")";
	}

	TEST(LogicTables, ComponentTypesAndBehaviourNodesAreRegisteredAndUpdatedInTheirFixedOrders)
	{
		GameplayWorld world;
		const std::vector<std::string> registration = Words(
			"Blow ForceField Scaler Mover DeathClock Suck ShootAtObject AirJump Reflection Health CollisionDamage FallDamage "
			"TeamDamage ExplodeOnHit PathMovement Lungs RagdollDeath PlayerDeath Spawner BehaviorTree WinCollision Popup "
			"CameraShake Boundary HouseDestroyed Objectives PowerUp MessageSpawn Hover Spinner PowerUpCollector DelayMessage "
			"Explosion VelocityDamper KnockOut StaticRotater Switch Relay Activator RayCaster Grabber StaticMover DamageReticle "
			"DestroyOnMessage Golem Trampoline Windmill RagdollLink AvailableObjects GolemPoints CharacterController CursorController");
		const std::vector<std::string> update = Words(
			"ForceField Scaler Mover Suck Blow DeathClock ShootAtObject Lungs RagdollDeath ExplodeOnHit CharacterController "
			"Spawner BehaviorTree PathMovement Popup CameraShake Boundary CursorController Hover Spinner DelayMessage Explosion "
			"VelocityDamper StaticRotater StaticMover Activator RayCaster Grabber GolemPoints Windmill RagdollLink "
			"AvailableObjects Objectives PlayerDeath");
		const std::vector<std::string> behaviours = Words(
			"Idle Tumble Wander ThrowBomb BossTumble ChargeObject SequenceNode RebuildHouse HeadOffObject GolemSpawnObjects "
			"GolemFollowObject GolemThrowScraps GolemTeleport RandomSelectorNode OrderedSelectorNode NonDeterministicNode "
			"CooldownPriorityNode");
		ASSERT_EQ(registration.size(), 52u);
		ASSERT_EQ(update.size(), 34u);
		ASSERT_EQ(behaviours.size(), 17u);

		std::vector<std::string> registered;
		for (const LogicComponentType& type : LogicRegistrationOrder())
			registered.push_back(NameOf(type.typeId()));
		EXPECT_EQ(registered, registration);
		std::vector<std::string> updated;
		for (unsigned (*typeId)() : LogicUpdateOrder())
			updated.push_back(NameOf(typeId()));
		EXPECT_EQ(updated, update);
		std::vector<std::string> named;
		for (const LogicBehaviorType& type : LogicBehaviorOrder())
		{
			named.push_back(type.name);
			// Each name makes a node of its own kind: no two names share a cloner.
			const std::unique_ptr<BehaviorNode> node = CreateBehavior(type.name);
			ASSERT_NE(node, nullptr) << type.name;
			EXPECT_NE(std::string(typeid(*node).name()).find(type.name), std::string::npos) << type.name;
		}
		EXPECT_EQ(named, behaviours);
	}
}
