#include "Components/GUI/PlaceAndDeleteMode.h"

#include "Components/GUI/EditorWorld.h"
#include "Components/GUI/HTMLPane.h"
#include "Components/Origin.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "ObjectGroup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace gui_tests
{
	class PlaceAndDeleteModeInWorld : public EditorWorld
	{
	protected:
		// Grid placement from the eye along the direction; the cell's corner after one frame.
		Tuple3f GridCell(const Tuple3f& eye, const Tuple3f& direction)
		{
			if (placement->GetPlacementMode() == 0)
				placement->ToggleMode();
			Aim(eye, direction);
			Frame();
			return placement->GetPlacePos();
		}
	};

	TEST_F(PlaceAndDeleteModeInWorld, GridPlacementTakesTheUnitCellAtTheDistanceRoundingDown)
	{
		StartEditor(0);
		EXPECT_EQ(GridCell(Tuple3f(0.2f, 1.7f, -3.4f), Tuple3f(0, 0, 1)), Tuple3f(0, 1, 1));
		EXPECT_EQ(graphics->GetPrimitiveQueue()[0].position, Tuple3f(0.5f, 1.5f, 1.5f));
		EXPECT_EQ(GridCell(Tuple3f(-0.2f, 0.0f, -5.0f), Tuple3f(0, 0, 1)), Tuple3f(-1, 0, 0));
		Tell(editor, "Decrease", 6);
		EXPECT_EQ(placement->GetPlaceDistance(), Tuple3f(-1, -1, -1));
		Tell(editor, "Increase");
		EXPECT_EQ(placement->GetPlaceDistance(), Tuple3f(0, 0, 0));
	}

	// The black lines of the frame: the gizmo draws its own in colour.
	std::vector<Graphics::LineDrawInfo> DropLines(const Graphics& graphics)
	{
		std::vector<Graphics::LineDrawInfo> lines;
		for (const Graphics::LineDrawInfo& line : graphics.GetLineQueue())
			if (line.colour == Tuple4f(0, 0, 0, 1))
				lines.push_back(line);
		return lines;
	}

	TEST_F(PlaceAndDeleteModeInWorld, TheDropLinesReachTheGroundUnderEachCornerOrHangOneLineOnAMiss)
	{
		StartEditor(0);
		placement->SetScale(Tuple3f(2, 2, 2));
		GridCell(Tuple3f(0.2f, 1.7f, -3.4f), Tuple3f(0, 0, 1));
		std::vector<Graphics::LineDrawInfo> lines = DropLines(*graphics);
		ASSERT_EQ(lines.size(), 1u);
		EXPECT_EQ(lines[0].start, Tuple3f(0.5f, 0.5f, 1.5f));
		EXPECT_EQ(lines[0].end, Tuple3f(0.5f, -98.5f, 1.5f));
		Box(Tuple3f(0, -3, 0), Tuple3f(20, 2, 20));
		Frame();
		lines = DropLines(*graphics);
		ASSERT_EQ(lines.size(), 4u);
		EXPECT_EQ(lines[0].start, Tuple3f(1.5f, 0.5f, 2.5f));
		EXPECT_EQ(lines[0].end, Tuple3f(1.5f, -2.0f, 2.5f));
		EXPECT_EQ(lines[3].end, Tuple3f(-0.5f, -2.0f, 2.5f));
	}

	TEST_F(PlaceAndDeleteModeInWorld, OnASurfaceAnObjectRestsOnItsBaseAndAGroupHalfAUnitLower)
	{
		Box(Tuple3f(0, 1, -10), Tuple3f(4, 2, 4));
		StartEditor(0);
		placement->SetScale(Tuple3f(1, 4, 1));
		Aim(Tuple3f(0, 10, -10), Tuple3f(0, -1, 0));
		Frame();
		placement->SetCurrObjName("EditorCrate.xml");
		Tell(editor, "CreateObject");
		const Object crate = ObjectFromName("EditorCrate");
		ASSERT_FALSE(crate.IsDummy());
		EXPECT_EQ(crate.object->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(0, 4, -10));
		EXPECT_EQ(crate.object->GetComponent<Transform>()->GetScale(), Tuple3f(1, 4, 1));

		placement->ToggleType();
		placement->SetCurrObjName("Tower.xml");
		Tell(editor, "CreateObject");
		ASSERT_FALSE(ObjectGroup::InCreationOrder().empty());
		const Object origin = ObjectGroup::InCreationOrder().back()->GetOriginObject();
		ASSERT_FALSE(origin.IsDummy());
		EXPECT_EQ(origin.object->GetComponent<Origin>()->GetPosition(), Tuple3f(0, 3.5f, -10));
	}

	// The editor starts at the player's eye: looking down, the view meets the ground at its feet.
	TEST_F(PlaceAndDeleteModeInWorld, ACrateCreatedAtThePlayersFeetStandsBesideThePlayer)
	{
		Box(Tuple3f(0, -1, 0), Tuple3f(20, 2, 20));
		Box(Tuple3f(0, 1, 0), Tuple3f(1, 1, 1), false, "Player");
		StartEditor(0);
		placement->SetCurrObjName("EditorCrate.xml");
		const struct
		{
			const char* what;
			Tuple3f eye;
			Tuple3f direction;
			float turn;
			// Where the crate goes when the player is not in its way.
			Tuple3f aimed;
		} cases[] = {
			{"straight down from the eye", {0, 1, 0}, {0, -1, 0}, 0, {0, 0.5f, 0}},
			{"down and a little ahead", {0, 1, 0}, {0, -1, -0.3f}, 0, {0, 0.5f, -0.3f}},
			{"straight down, the crate turned", {0, 1, 0}, {0, -1, 0}, 45, {0, 0.5f, 0}},
			{"down beside the player", {3, 4, 0}, {0, -1, 0}, 0, {3, 0.5f, 0}},
			{"down onto the player's head", {0, 5, 0}, {0, -1, 0}, 0, {0, 2, 0}},
		};
		for (const auto& c : cases)
		{
			placement->SetRotation(Tuple3f(0, c.turn, 0));
			Aim(c.eye, c.direction);
			Frame();
			Tell(editor, "CreateObject");
			ASSERT_EQ(ObjectIdsByName("EditorCrate").size(), 1u) << c.what;
			Composition* crate = ObjectFromName("EditorCrate").object;
			const Tuple3f at = crate->GetComponent<Transform>()->GetWorldPosition();
			// A quarter turn about y reaches out to half the diagonal.
			const float reach = c.turn == 0 ? 0.5f : 0.7072f;
			const bool overlaps = std::fabs(at.x) < 0.5f + reach && std::fabs(at.z) < 0.5f + reach && std::fabs(at.y - 1.0f) < 1.0f;
			EXPECT_FALSE(overlaps) << c.what << ": at " << Vec(at);
			EXPECT_EQ(at.y, c.aimed.y) << c.what;
			EXPECT_LE((Tuple3f(at.x, 0, at.z) - Tuple3f(c.aimed.x, 0, c.aimed.z)).Length(), 1.5) << c.what << ": at " << Vec(at);
			if (c.direction.z < 0)
				EXPECT_LT(at.z, c.aimed.z) << c.what << ": the crate steps aside the way the view points";
			crate->Destroy();
			ProcessObjectChanges();
		}
	}

	// The player walks between two openings of the editor, looking up at the sky or down at the
	// ground: the editor opens at the player, and its "Create" puts the crate ahead of the player.
	TEST_F(PlaceAndDeleteModeInWorld, TheEditorOpensAtThePlayerAndCreatesInItsView)
	{
		Box(Tuple3f(0, -1, 0), Tuple3f(60, 2, 60));
		const struct
		{
			const char* view;
			const char* direction;
		} views[] = {{"at the sky", "0 0.2 -1"}, {"at the ground", "0 -0.2 -1"}};
		for (const auto& view : views)
			for (const Tuple3f& walkedTo : {Tuple3f(0, 1, 0), Tuple3f(0, 1, 17)})
			{
				SCOPED_TRACE(std::string(view.view) + " from " + Vec(walkedTo));
				Composition* player = StartedObject(test::TransformXml(Vec(walkedTo)) + test::CameraXml(view.direction), "Player");
				StartEditor(0);
				Frame();
				const Camera* camera = ObjectFromName("CameraObject").object->GetComponent<Camera>();
				EXPECT_EQ(camera->GetEyePosition(), walkedTo);
				placement->SetCurrObjName("EditorCrate.xml");
				Tell(editor, "CreateObject");
				const Object crate = ObjectFromName("EditorCrate");
				ASSERT_FALSE(crate.IsDummy());
				const Tuple3f ahead = crate.object->GetComponent<Transform>()->GetWorldPosition() - walkedTo;
				EXPECT_LT(ahead.Length(), 12.0f) << Vec(ahead);
				EXPECT_GT(ahead.DotProduct(camera->GetDirection()), 0.9f * ahead.Length()) << "out of view: " << Vec(ahead);
				crate.object->Destroy();
				player->Destroy();
				Engine::SendMessage(Message("CreateLevelEditor"));
				ProcessObjectChanges();
			}
	}

	// Whatever is created near the player stands clear of it: an object or a group, on a surface
	// or on the grid; on the grid it keeps to the cells.
	TEST_F(PlaceAndDeleteModeInWorld, AGroupOrAGridPlacementStandsClearOfThePlayer)
	{
		Box(Tuple3f(0, -1, 0), Tuple3f(20, 2, 20));
		Box(Tuple3f(0.5f, 1, 0.5f), Tuple3f(1, 1, 1), false, "Player");
		StartEditor(0);
		// The grid's cell a unit below the player's centre overlaps the player.
		Tell(editor, "Decrease", 4);
		const struct
		{
			const char* what;
			bool onGrid;
			bool group;
			// The height of its lowest piece: it stands on the floor, on the grid in the cell on it.
			float lowest;
		} cases[] = {{"an object on the grid", true, false, 0.5f}, {"a group on a surface", false, true, 0.5f},
			{"a group on the grid", true, true, 0.5f}};
		for (const auto& c : cases)
		{
			SCOPED_TRACE(c.what);
			if ((placement->GetPlacementMode() == 1) != c.onGrid)
				placement->ToggleMode();
			if ((placement->GetObjectsOrGroups() == 1) != c.group)
				placement->ToggleType();
			placement->SetCurrObjName(c.group ? "Tower.xml" : "EditorCrate.xml");
			Aim(Tuple3f(0.5f, 1, 0.5f), Tuple3f(0, -1, -0.01f));
			Frame();
			const std::size_t before = ObjectGroup::InCreationOrder().size();
			Tell(editor, "CreateObject");
			std::vector<unsigned> made = ObjectIdsByName("EditorCrate");
			if (c.group)
			{
				ASSERT_EQ(ObjectGroup::InCreationOrder().size(), before + 1);
				const auto& members = ObjectGroup::InCreationOrder().back()->GetMembers();
				made.assign(members.begin(), members.end());
			}
			ASSERT_FALSE(made.empty());
			float lowest = 1e9f;
			for (unsigned id : made)
			{
				Composition* piece = ObjectFromId(id).object;
				if (piece->GetComponent<Body>() == nullptr)
					continue;
				const Tuple3f at = piece->GetComponent<Transform>()->GetWorldPosition();
				lowest = std::min(lowest, at.y);
				EXPECT_FALSE(std::fabs(at.x - 0.5f) < 1.0f && std::fabs(at.z - 0.5f) < 1.0f && std::fabs(at.y - 1.0f) < 1.0f)
					<< "inside the player at " << Vec(at);
				EXPECT_LE((Tuple3f(at.x, 0, at.z) - Tuple3f(0.5f, 0, 0.5f)).Length(), 2.5f) << Vec(at);
				if (c.onGrid)
					EXPECT_EQ(at.z - std::floor(at.z), 0.5f) << "off the grid at " << Vec(at);
			}
			EXPECT_EQ(lowest, c.lowest);
			if (c.group)
				ObjectGroup::InCreationOrder().back()->Destroy();
			for (unsigned id : ObjectIdsByName("EditorCrate"))
				ObjectFromId(id).object->Destroy();
			ProcessObjectChanges();
		}
	}

	// On the grid a tower stands on its cell's floor, as a crate's bottom does, or on the ground
	// where that rises into the cell: a view aimed down at the ground puts the cell in it.
	TEST_F(PlaceAndDeleteModeInWorld, OnTheGridATowerStandsOnItsCellsFloorOrOnTheGroundInTheCell)
	{
		Box(Tuple3f(0, -1, 0), Tuple3f(40, 2, 40));
		StartEditor(0);
		placement->ToggleMode();
		placement->ToggleType();
		placement->SetCurrObjName("Tower.xml");
		const struct
		{
			const char* cell;
			float eyeHeight;
			float bottomCrate;
		} cases[] = {{"on the ground", 5.5f, 0.5f}, {"in the ground", 4.5f, 0.5f}, {"in the air", 7.5f, 2.5f}};
		for (const auto& c : cases)
		{
			Aim(Tuple3f(3.2f, c.eyeHeight, -4.7f), Tuple3f(0, -1, 0));
			Frame();
			Tell(editor, "CreateObject");
			ObjectGroup* tower = ObjectGroup::InCreationOrder().back();
			const Object bottom = ObjectFromName("TowerBase");
			ASSERT_FALSE(bottom.IsDummy()) << c.cell;
			EXPECT_EQ(bottom.object->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(3.5f, c.bottomCrate, -4.5f)) << c.cell;
			tower->Destroy();
			ProcessObjectChanges();
		}
	}

	// Once the view has met a surface, turning it to the sky leaves the place on that surface:
	// "Create" puts the crate where the author last looked, not ahead of the eye.
	TEST_F(PlaceAndDeleteModeInWorld, AViewTurnedFromASurfaceToTheSkyCreatesOnThatSurface)
	{
		Box(Tuple3f(0, 0, -10), Tuple3f(4, 2, 4));
		StartEditor(0);
		Aim(Tuple3f(0, 10, -10), Tuple3f(0, -1, 0));
		Frame();
		Aim(Tuple3f(0, 10, -10), Tuple3f(0, 1, 0.2f));
		Frame();
		placement->SetCurrObjName("EditorCrate.xml");
		Tell(editor, "CreateObject");
		const Object crate = ObjectFromName("EditorCrate");
		ASSERT_FALSE(crate.IsDummy());
		EXPECT_EQ(crate.object->GetComponent<Transform>()->GetWorldPosition(), Tuple3f(0, 1.5f, -10));
	}

	// On the grid, an object made in the player's cell steps one cell ahead, along the grid axis
	// the view leans along most, so that it stays in view.
	TEST_F(PlaceAndDeleteModeInWorld, OnTheGridAnObjectInThePlayersCellStepsAlongTheView)
	{
		Box(Tuple3f(0, -1, 0), Tuple3f(20, 2, 20));
		Box(Tuple3f(0.5f, 1, 0.5f), Tuple3f(1, 1, 1), false, "Player");
		StartEditor(0);
		placement->ToggleMode();
		placement->SetCurrObjName("EditorCrate.xml");
		// The grid's cell a unit below the player's centre overlaps the player.
		Tell(editor, "Decrease", 4);
		const struct
		{
			Tuple3f direction;
			Tuple3f cell;
		} views[] = {{{0.1f, -1, -0.3f}, {0.5f, 0.5f, -0.5f}}, {{0.3f, -1, 0.1f}, {1.5f, 0.5f, 0.5f}}};
		for (const auto& view : views)
		{
			Aim(Tuple3f(0.5f, 1, 0.5f), view.direction);
			Frame();
			Tell(editor, "CreateObject");
			const Object crate = ObjectFromName("EditorCrate");
			ASSERT_FALSE(crate.IsDummy());
			EXPECT_EQ(crate.object->GetComponent<Transform>()->GetWorldPosition(), view.cell) << "looking along " << Vec(view.direction);
			crate.object->Destroy();
			ProcessObjectChanges();
		}
	}

	// The panel's "Create" makes the first file of the kind chosen while none of that kind is
	// picked: the first group after a crate was made, the first object after a group was.
	TEST_F(PlaceAndDeleteModeInWorld, ThePanelsCreateMakesTheFirstFileOfTheKindWhenNoneOfItIsPicked)
	{
		Box(Tuple3f(0, -1, 0), Tuple3f(20, 2, 20));
		StartEditor(0);
		HTMLPane* pane = ObjectFromName("LevelEditorHud").object->GetComponent<HTMLPane>();
		Aim(Tuple3f(0, 5, -5), Tuple3f(0, -1, 0));
		Frame();
		const std::size_t groups = ObjectGroup::InCreationOrder().size();
		Run(*pane, "Create();");
		EXPECT_EQ(ObjectIdsByName("EditorCrate").size(), 1u);
		Run(*pane, "Placement().ToggleType(); ShowPlacement(); Create();");
		EXPECT_EQ(placement->GetCurrObjName(), "Tower.xml");
		EXPECT_EQ(ObjectGroup::InCreationOrder().size(), groups + 1);
		Run(*pane, "Placement().ToggleType(); ShowPlacement(); Create();");
		EXPECT_EQ(ObjectIdsByName("EditorCrate").size(), 2u);
	}

	TEST_F(PlaceAndDeleteModeInWorld, TheFourActionsWaitForPlaceModeAndTheTogglesWorkInEveryMode)
	{
		Composition* target = Box(Tuple3f(0, 0, -5));
		const unsigned targetId = target->GetId();
		for (unsigned mode : {1u, 2u})
		{
			StartEditor(mode);
			Aim(Tuple3f(0, 0, 0), Tuple3f(0, 0, -1));
			Frame();
			placement->SetCurrObjName("EditorCrate.xml");
			for (const char* action : {"CreateObject", "DeleteObject", "Decrease", "Increase"})
				Tell(editor, action);
			ProcessObjectChanges();
			EXPECT_EQ(ObjectFromId(targetId).object, target) << mode;
			EXPECT_TRUE(ObjectIdsByName("EditorCrate").empty()) << mode;
			EXPECT_EQ(placement->GetPlaceDistance(), Tuple3f(5, 5, 5)) << mode;
			placement->ToggleMode();
			placement->ToggleType();
			EXPECT_EQ(placement->GetPlacementMode(), 1u);
			EXPECT_EQ(placement->GetObjectsOrGroups(), 1u);
			placement->ToggleMode();
			placement->ToggleType();
			EXPECT_EQ(placement->GetPlacementMode(), 0u);
			EXPECT_EQ(placement->GetObjectsOrGroups(), 0u);
			Engine::SendMessage(Message("CreateLevelEditor"));
			ProcessObjectChanges();
		}
		StartEditor(0);
		Aim(Tuple3f(0, 0, 0), Tuple3f(0, 0, -1));
		Tell(editor, "DeleteObject");
		ProcessObjectChanges();
		EXPECT_TRUE(ObjectFromId(targetId).IsDummy());
	}

	TEST_F(PlaceAndDeleteModeInWorld, ACreatedObjectIsSavedWhereItWasPlacedWithoutTheEditorsObjects)
	{
		Box(Tuple3f(0, -1, 0), Tuple3f(20, 2, 20));
		StartEditor(0);
		Aim(Tuple3f(3, 5, 2), Tuple3f(0, -1, 0));
		Frame();
		placement->SetCurrObjName("EditorCrate.xml");
		Tell(editor, "CreateObject");
		const std::string saved = folder.Path() + "Saved";
		ASSERT_TRUE(engine->engine->SaveLevel(saved));
		const std::string text = test::ReadText(saved);
		EXPECT_NE(text.find("<Tuple3f name=\"bt.pos\">3 0.5 2</Tuple3f>"), std::string::npos) << text;
		for (const char* editorObject : {"LevelEditor<", "CameraObject", "LevelEditorHud"})
			EXPECT_EQ(text.find(editorObject), std::string::npos) << editorObject;
	}

	TEST_F(PlaceAndDeleteModeInWorld, AGroupFileThatDoesNotLoadCreatesNothing)
	{
		StartEditor(0);
		placement->ToggleType();
		placement->SetCurrObjName("NoSuchTower.xml");
		const std::size_t groups = ObjectGroup::InCreationOrder().size();
		const std::size_t objects = ObjectGroup::Default().GetMembers().size();
		Tell(editor, "CreateObject");
		EXPECT_EQ(ObjectGroup::InCreationOrder().size(), groups);
		EXPECT_EQ(ObjectGroup::Default().GetMembers().size(), objects);
	}

	TEST_F(PlaceAndDeleteModeInWorld, AMarkAtInfinityCreatesNothing)
	{
		StartEditor(0);
		ASSERT_FALSE(std::isfinite(GridCell(Tuple3f(0, 0, 0), Tuple3f(0, 0, 0)).x));
		placement->SetCurrObjName("EditorCrate.xml");
		Tell(editor, "CreateObject");
		EXPECT_TRUE(ObjectFromName("EditorCrate").IsDummy());
	}

	TEST_F(PlaceAndDeleteModeInWorld, TheCreatableListsHoldTheBareNamesOfTheGamesFiles)
	{
		StartEditor(0);
		EXPECT_EQ(placement->GetCreatableObjectList(), std::vector<std::string>{"EditorCrate.xml"});
		EXPECT_EQ(placement->GetCreatableGroupList(), std::vector<std::string>{"Tower.xml"});
		EXPECT_EQ(placement->GetScale(), Tuple3f(1, 1, 1));
	}
}
