#include "Components/Logic/AvailableObjects.h"

#include "Components/Logic/Health.h"
#include "Components/Logic/HouseWorld.h"
#include "Utilities/DebugDraw.h"

#include <gtest/gtest.h>

namespace
{
	using test::HouseWorld;

	using test::StandingHouse;

	TEST(AvailableObjects, EveryHouseOfALevelRecordsItsPiecesAndTheGroundBelowIt)
	{
		HouseWorld world;
		ObjectGroup& first = *ObjectGroup::Create();
		ObjectGroup& second = *ObjectGroup::Create();
		HouseWorld::AddPiece(Tuple3f(0.5f, 0.5f, 0.5f), Tuple3f(1, 1, 1), &first);
		HouseWorld::AddPiece(Tuple3f(-10, 1, 5), Tuple3f(2, 2, 2), &second);
		const Object firstOwner = HouseWorld::AddOwner(&first, Tuple3f(0.5f, 5, 0.5f));
		const Object secondOwner = HouseWorld::AddOwner(&second, Tuple3f(-10, 6, 5));
		Engine::SendMessage(Message("LevelLoaded"));
		for (const Object& owner : {firstOwner, secondOwner})
		{
			AvailableObjects& house = HouseWorld::HouseOf(owner);
			ASSERT_NE(house.Blackboard().Root(), nullptr) << "a house of the level has no pieces";
			EXPECT_FALSE(house.Blackboard().Refresh());
			const Tuple3f above = owner.object->GetComponent<Transform>()->GetWorldPosition();
			EXPECT_NEAR((house.GetGroundPoint() - Tuple3f(above.x, 0, above.z)).Length(), 0.0, 1e-3);
		}
		EXPECT_NEAR(HouseWorld::HouseOf(secondOwner).Blackboard().Root()->box.max.y, 2.0f, 1e-3);
	}

	TEST(AvailableObjects, OnlyMovableObjectsWithoutLogicOrPhysicsIdArePieces)
	{
		// (what stands beside the house in its group, whether it becomes a piece)
		const struct { const char* what; bool piece; } cases[] = {
			{"movable", true}, {"static", false}, {"physics id", false}, {"logic", false}, {"logic flag", true}, {"static logic flag", true},
		};
		for (const auto& c : cases)
		{
			HouseWorld world;
			ObjectGroup& group = *ObjectGroup::Create();
			HouseWorld::AddPiece(Tuple3f(0.5f, 0.5f, 0.5f), Tuple3f(1, 1, 1), &group);
			const std::string what = c.what;
			const Tuple3f beside(3.5f, 0.5f, 0.5f);
			if (what == "static")
				HouseWorld::AddStaticBox("Wall", beside, Tuple3f(1, 1, 1)).object->SetGroup(group.GetId());
			else
			{
				const bool logicFlag = what.find("logic flag") != std::string::npos;
				const Object other = HouseWorld::AddPiece(beside, Tuple3f(1, 1, 1), &group, logicFlag ? "LOGIC" : "DEFAULT");
				// A body flagged LOGIC counts whatever its mass.
				if (what == "static logic flag")
					other.object->HandleMessage(Message("SetStatic"));
				if (what == "physics id")
					HouseWorld::GivePhysicsId(other, 7);
				if (what == "logic")
				{
					HouseWorld::AddLoaded(other, Health::TypeId(), "<unsigned>10</unsigned>");
					other.object->Start();
				}
			}
			const Object owner = HouseWorld::AddOwner(&group, Tuple3f(0.5f, 5, 0.5f));
			Engine::SendMessage(Message("LevelLoaded"));
			ASSERT_NE(HouseWorld::HouseOf(owner).Blackboard().Root(), nullptr);
			EXPECT_EQ(HouseWorld::HouseOf(owner).Blackboard().Root()->box.max.x > 3.0f, c.piece) << what;
		}
	}

	TEST(AvailableObjects, OnlyPiecesInsideTheSearchCylinderBecomeLoose)
	{
		// (where the knocked piece lies, whether it is offered); the cylinder has radius 4 and
		// height 4 about the ground point (1, 0, 0.5).
		const struct { Tuple3f at; bool loose; } cases[] = {
			{Tuple3f(4, 0.5f, 0.5f), true},
			{Tuple3f(1, 0.5f, -3), true},
			{Tuple3f(6, 0.5f, 0.5f), false},
			{Tuple3f(1, 0.5f, 5.5f), false},
		};
		for (const auto& c : cases)
		{
			HouseWorld world;
			StandingHouse house;
			HouseWorld::Move(house.pieces[3], c.at);
			house.House().RefreshRegion();
			const auto& loose = house.House().Blackboard().Loose();
			EXPECT_EQ(loose.size() == 1 && loose[0].objectId == house.pieces[3].id, c.loose) << c.at.x << " " << c.at.z;
		}
	}

