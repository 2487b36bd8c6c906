// What the house tests share: a headless game world with a static ground whose top lies at y = 0,
// and houses stacked from box pieces of one object group, each piece a movable body.
#pragma once

#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/GameplayWorld.h"
#include "ObjectGroup.h"
#include "Systems/Logic/BuildingBlackboard.h"

#include <string>
#include <vector>

namespace test
{
	class HouseWorld : public GameplayWorld
	{
	public:
		HouseWorld() { AddStaticBox("Ground", Tuple3f(0, -0.5f, 0), Tuple3f(60, 1, 60)); }

		// A movable box piece of the size centred at the position, in the group when one is given.
		static Object AddPiece(const Tuple3f& centre, const Tuple3f& size = Tuple3f(1, 1, 1), ObjectGroup* group = nullptr,
			const std::string& flags = "DEFAULT")
		{
			const std::string cube = "<Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>" +
				std::to_string(size.x) + " " + std::to_string(size.y) + " " + std::to_string(size.z) + "</Tuple3f></Collider>";
			const Object piece = CreateObject("Piece");
			piece.object->AddComponent(Transform::TypeId());
			piece.object->GetComponent<Transform>()->SetWorldPosition(centre);
			piece.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			AddLoaded(piece, Body::TypeId(), BodyValues(flags, "CompositePrimitive", "0 0 0", cube));
			if (group != nullptr)
				piece.object->SetGroup(group->GetId());
			piece.object->Start();
			return piece;
		}

		// Two layers of two unit cubes standing on the ground, along x from x = 0.
		static std::vector<Object> AddStackedHouse(ObjectGroup* group = nullptr)
		{
			std::vector<Object> pieces;
			for (const float y : {0.5f, 1.5f})
				for (const float x : {0.5f, 1.5f})
					pieces.push_back(AddPiece(Tuple3f(x, y, 0.5f), Tuple3f(1, 1, 1), group));
			return pieces;
		}

		// The house's object at the position (above its pieces), in the group when one is given; started.
		static Object AddOwner(ObjectGroup* group, const Tuple3f& position, const std::string& values = "<int>4</int><int>4</int>")
		{
			const Object house = CreateObject("House");
			house.object->AddComponent(Transform::TypeId());
			house.object->GetComponent<Transform>()->SetWorldPosition(position);
			house.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			AddLoaded(house, AvailableObjects::TypeId(), values);
			if (group != nullptr)
				house.object->SetGroup(group->GetId());
			house.object->Start();
			return house;
		}

		static AvailableObjects& HouseOf(const Object& owner) { return *owner.object->GetComponent<AvailableObjects>(); }

		static void Move(const Object& piece, const Tuple3f& centre) { piece.SendMessage(Message("SetPos").Push(centre)); }

		static std::vector<ObjectBoundsRecord> Records(const std::vector<Object>& pieces)
		{
			std::vector<ObjectBoundsRecord> records;
			for (const Object& piece : pieces)
				records.push_back(*ObjectBoundsRecord::Measure(piece.id));
			return records;
		}

		static AABB BoxOf(const Object& piece) { return ObjectBoundsRecord::Measure(piece.id)->Box(); }
	};

	// A stacked house with its owner above it, recorded at level load.
	struct StandingHouse
	{
		StandingHouse()
			: group(*ObjectGroup::Create()), pieces(HouseWorld::AddStackedHouse(&group)), owner(HouseWorld::AddOwner(&group, Tuple3f(1, 5, 0.5f)))
		{
			Engine::SendMessage(Message("LevelLoaded"));
		}
		AvailableObjects& House() const { return HouseWorld::HouseOf(owner); }

		ObjectGroup& group;
		std::vector<Object> pieces;
		Object owner;
	};
}
