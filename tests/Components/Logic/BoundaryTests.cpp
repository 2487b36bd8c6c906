#include "Components/Logic/Boundary.h"
#include "Components/Logic/Blow.h"

#include "Components/Logic/MotionWorld.h"
#include "ObjectGroup.h"

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <sstream>

namespace
{
	using namespace test;

	std::string BoundaryValues(const std::string& target, const std::string& dimensions)
	{
		return "<string>" + target + "</string><string>Left</string><string>Back</string><Tuple3f>" + dimensions + "</Tuple3f>";
	}

	// Nine significant digits read back as the same float.
	std::string Exact(const Tuple3f& value)
	{
		std::ostringstream text;
		text << std::setprecision(9) << value.x << ' ' << value.y << ' ' << value.z;
		return text.str();
	}

	// A unit cube without gravity at the position, watched by a Boundary of its own whose record
	// ends with the values in "more".
	Object AddWatchedCube(MotionWorld& world, const std::string& dimensions, const Tuple3f& position = Tuple3f(0, 5, 0), const std::string& more = "")
	{
		const Object cube = world.AddBodyObject("Cube", position, false, MotionWorld::CubeBody("NOGRAVITY"));
		MotionWorld::AddLoaded(cube, Boundary::TypeId(), BoundaryValues("__This", dimensions) + more);
		cube.object->Start();
		return cube;
	}

	TEST(Boundary, ATargetLargerThanTheBoxIsOutsideAtOnceAndBoundsTouchingAFaceAreInside)
	{
		// The box that touches the cube's bounds on their far side from its centre, and that box
		// one step of float smaller; then a box smaller than the cube.
		Tuple3f touching;
		{
			MotionWorld probeWorld;
			const Object probe = probeWorld.AddBodyObject("Cube", Tuple3f(), true, MotionWorld::CubeBody("NOGRAVITY"));
			const float* bounds = MotionWorld::RigidBodyOf(probe).collider->GetBounds();
			const Tuple3f centre = MotionWorld::RigidBodyOf(probe).GetPosition();
			for (int axis = 0; axis < 3; ++axis)
				touching[axis] = 2.0f * std::max(centre[axis] - bounds[axis], bounds[axis + 3] - centre[axis]);
		}
		const Tuple3f smaller(touching.x, std::nextafter(touching.y, 0.0f), touching.z);
		// (box dimensions, messages heard)
		const struct { Tuple3f dimensions; std::vector<std::string> heard; } cases[] = {
			{Tuple3f(0.5f, 0.5f, 0.5f), {"Left"}},
			{touching, {}},
			{smaller, {"Left"}},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			// At the origin, where a float step of the box's size moves its faces.
			const Object cube = AddWatchedCube(world, Exact(c.dimensions), Tuple3f());
			MessageLog& log = Listen(cube, {"Left", "Back"});
			world.Frame(20);
			EXPECT_EQ(log.entries, c.heard) << Exact(c.dimensions);
		}
	}

	TEST(Boundary, LeavingAndComingBackTwiceSendsExitEnterExitEnter)
	{
		MotionWorld world;
		const Object cube = AddWatchedCube(world, "4 4 4");
		MessageLog& log = Listen(cube, {"Left", "Back"});
		world.Frame();
		for (const float x : {5.0f, 0.0f, 6.0f, 1.0f})
		{
			cube.SendMessage(Message("SetPos").Push(Tuple3f(x, 5, 0)));
			world.Frame(3);
		}
		EXPECT_EQ(log.entries, (std::vector<std::string>{"Left", "Back", "Left", "Back"}));
	}