	TEST(AvailableObjects, RestoringAPiecePutsItInItsSlotAndMendsTheHouse)
	{
		HouseWorld world;
		StandingHouse house;
		const AABB slot = HouseWorld::BoxOf(house.pieces[3]);
		HouseWorld::Move(house.pieces[3], Tuple3f(3.5f, 0.5f, 0.5f));
		house.pieces[3].SendMessage(Message("SetRot").Push(Tuple3f(0.2f, 0.4f, 0)));
		house.owner.SendMessage(Message("HouseDestroyed"));
		EXPECT_EQ(house.House().GetHouseState(), AvailableObjects::kDestroyed);

		house.owner.SendMessage(Message("RestoreNextObject"));
		const AABB restored = HouseWorld::BoxOf(house.pieces[3]);
		EXPECT_NEAR((restored.min - slot.min).Length(), 0.0, 1e-3);
		EXPECT_NEAR((restored.max - slot.max).Length(), 0.0, 1e-3);
		EXPECT_EQ(house.House().GetHouseState(), AvailableObjects::kWhole);
		EXPECT_TRUE(house.House().Blackboard().IsComplete());
	}

	TEST(AvailableObjects, ARestoreWithNothingMissingOrAWrongArgumentChangesNothing)
	{
		HouseWorld world;
		StandingHouse house;
		house.owner.SendMessage(Message("Clear"));
		const std::vector<ObjectBoundsRecord> before = HouseWorld::Records(house.pieces);
		house.owner.SendMessage(Message("RestoreNextObject"));
		EXPECT_EQ(house.House().GetHouseState(), AvailableObjects::kBeingRebuilt);
		// A placement of the wrong type is reported and ignored.
		house.owner.SendMessage(Message("Created"));
		house.owner.SendMessage(Message("RestoreNextObject").PushInt(5));
		EXPECT_EQ(house.House().GetHouseState(), AvailableObjects::kWhole);
		const std::vector<ObjectBoundsRecord> after = HouseWorld::Records(house.pieces);
		for (std::size_t i = 0; i < before.size(); ++i)
			EXPECT_EQ(after[i].Box(), before[i].Box());
	}

	TEST(AvailableObjects, APlacementWhosePieceHasGoneIsReleasedNotSent)
	{
		HouseWorld world;
		const Object stranger = HouseWorld::AddPiece(Tuple3f(3.5f, 0.5f, -1.5f));
		StandingHouse house;
		HouseWorld::Move(house.pieces[3], Tuple3f(3.5f, 0.5f, 0.5f));
		BuildingBlackboard& board = house.House().Blackboard();
		house.House().RefreshRegion();
		const BuildingBlackboard::ObjPos placement = board.NextObject();
		ASSERT_NE(placement.objectId, 0u);
		const unsigned other = placement.objectId == stranger.id ? house.pieces[3].id : stranger.id;
		ObjectFromId(placement.objectId).object->Destroy();
		ProcessObjectChanges();

		house.owner.SendMessage(Message("RestoreNextObject").Push(placement));
		EXPECT_EQ(house.House().GetHouseState(), AvailableObjects::kBeingRebuilt);
		// The slot is free again and the other piece that fits is promised to it.
		house.House().RefreshRegion();
		const BuildingBlackboard::ObjPos next = board.NextObject();
		EXPECT_EQ(next.objectId, other);
		EXPECT_EQ(next.slot, placement.slot);
	}

	TEST(AvailableObjects, ThePlacementTravelsWholeInAMessage)
	{
		BuildingBlackboard::Node slot;
		const BuildingBlackboard::ObjPos sent{7, Tuple3f(1, 2.5f, -3), Tuple3f(0, 1.5707964f, 0), &slot};
		const Message message = Message("RestoreNextObject").Push(sent);
		Message::Reader reader(message);
		ASSERT_NE(reader.current, nullptr);
		EXPECT_EQ(reader.current->value->ToString(), "7 1 2.5 -3 0 1.5708 0");
		BuildingBlackboard::ObjPos received;
		ASSERT_TRUE(reader.Read(received));
		EXPECT_EQ(received.objectId, 7u);
		EXPECT_EQ(received.position, sent.position);
		EXPECT_EQ(received.rotation, sent.rotation);
		EXPECT_EQ(received.slot, &slot);
	}

	TEST(AvailableObjects, TheDrawnDepthWrapsPastTheDeepest)
	{
		HouseWorld world;
		StandingHouse house;
		static std::vector<std::pair<Tuple3f, Tuple3f>> lines;
		const DebugDraw::DrawLineHook previous = DebugDraw::DrawLine;
		DebugDraw::DrawLine = [](Tuple3f start, Tuple3f end, float, Tuple4f) { lines.emplace_back(start, end); };
		auto drawn = [&] {
			lines.clear();
			house.House().Update();
			return lines;
		};
		house.owner.SendMessage(Message("ToggleDebugDraw"));
		const auto rootLines = drawn();
		house.owner.SendMessage(Message("IncDrawLevel"));
		const auto pairLines = drawn();
		// Two layers of two: the root, the two layers, the four pieces.
		house.owner.SendMessage(Message("IncDrawLevel"));
		house.owner.SendMessage(Message("IncDrawLevel"));
		const auto wrapped = drawn();
		DebugDraw::DrawLine = previous;
		EXPECT_EQ(rootLines.size(), 12u);
		EXPECT_EQ(pairLines.size(), 24u);
		EXPECT_EQ(wrapped, rootLines);
	}
}
