#include "Systems/Logic/BuildingBlackboard.h"

#include "Components/Logic/HouseWorld.h"
#include "Composition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace
{
	using test::HouseWorld;
	using ObjPos = BuildingBlackboard::ObjPos;

	constexpr float kBlackboardQuarterTurn = 1.5707964f;

	void ExpectSameBox(const AABB& actual, const AABB& expected)
	{
		EXPECT_NEAR((actual.min - expected.min).Length(), 0.0, 1e-3);
		EXPECT_NEAR((actual.max - expected.max).Length(), 0.0, 1e-3);
	}

	// Far from the house, each knocked piece in a place of its own.
	Tuple3f Aside(unsigned index)
	{
		return Tuple3f(10.0f + 2.0f * static_cast<float>(index), 0.5f, 10.0f);
	}

	// A blackboard of the stacked house, built as it stands.
	struct StackedHouse
	{
		StackedHouse() { board.Build(HouseWorld::Records(pieces)); }
		std::vector<Object> pieces = HouseWorld::AddStackedHouse();
		BuildingBlackboard board;
	};

	// A house of one piece of the size, knocked aside: one slot to fill.
	struct OneSlotHouse
	{
		explicit OneSlotHouse(const Tuple3f& slotSize)
		{
			const Object piece = HouseWorld::AddPiece(Tuple3f(0.5f, 0.5f * slotSize.y, 0.5f), slotSize);
			board.Build(HouseWorld::Records({piece}));
			HouseWorld::Move(piece, Aside(9));
		}
		BuildingBlackboard board;
	};

	TEST(BuildingBlackboard, AnUntouchedHouseIsCompleteAndAnEmptyOneHasNothingToPlace)
	{
		HouseWorld world;
		StackedHouse house;
		EXPECT_FALSE(house.board.Refresh());
		EXPECT_TRUE(house.board.IsComplete());
		BuildingBlackboard empty;
		empty.Build({});
		EXPECT_FALSE(empty.Refresh());
		EXPECT_EQ(empty.NextObject().objectId, 0u);
	}

	TEST(BuildingBlackboard, ATopPieceKnockedOffOrDestroyedLeavesOnlyItsSlotMissing)
	{
		for (const bool destroyed : {false, true})
		{
			HouseWorld world;
			StackedHouse house;
			const AABB slot = HouseWorld::BoxOf(house.pieces[3]);
			const std::vector<ObjectBoundsRecord> top = HouseWorld::Records({house.pieces[3]});
			if (destroyed)
			{
				house.pieces[3].object->Destroy();
				ProcessObjectChanges();
			}
			else
				HouseWorld::Move(house.pieces[3], Aside(0));
			ASSERT_TRUE(house.board.Refresh());
			ASSERT_EQ(house.board.Missing().size(), 1u);
			ExpectSameBox(house.board.Missing()[0]->box, slot);
			// A gone piece is never offered, whatever record of it a query kept.
			house.board.SetAvailable(top);
			EXPECT_EQ(house.board.NextObject().objectId, destroyed ? 0u : house.pieces[3].id);
		}
	}

	TEST(BuildingBlackboard, TheLowerLayerIsFilledBeforeTheUpperOneIsOffered)
	{
		// (pieces knocked off, how many placements the lower layer takes)
		const struct { std::vector<unsigned> knocked; unsigned lower; } cases[] = {{{0, 3}, 1}, {{0, 1, 2, 3}, 2}};
		for (const auto& c : cases)
		{
			HouseWorld world;
			StackedHouse house;
			std::vector<Object> loose, standing = house.pieces;
			for (unsigned index : c.knocked)
			{
				loose.push_back(house.pieces[index]);
				std::erase_if(standing, [&](const Object& piece) { return piece.id == house.pieces[index].id; });
				HouseWorld::Move(house.pieces[index], Aside(index));
			}
			ASSERT_TRUE(house.board.Refresh());
			house.board.SetAvailable(HouseWorld::Records(loose));
			std::vector<ObjPos> placements;
			for (unsigned i = 0; i < c.lower; ++i)
			{
				placements.push_back(house.board.NextObject());
				ASSERT_NE(placements.back().objectId, 0u);
				EXPECT_FLOAT_EQ(placements.back().position.y, 0.5f);
			}
			EXPECT_EQ(house.board.NextObject().objectId, 0u) << "the upper layer is offered before the lower one stands";
			// Put in place: the pieces stand again and their reservations end.
			for (const ObjPos& placement : placements)
			{
				HouseWorld::Move(ObjectFromId(placement.objectId), placement.position);
				house.board.RemoveObject(placement);
				standing.push_back(ObjectFromId(placement.objectId));
				std::erase_if(loose, [&](const Object& piece) { return piece.id == placement.objectId; });
			}
			house.board.MarkPresent(HouseWorld::Records(standing));
			ASSERT_TRUE(house.board.Refresh());
			house.board.SetAvailable(HouseWorld::Records(loose));
			EXPECT_FLOAT_EQ(house.board.NextObject().position.y, 1.5f);
		}
	}

	TEST(BuildingBlackboard, EqualFitsGoToTheEarlierLoosePieceAndAGoodEnoughFitEndsTheScan)
	{
		// (sizes of the loose pieces, the one placed: an index, kFirstLoose, or -1 for none)
		constexpr int kFirstLoose = -2;
		const struct { std::vector<Tuple3f> sizes; int placed; } cases[] = {
			{{Tuple3f(1, 1, 1), Tuple3f(1, 1, 1), Tuple3f(1, 1, 1)}, kFirstLoose},
			// Larger and so tried first, it fits within 0.05 and the perfect fit is never tried.
			{{Tuple3f(1.04f, 1, 1), Tuple3f(1, 1, 1)}, 0},
			{{Tuple3f(1.4f, 1, 1)}, 0},
			{{Tuple3f(1.6f, 1, 1)}, -1},
		};
		for (const auto& c : cases)
		{
			HouseWorld world;
			OneSlotHouse house(Tuple3f(1, 1, 1));
			ASSERT_TRUE(house.board.Refresh());
			std::vector<Object> loose;
			for (const Tuple3f& size : c.sizes)
				loose.push_back(HouseWorld::AddPiece(Aside(static_cast<unsigned>(loose.size())), size));
			house.board.SetAvailable(HouseWorld::Records(loose));
			const unsigned first = house.board.Loose().front().objectId;
			const unsigned expected = c.placed == kFirstLoose ? first : c.placed < 0 ? 0u : loose[static_cast<unsigned>(c.placed)].id;
			EXPECT_EQ(house.board.NextObject().objectId, expected) << c.sizes.front().x;
		}
	}

	TEST(BuildingBlackboard, APromisedSlotAndPieceStayPromisedUntilReleased)
	{
		HouseWorld world;
		OneSlotHouse house(Tuple3f(1, 1, 1));
		const std::vector<Object> loose = {HouseWorld::AddPiece(Aside(0)), HouseWorld::AddPiece(Aside(1))};
		ASSERT_TRUE(house.board.Refresh());
		house.board.SetAvailable(HouseWorld::Records(loose));
		const ObjPos promised = house.board.NextObject();
		ASSERT_NE(promised.objectId, 0u);
		EXPECT_FALSE(house.board.Refresh()) << "the promised slot is offered again";
		house.board.SetAvailable(HouseWorld::Records(loose));
		ASSERT_EQ(house.board.Loose().size(), 1u);
		EXPECT_NE(house.board.Loose()[0].objectId, promised.objectId);
		house.board.RemoveObject(promised);
		EXPECT_TRUE(house.board.Refresh());
		house.board.SetAvailable(HouseWorld::Records(loose));
		EXPECT_EQ(house.board.Loose().size(), 2u);
	}

	TEST(BuildingBlackboard, APieceFillsASlotOnlyWhenNeitherFarTooLargeNorFarTooSmall)
	{
		// (edge of a cube standing centred on a unit slot, whether it fills it): at most six times
		// the slot's volume, covering at least a tenth of it, after both are shrunk by 1 %.
		const struct { float edge; bool fills; } cases[] = {{1.8f, true}, {1.85f, false}, {0.47f, true}, {0.45f, false}};
		for (const auto& c : cases)
		{
			HouseWorld world;
			OneSlotHouse house(Tuple3f(1, 1, 1));
			const Object standing = HouseWorld::AddPiece(Tuple3f(0.5f, 0.5f, 0.5f), Tuple3f(c.edge, c.edge, c.edge));
			house.board.MarkPresent(HouseWorld::Records({standing}));
			EXPECT_EQ(house.board.Refresh(), !c.fills) << "edge " << c.edge;
		}
	}

	// A layer of four slabs, as a roof, of which three are knocked aside and one stays, moved by
	// the offset: it fills only what it covers, and is loose unless it covers half a slot.
	TEST(BuildingBlackboard, AStrayPieceFillsOnlyWhatItCoversAndIsLooseUnlessItCoversHalfASlot)
	{
		// (offset of the piece that stays, whether it is loose)
		const struct { Tuple3f offset; bool loose; } cases[] = {
			{Tuple3f(0.08f, 0, 0.08f), false}, {Tuple3f(-0.9f, 0, 0), false}, {Tuple3f(-1.7f, 0, 0), true}};
		for (const auto& c : cases)
		{
			HouseWorld world;
			std::vector<Object> pieces;
			for (const float x : {-1.0f, 1.0f})
				for (const float z : {-1.0f, 1.0f})
					pieces.push_back(HouseWorld::AddPiece(Tuple3f(x, 0.25f, z), Tuple3f(2, 0.5f, 2)));
			BuildingBlackboard board;
			board.Build(HouseWorld::Records(pieces));
			HouseWorld::Move(pieces[0], Tuple3f(-1, 0.25f, -1) + c.offset);
			for (unsigned index = 1; index < pieces.size(); ++index)
				HouseWorld::Move(pieces[index], Aside(3 * index));
			board.MarkPresent(HouseWorld::Records({pieces[0]}));
			EXPECT_TRUE(board.Refresh()) << "three slots are empty, offset " << c.offset;
			board.SetAvailable(HouseWorld::Records(pieces));
			EXPECT_EQ(board.Loose().size(), c.loose ? 4u : 3u) << "offset " << c.offset;
		}
	}

	TEST(BuildingBlackboard, ACopyKeepsItsOwnSlotsAndReservations)
	{
		HouseWorld world;
		auto original = std::make_unique<StackedHouse>();
		const Object top = original->pieces[3];
		HouseWorld::Move(top, Aside(0));
		ASSERT_TRUE(original->board.Refresh());
		BuildingBlackboard copy(original->board);
		BuildingBlackboard reserving(copy);
		original.reset();
		for (BuildingBlackboard* board : {&reserving, &copy})
		{
			board->SetAvailable(HouseWorld::Records({top}));
			const ObjPos placement = board->NextObject();
			ASSERT_EQ(placement.objectId, top.id) << "a reservation in one copy reached the other";
			EXPECT_FLOAT_EQ(placement.position.y, 1.5f);
		}
	}

	TEST(FitPiece, APieceIsTurnedOnlyWhenTheTurnFitsBetter)
	{
		// (slot size, piece size, the piece's present rotation, the turn expected)
		const struct { Tuple3f slot, piece, present, turn; } cases[] = {
			{Tuple3f(1, 1, 2), Tuple3f(2, 1, 1), Tuple3f(), Tuple3f(0, kBlackboardQuarterTurn, 0)},
			{Tuple3f(1, 1, 2), Tuple3f(1, 1, 2), Tuple3f(), Tuple3f()},
			{Tuple3f(1, 1, 1), Tuple3f(1, 1, 1), Tuple3f(), Tuple3f()},
			{Tuple3f(1, 2, 1), Tuple3f(1, 1, 2), Tuple3f(), Tuple3f(kBlackboardQuarterTurn, 0, 0)},
			// Lying turned, it is still measured as it rests: the same turn puts it in place.
			{Tuple3f(1, 1, 2), Tuple3f(2, 1, 1), Tuple3f(0, kBlackboardQuarterTurn, 0), Tuple3f(0, kBlackboardQuarterTurn, 0)},
			{Tuple3f(1, 1, 2), Tuple3f(2, 1, 1), Tuple3f(0.4f, 2.0f, -1.1f), Tuple3f(0, kBlackboardQuarterTurn, 0)},
		};
		for (const auto& c : cases)
		{
			HouseWorld world;
			OneSlotHouse house(c.slot);
			const Object piece = HouseWorld::AddPiece(Aside(0), c.piece);
			piece.SendMessage(Message("SetRot").Push(c.present));
			const std::optional<BuildingBlackboard::Fit> fit = BuildingBlackboard::FitPiece(piece.id, *house.board.Root());
			ASSERT_TRUE(fit.has_value());
			EXPECT_EQ(fit->rotation, c.turn) << "piece " << c.piece.x << " " << c.piece.y << " " << c.piece.z;
			EXPECT_LT(fit->score, 0.05);
		}
	}

	TEST(FitPiece, LeavesThePieceBitIdentical)
	{
		HouseWorld world;
		OneSlotHouse house(Tuple3f(1, 1, 2));
		const Object piece = HouseWorld::AddPiece(Aside(0), Tuple3f(2, 1, 1));
		piece.SendMessage(Message("SetRot").Push(Tuple3f(0.3f, 0.7f, 0.1f)));
		RigidBody& body = HouseWorld::RigidBodyOf(piece);
		body.sleepCounter = -1;
		const Transform& transform = *piece.object->GetComponent<Transform>();
		const Tuple3f position = transform.GetWorldPosition();
		const Quaternion orientation = transform.GetWorldOrientation();
		const Quaternion bodyOrientation = body.orientation;
		const ShapeTransforms transforms = body.transforms;
		float bounds[6];
		std::memcpy(bounds, body.collider->GetBounds(), sizeof(bounds));
		ASSERT_TRUE(BuildingBlackboard::FitPiece(piece.id, *house.board.Root()).has_value());
		auto sameBits = [](const auto& a, const auto& b) { return std::memcmp(&a, &b, sizeof(a)) == 0; };
		EXPECT_TRUE(sameBits(transform.GetWorldPosition(), position));
		EXPECT_TRUE(sameBits(transform.GetWorldOrientation(), orientation));
		EXPECT_TRUE(sameBits(body.orientation, bodyOrientation));
		EXPECT_TRUE(sameBits(body.transforms, transforms));
		EXPECT_EQ(body.sleepCounter, -1);
		EXPECT_EQ(std::memcmp(body.collider->GetBounds(), bounds, sizeof(bounds)), 0);
	}
}