	// A box open above, as one watching a level is, is left by its floor or a side but never by
	// rising; a record without the flag, as written before it, keeps its top.
	TEST(Boundary, ABoxOpenAboveIsLeftOnlyByItsFloorOrSides)
	{
		// (what follows the dimensions in the record, where the cube goes, heard)
		const struct { const char* more; Tuple3f to; std::vector<std::string> heard; } cases[] = {
			{"<bool>true</bool>", Tuple3f(0, 500, 0), {}},
			{"<bool>true</bool>", Tuple3f(0, 0, 0), {"Left"}},
			{"<bool>true</bool>", Tuple3f(5, 5, 0), {"Left"}},
			{"", Tuple3f(0, 500, 0), {"Left"}},
		};
		for (const auto& c : cases)
		{
			MotionWorld world;
			const Object cube = AddWatchedCube(world, "4 4 4", Tuple3f(0, 5, 0), c.more);
			MessageLog& log = Listen(cube, {"Left", "Back"});
			world.Frame();
			cube.SendMessage(Message("SetPos").Push(c.to));
			world.Frame(3);
			EXPECT_EQ(log.entries, c.heard) << c.more << " to " << c.to;
		}
	}

	// A level saved (as the editor saves it) and played again keeps each box as it was: the placed
	// crates' boxes stay open above, and a closed box stays closed.
	TEST(Boundary, ALevelSavedAndLoadedAgainKeepsEachBoxOpenOrClosedAbove)
	{
		// (what follows the dimensions in the record, heard when the cube rises far above its box)
		const struct { const char* more; std::vector<std::string> heard; } cases[] = {
			{"<bool>true</bool>", {}},
			{"<bool>false</bool>", {"Left"}},
		};
		for (const auto& c : cases)
		{
			std::string saved;
			{
				MotionWorld world;
				AddWatchedCube(world, "4 4 4", Tuple3f(0, 5, 0), c.more);
				const std::string path = world.folder.Path() + "/Saved";
				ASSERT_TRUE(world.engine.engine->SaveLevel(path));
				saved = ReadText(path);
			}
			MotionWorld world;
			ASSERT_TRUE(world.LoadLevel(world.WriteLevel("Saved", saved))) << saved;
			world.Frame();
			const Object cube = ObjectFromName("Cube");
			ASSERT_FALSE(cube.IsDummy()) << saved;
			MessageLog& log = Listen(cube, {"Left", "Back"});
			cube.SendMessage(Message("SetPos").Push(Tuple3f(0, 500, 0)));
			world.Frame(3);
			EXPECT_EQ(log.entries, c.heard) << c.more;
		}
	}

	// A player parks what it holds below every level; only leaving the box in the level counts.
	TEST(Boundary, AnObjectParkedByTheBreathHasNotLeft)
	{
		MotionWorld world;
		const Object cube = AddWatchedCube(world, "4 4 4");
		MessageLog& log = Listen(cube, {"Left", "Back"});
		world.Frame();
		for (const Tuple3f& at : {Tuple3f(0, Blow::kParkHeight, 0), Tuple3f(0, Blow::kParkHeight - 3, 0), Tuple3f(0, 5, 0), Tuple3f(5, 5, 0)})
		{
			cube.SendMessage(Message("SetPos").Push(at));
			world.Frame(3);
		}
		EXPECT_EQ(log.entries, std::vector<std::string>{"Left"});
	}

	TEST(Boundary, FindsANamedTargetOnlyAmongTheMembersOfItsOwnGroup)
	{
		// (target in the watcher's group, found)
		for (const bool sameGroup : {true, false})
		{
			MotionWorld world;
			ObjectGroup* group = ObjectGroup::Create();
			const Object ball = world.AddBodyObject("Ball", Tuple3f(0, 5, 0), false, MotionWorld::CubeBody("NOGRAVITY"));
			if (sameGroup)
				ball.object->SetGroup(group->GetId());
			ball.object->Start();
			const Object watcher = CreateObject("Watcher");
			watcher.object->SetGroup(group->GetId());
			MotionWorld::AddLoaded(watcher, Boundary::TypeId(), BoundaryValues("Ball", "4 4 4"));
			watcher.object->Start();
			MessageLog& log = Listen(watcher, {"Left"});
			EXPECT_EQ(MotionWorld::Of<Boundary>(watcher).GetTargetId(), sameGroup ? ball.id : 0u);
			world.Frame();
			ball.SendMessage(Message("SetPos").Push(Tuple3f(10, 5, 0)));
			world.Frame(3);
			EXPECT_EQ(log.Count("Left"), sameGroup ? 1u : 0u);
		}
	}
}
