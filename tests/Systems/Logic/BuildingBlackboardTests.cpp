#include "Systems/Logic/BuildingBlackboard.h"

#include "Components/Logic/HouseWorld.h"
#include "Composition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace
{
	using test::HouseWorld;

	constexpr float kQuarterTurn = 1.5707964f;
	constexpr float kNearSlot = 1e-4f;

	void ExpectSameBox(const AABB& actual, const AABB& expected)
	{
		for (int axis = 0; axis < 3; ++axis)
		{
			EXPECT_NEAR(actual.min[axis], expected.min[axis], kNearSlot) << "axis " << axis;
			EXPECT_NEAR(actual.max[axis], expected.max[axis], kNearSlot) << "axis " << axis;
		}
	}

	// Far from the house, each knocked piece in a place of its own.
	Tuple3f AsideOfTheHouse(unsigned index)
	{
		return Tuple3f(10.0f + 2.0f * static_cast<float>(index), 0.5f, 10.0f);
	}

	// A blackboard built from the pieces, with a single piece knocked aside and offered back.
	struct OneSlotHouse
	{
		explicit OneSlotHouse(const Tuple3f& slotSize)
		{
			const Object piece = HouseWorld::AddPiece(Tuple3f(0.5f, 0.5f * slotSize.y, 0.5f), slotSize);
			board.Build(HouseWorld::Records({piece}));
			HouseWorld::Move(piece, AsideOfTheHouse(9));
		}
		BuildingBlackboard board;
	};

	TEST(BuildingBlackboard, AnUntouchedHouseIsCompleteAndAnEmptyOneHasNothingToPlace)
	{
		HouseWorld world;
		BuildingBlackboard board;
		board.Build(HouseWorld::Records(HouseWorld::AddStackedHouse()));
		EXPECT_FALSE(board.Refresh());
		EXPECT_TRUE(board.IsComplete());

		BuildingBlackboard empty;
		empty.Build({});
		EXPECT_FALSE(empty.Refresh());
		EXPECT_EQ(empty.NextObject().objectId, 0u);
	}

	TEST(BuildingBlackboard, AKnockedOffTopPieceOffersOnlyItsSlot)
	{
		HouseWorld world;
		const std::vector<Object> pieces = HouseWorld::AddStackedHouse();
		BuildingBlackboard board;
		board.Build(HouseWorld::Records(pieces));
		const AABB slot = HouseWorld::BoxOf(pieces[3]);
		HouseWorld::Move(pieces[3], AsideOfTheHouse(0));
		ASSERT_TRUE(board.Refresh());
		ASSERT_EQ(board.Missing().size(), 1u);
		ExpectSameBox(board.Missing()[0]->box, slot);
		EXPECT_FALSE(board.IsComplete());
	}

	TEST(BuildingBlackboard, TheLowerLayerIsFilledBeforeTheUpperOneIsOffered)
	{
		// (pieces knocked off, how many placements the lower layer takes)
		const struct { std::vector<unsigned> knocked; unsigned lower; } cases[] = {
			{{0, 3}, 1},
			{{0, 1, 2, 3}, 2},
		};
		for (const auto& c : cases)
		{
			HouseWorld world;
			const std::vector<Object> pieces = HouseWorld::AddStackedHouse();
			BuildingBlackboard board;
			board.Build(HouseWorld::Records(pieces));
			std::vector<Object> knocked;
			for (unsigned index : c.knocked)
			{
				knocked.push_back(pieces[index]);
				HouseWorld::Move(pieces[index], AsideOfTheHouse(index));
			}
			ASSERT_TRUE(board.Refresh());
			board.SetAvailable(HouseWorld::Records(knocked));
			std::vector<BuildingBlackboard::ObjPos> placements;
			for (unsigned i = 0; i < c.lower; ++i)
			{
				placements.push_back(board.NextObject());
				ASSERT_NE(placements.back().objectId, 0u);
				EXPECT_FLOAT_EQ(placements.back().position.y, 0.5f) << c.knocked.size() << " knocked";
			}
			EXPECT_EQ(board.NextObject().objectId, 0u) << "the upper layer is offered before the lower one is filled";

			// Once the lower layer stands again, the upper one is offered.
			for (const BuildingBlackboard::ObjPos& placement : placements)
			{
				HouseWorld::Move(ObjectFromId(placement.objectId), placement.position);
				board.RemoveObject(placement);
				std::erase_if(knocked, [&](const Object& piece) { return piece.id == placement.objectId; });
			}
			std::vector<Object> standing;
			for (const Object& piece : pieces)
				if (std::none_of(knocked.begin(), knocked.end(), [&](const Object& loose) { return loose.id == piece.id; }))
					standing.push_back(piece);
			board.MarkPresent(HouseWorld::Records(standing));
			ASSERT_TRUE(board.Refresh());
			board.SetAvailable(HouseWorld::Records(knocked));
			const BuildingBlackboard::ObjPos upper = board.NextObject();
			ASSERT_NE(upper.objectId, 0u);
			EXPECT_FLOAT_EQ(upper.position.y, 1.5f);
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
				loose.push_back(HouseWorld::AddPiece(AsideOfTheHouse(static_cast<unsigned>(loose.size())), size));
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
		const std::vector<Object> loose = {HouseWorld::AddPiece(AsideOfTheHouse(0)), HouseWorld::AddPiece(AsideOfTheHouse(1))};
		ASSERT_TRUE(house.board.Refresh());
		house.board.SetAvailable(HouseWorld::Records(loose));
		const BuildingBlackboard::ObjPos promised = house.board.NextObject();
		ASSERT_NE(promised.objectId, 0u);

		EXPECT_FALSE(house.board.Refresh()) << "the promised slot is offered again";
		EXPECT_EQ(house.board.NextObject().objectId, 0u);
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
		// (edge of a cube standing centred on a unit slot, whether it fills the slot): at most
		// six times the slot's volume, covering at least a tenth of it (boxes shrunk by 1 %).
		const struct { float edge; bool fills; } cases[] = {
			{1.8f, true}, {1.85f, false}, {0.47f, true}, {0.45f, false},
		};
		for (const auto& c : cases)
		{
			HouseWorld world;
			OneSlotHouse house(Tuple3f(1, 1, 1));
			const Object standing = HouseWorld::AddPiece(Tuple3f(0.5f, 0.5f, 0.5f), Tuple3f(c.edge, c.edge, c.edge));
			house.board.MarkPresent(HouseWorld::Records({standing}));
			EXPECT_EQ(house.board.Refresh(), !c.fills) << "edge " << c.edge;
		}
	}

	TEST(BuildingBlackboard, APieceWhoseObjectHasGoneLeavesItsSlotMissing)
	{
		HouseWorld world;
		const std::vector<Object> pieces = HouseWorld::AddStackedHouse();
		BuildingBlackboard board;
		board.Build(HouseWorld::Records(pieces));
		const AABB slot = HouseWorld::BoxOf(pieces[3]);
		const Object loose = HouseWorld::AddPiece(AsideOfTheHouse(0));
		const std::vector<ObjectBoundsRecord> looseRecords = HouseWorld::Records({loose});
		pieces[3].object->Destroy();
		loose.object->Destroy();
		ProcessObjectChanges();

		ASSERT_TRUE(board.Refresh());
		ASSERT_EQ(board.Missing().size(), 1u);
		ExpectSameBox(board.Missing()[0]->box, slot);
		board.SetAvailable(looseRecords);
		EXPECT_TRUE(board.Loose().empty());
		EXPECT_EQ(board.NextObject().objectId, 0u);
	}

	TEST(BuildingBlackboard, ACopyKeepsItsOwnSlotsAndReservations)
	{
		HouseWorld world;
		const std::vector<Object> pieces = HouseWorld::AddStackedHouse();
		auto original = std::make_unique<BuildingBlackboard>();
		original->Build(HouseWorld::Records(pieces));
		const AABB slot = HouseWorld::BoxOf(pieces[3]);
		HouseWorld::Move(pieces[3], AsideOfTheHouse(0));
		ASSERT_TRUE(original->Refresh());
		BuildingBlackboard copy(*original);
		original.reset();

		BuildingBlackboard reserving(copy);
		reserving.SetAvailable(HouseWorld::Records({pieces[3]}));
		const BuildingBlackboard::ObjPos placement = reserving.NextObject();
		ASSERT_EQ(placement.objectId, pieces[3].id);
		ExpectSameBox(placement.slot->box, slot);
		EXPECT_FALSE(reserving.Refresh());

		copy.SetAvailable(HouseWorld::Records({pieces[3]}));
		const BuildingBlackboard::ObjPos again = copy.NextObject();
		ASSERT_EQ(again.objectId, pieces[3].id) << "a reservation in one copy reached the other";
		EXPECT_NE(again.slot, placement.slot);
		ExpectSameBox(again.slot->box, slot);
	}

	TEST(FitPiece, APieceIsTurnedOnlyWhenTheTurnFitsBetter)
	{
		// (slot size, piece size, the piece's present rotation, the turn expected)
		const struct { Tuple3f slot, piece, present, turn; } cases[] = {
			{Tuple3f(1, 1, 2), Tuple3f(2, 1, 1), Tuple3f(), Tuple3f(0, kQuarterTurn, 0)},
			{Tuple3f(1, 1, 2), Tuple3f(1, 1, 2), Tuple3f(), Tuple3f()},
			{Tuple3f(1, 1, 1), Tuple3f(1, 1, 1), Tuple3f(), Tuple3f()},
			{Tuple3f(1, 2, 1), Tuple3f(1, 1, 2), Tuple3f(), Tuple3f(kQuarterTurn, 0, 0)},
			// Lying turned, it is still measured as it rests: the same turn puts it in place.
			{Tuple3f(1, 1, 2), Tuple3f(2, 1, 1), Tuple3f(0, kQuarterTurn, 0), Tuple3f(0, kQuarterTurn, 0)},
			{Tuple3f(1, 1, 2), Tuple3f(2, 1, 1), Tuple3f(0.4f, 2.0f, -1.1f), Tuple3f(0, kQuarterTurn, 0)},
		};
		for (const auto& c : cases)
		{
			HouseWorld world;
			OneSlotHouse house(c.slot);
			const Object piece = HouseWorld::AddPiece(AsideOfTheHouse(0), c.piece);
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
		const Object piece = HouseWorld::AddPiece(AsideOfTheHouse(0), Tuple3f(2, 1, 1));
		piece.SendMessage(Message("SetRot").Push(Tuple3f(0.3f, 0.7f, 0.1f)));
		RigidBody& body = HouseWorld::RigidBodyOf(piece);
		body.sleepCounter = -1;
		const Transform& transform = *piece.object->GetComponent<Transform>();
		auto snapshot = [&] {
			std::vector<unsigned char> bytes;
			auto add = [&](const void* data, std::size_t size) {
				bytes.insert(bytes.end(), static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
			};
			const Tuple3f position = transform.GetWorldPosition();
			const Quaternion orientation = transform.GetWorldOrientation();
			add(&position, sizeof(position));
			add(&orientation, sizeof(orientation));
			add(&body.orientation, sizeof(body.orientation));
			add(&body.transforms, sizeof(body.transforms));
			add(body.collider->GetBounds(), 6 * sizeof(float));
			add(&body.sleepCounter, sizeof(body.sleepCounter));
			return bytes;
		};
		const std::vector<unsigned char> before = snapshot();
		ASSERT_TRUE(BuildingBlackboard::FitPiece(piece.id, *house.board.Root()).has_value());
		EXPECT_EQ(snapshot(), before);
	}
}
