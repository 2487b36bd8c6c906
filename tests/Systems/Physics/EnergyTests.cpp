#include "Systems/Physics/PhysicsScene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace
{
	using test::BodyShape;
	using test::PhysicsScene;

	constexpr const char* kScene = "<Physics><Max_Bodies>200</Max_Bodies><Max_Contacts>4000</Max_Contacts>"
								   "<Max_Constraints>12000</Max_Constraints><Max_Manifolds>1000</Max_Manifolds></Physics>";

	double TotalEnergy(const std::vector<RigidBody*>& bodies, float gravity)
	{
		double total = 0.0;
		for (const RigidBody* body : bodies)
			total += test::Energy(*body, gravity);
		return total;
	}

	// A walled floor ten units square and a hundred mixed shapes above it, in a 5 x 5 x 4 grid.
	std::vector<RigidBody*> DropHundred(PhysicsScene& scene)
	{
		scene.AddFloor();
		BodyShape wall;
		wall.isStatic = true;
		for (const auto& [position, size] : {std::pair(Tuple3f(-5.5f, 5.0f, 0.0f), Tuple3f(1.0f, 10.0f, 12.0f)),
				 std::pair(Tuple3f(5.5f, 5.0f, 0.0f), Tuple3f(1.0f, 10.0f, 12.0f)),
				 std::pair(Tuple3f(0.0f, 5.0f, -5.5f), Tuple3f(12.0f, 10.0f, 1.0f)),
				 std::pair(Tuple3f(0.0f, 5.0f, 5.5f), Tuple3f(12.0f, 10.0f, 1.0f))})
		{
			wall.scale = size;
			scene.Add(wall, position);
		}
		constexpr const char* kShapes[] = {"cube", "sphere", "cylinder", "cube", "sphere"};
		std::vector<RigidBody*> bodies;
		for (int layer = 0; layer < 4; ++layer)
			for (int row = 0; row < 5; ++row)
				for (int column = 0; column < 5; ++column)
				{
					BodyShape shape;
					shape.shape = kShapes[(row + column + layer) % 5];
					shape.scale = Tuple3f(0.8f, 0.8f, 0.8f);
					shape.rotation = Tuple3f(7.0f * static_cast<float>(column), 11.0f * static_cast<float>(row), 0.0f);
					const Tuple3f position(-3.2f + 1.6f * static_cast<float>(column), 1.0f + 1.5f * static_cast<float>(layer),
						-3.2f + 1.6f * static_cast<float>(row));
					bodies.push_back(&scene.Add(shape, position));
				}
		scene.LoadLevel();
		return bodies;
	}

	TEST(Energy, HundredMixedShapesInABoxNeverGainEnergyAndAllSleepAboveTheFloor)
	{
		PhysicsScene scene(kScene);
		const std::vector<RigidBody*> bodies = DropHundred(scene);
		const float gravity = scene.physics->GetSettings().gravityMagnitude;
		const double initial = TotalEnergy(bodies, gravity);
		double highest = initial;
		int step = 0;
		for (; step < 4000; ++step)
		{
			scene.Step();
			highest = std::max(highest, TotalEnergy(bodies, gravity));
			if (std::all_of(bodies.begin(), bodies.end(), [](const RigidBody* b) { return b->IsAsleep(); }))
				break;
		}
		EXPECT_LE(highest, initial + 0.01 * std::fabs(initial));
		EXPECT_LT(step, 4000) << "not all asleep";
		for (const RigidBody* body : bodies)
			EXPECT_GT(body->GetWorldCentreOfMass().y, 0.0f);
	}

	TEST(Energy, TheSameSceneTwiceGivesBitIdenticalPositions)
	{
		std::vector<Tuple3f> runs[2];
		for (std::vector<Tuple3f>& positions : runs)
		{
			PhysicsScene scene(kScene);
			const std::vector<RigidBody*> bodies = DropHundred(scene);
			scene.Step(200);
			for (const RigidBody* body : bodies)
				positions.push_back(body->GetPosition());
		}
		ASSERT_EQ(runs[0].size(), runs[1].size());
		for (std::size_t i = 0; i < runs[0].size(); ++i)
			EXPECT_EQ(std::memcmp(&runs[0][i], &runs[1][i], sizeof(Tuple3f)), 0) << "body " << i;
	}

	TEST(Energy, ASphereRestingOnThreeSpheresStaysPut)
	{
		PhysicsScene scene;
		BodyShape ball;
		ball.shape = "sphere";
		ball.isStatic = true;
		const float across = 1.0f / std::sqrt(3.0f);
		for (int i = 0; i < 3; ++i)
		{
			const float angle = 2.0943951f * static_cast<float>(i);
			scene.Add(ball, Tuple3f(across * std::cos(angle), 0.5f, across * std::sin(angle)));
		}
		ball.isStatic = false;
		RigidBody& top = scene.Add(ball, Tuple3f(0.0f, 0.5f + std::sqrt(1.0f - across * across) + 0.002f, 0.0f));
		scene.LoadLevel();
		scene.Step(300);
		EXPECT_LT(top.velocity.Length(), 0.05);
		EXPECT_LT(std::hypot(top.GetPosition().x, top.GetPosition().z), 0.01);
	}

	TEST(Energy, ABallOnTheGroundStopsSpinningAboutTheVerticalButRollsOn)
	{
		struct Case
		{
			const char* name;
			Tuple3f velocity;
			Tuple3f spin;
			int steps;
			float maxSpin;
			float minTravel;
		};
		// Spinning in place: damping alone leaves more than 1 rad/s after 400 steps.
		// Rolling at 3 m/s: damping alone carries it about 4.3 m in 120 steps.
		for (const Case& c : {Case{"spinning", Tuple3f(), Tuple3f(0.0f, 10.0f, 0.0f), 400, 0.1f, -1.0f},
				 Case{"rolling", Tuple3f(3.0f, 0.0f, 0.0f), Tuple3f(0.0f, 0.0f, -6.0f), 120, 10.0f, 3.0f}})
		{
			PhysicsScene scene;
			scene.AddFloor();
			BodyShape ball;
			ball.shape = "sphere";
			RigidBody& body = scene.Add(ball, Tuple3f(0.0f, 0.5f, 0.0f));
			scene.LoadLevel();
			body.velocity = c.velocity;
			body.angularVelocity = c.spin;
			scene.Step(c.steps);
			EXPECT_LT(body.angularVelocity.Length(), c.maxSpin) << c.name;
			EXPECT_GT(body.GetPosition().x, c.minTravel) << c.name;
		}
	}
}
