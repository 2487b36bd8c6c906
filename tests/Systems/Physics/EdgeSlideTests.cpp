// Bodies sliding flat over the convex edges of static surfaces: a floor ending in a cliff, a floor
// going on down a slope (a ridge of 30 or 60 degrees), the top of a wall; each built once as a
// collision mesh and once of static boxes. A body resting on a surface must slide over its edge as
// it would over a box's: never held at the edge, never thrown back against its slide, always over.
#include "Systems/Physics/ThrownShapes.h"
#include "Utilities/Random.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>

namespace
{
	using test::PhysicsScene;
	using test::Thrown;

	constexpr float kEdgeHalfTurn = 3.14159265f;
	// The floor reaches from the edge at x = 0 back to x = -kEdgeFloorLength, or to the wall's back.
	constexpr float kEdgeFloorLength = 30.0f;
	constexpr float kCliffDepth = 30.0f;
	constexpr float kWallTopWidth = 6.0f;
	// Where a slide starts: the widest game shape's leading side some 3 m short of the edge.
	constexpr float kSlideStart = -4.0f;
	constexpr int kSlideMostFrames = 60;
	// A slide is over once the centre is this far past the edge.
	constexpr float kPastTheEdge = 4.0f;
	// Above this speed a body that moves less than a tenth of its step is held.
	constexpr float kHeldAboveSpeed = 5.0f;
	// The most a step may carry a body back against its slide.
	constexpr float kMostBack = 0.05f;

	struct EdgeSurface
	{
		enum Kind
		{
			kCliff,
			kRidge,
			kWallTop
		};
		const char* name;
		Kind kind;
		// How steeply a ridge's far side goes down, in degrees.
		float slope;
		bool ofBoxes;

		float Back() const { return kind == kWallTop ? -kWallTopWidth : -kEdgeFloorLength; }
		friend void PrintTo(const EdgeSurface& edge, std::ostream* out) { *out << edge.name; }
	};

	// The floor's top at y = 0 for x < 0, and what goes down from its edge at x = 0: a vertical face,
	// or the slope; a wall's top has a second face at its back.
	void BuildMesh(PhysicsScene& scene, const EdgeSurface& edge)
	{
		const float w = kEdgeFloorLength;
		CollisionMeshFile::Mesh mesh;
		const auto addQuad = [&mesh](const Tuple3f& a, const Tuple3f& b, const Tuple3f& c, const Tuple3f& d) {
			const auto first = static_cast<std::uint32_t>(mesh.vertices.size());
			mesh.vertices.insert(mesh.vertices.end(), {a, b, c, d});
			for (std::uint32_t corner : {0u, 2u, 1u, 0u, 3u, 2u})
				mesh.indices.push_back(first + corner);
		};
		addQuad({edge.Back(), 0, -w}, {0, 0, -w}, {0, 0, w}, {edge.Back(), 0, w});
		const float angle = edge.slope * kEdgeHalfTurn / 180.0f;
		const Tuple3f down = edge.kind == EdgeSurface::kRidge ? Tuple3f(w * std::cos(angle), -w * std::sin(angle), 0)
															   : Tuple3f(0, -kCliffDepth, 0);
		addQuad({0, 0, -w}, Tuple3f(0, 0, -w) + down, Tuple3f(0, 0, w) + down, {0, 0, w});
		if (edge.kind == EdgeSurface::kWallTop)
			addQuad({edge.Back(), 0, w}, {edge.Back(), -kCliffDepth, w}, {edge.Back(), -kCliffDepth, -w}, {edge.Back(), 0, -w});
		scene.AddMesh(std::move(mesh));
	}

	// The same top and faces as boxes: one under the floor, and for a ridge one turned down the slope.
	void BuildBoxes(PhysicsScene& scene, const EdgeSurface& edge)
	{
		test::BodyShape shape;
		shape.isStatic = true;
		shape.scale = Tuple3f(-edge.Back(), kCliffDepth, 2 * kEdgeFloorLength);
		scene.Add(shape, Tuple3f(0.5f * edge.Back(), -0.5f * kCliffDepth, 0));
		if (edge.kind != EdgeSurface::kRidge)
			return;
		const float angle = edge.slope * kEdgeHalfTurn / 180.0f;
		shape.scale = Tuple3f(kEdgeFloorLength, 1, 2 * kEdgeFloorLength);
		shape.rotation = Tuple3f(0, 0, -edge.slope);
		// Its top's near edge on the floor's edge.
		scene.Add(shape, Tuple3f(0.5f * kEdgeFloorLength * std::cos(angle) - 0.5f * std::sin(angle),
							 -0.5f * kEdgeFloorLength * std::sin(angle) - 0.5f * std::cos(angle), 0));
	}

	// What slides, lying as it rests on a floor.
	struct Slider
	{
		Thrown thrown;
		// A keg lying on its side rolls and slides as a barrel.
		bool onItsSide;

		std::string Name() const { return onItsSide ? "barrel" : thrown.name; }
		float Height() const { return onItsSide ? thrown.size.x : thrown.size.y; }
	};
	const Slider kSliders[] = {{test::kCrate, false}, {test::kKeg, true}, {test::kKeg, false}, {test::kHutPiece, false},
		{{"plate", "cube", {2, 0.1f, 2}, 10, 0.6f}, false}};

	// How a slide starts: the body turned about the vertical, sliding that way and spinning that
	// fast about it; set on the floor, or first left to settle into it for that many steps.
	struct SlideStart
	{
		float yaw = 0.0f;
		float heading = 0.0f;
		float spin = 0.0f;
		int settleSteps = 0;
	};

	struct SlideOutcome
	{
		int longestHold = 0;
		float mostBack = 0.0f;
		bool over = false;
	};

	SlideOutcome SlideOver(PhysicsScene& scene, const Slider& slider, float speed, const SlideStart& start)
	{
		const Quaternion lying =
			QuaternionFromRotationVector(Tuple3f(slider.onItsSide ? 0.5f * kEdgeHalfTurn : 0.0f, 0, 0));
		const Quaternion turn = QuaternionFromRotationVector(Tuple3f(0, start.yaw, 0)) * lying;
		RigidBody& body = test::AddThrown(scene, slider.thrown, Tuple3f(kSlideStart, 0.5f * slider.Height(), 0), turn);
		scene.Step(start.settleSteps);
		body.Wake();
		const Tuple3f direction(std::cos(start.heading), 0, std::sin(start.heading));
		body.velocity = direction * speed;
		body.angularVelocity = Tuple3f(0, start.spin, 0);
		const float dt = scene.physics->GetSettings().timeStep;
		SlideOutcome outcome;
		int hold = 0;
		for (int frame = 0; frame < kSlideMostFrames && body.GetPosition().x < kPastTheEdge; ++frame)
		{
			const Tuple3f from = body.GetPosition();
			const float stepSpeed = static_cast<float>(body.velocity.Length());
			scene.Step();
			const Tuple3f moved = body.GetPosition() - from;
			outcome.mostBack = std::max(outcome.mostBack, -moved.DotProduct(direction));
			hold = stepSpeed > kHeldAboveSpeed && moved.Length() < 0.1f * stepSpeed * dt ? hold + 1 : 0;
			outcome.longestHold = std::max(outcome.longestHold, hold);
			outcome.over = outcome.over || body.GetPosition().x > 0.0f;
		}
		body.GetOwner().object->Destroy();
		ProcessObjectChanges();
		return outcome;
	}

	const EdgeSurface kEdges[] = {{"MeshCliff", EdgeSurface::kCliff, 0, false}, {"MeshRidgeOf30Degrees", EdgeSurface::kRidge, 30, false},
		{"MeshRidgeOf60Degrees", EdgeSurface::kRidge, 60, false}, {"MeshWallTop", EdgeSurface::kWallTop, 0, false},
		{"BoxCliff", EdgeSurface::kCliff, 0, true}, {"BoxRidgeOf30Degrees", EdgeSurface::kRidge, 30, true},
		{"BoxRidgeOf60Degrees", EdgeSurface::kRidge, 60, true}, {"BoxWallTop", EdgeSurface::kWallTop, 0, true}};

	class EdgeSlide : public testing::TestWithParam<EdgeSurface>
	{
	};

	// Each game shape at 12-45 m/s: straight at the edge unturned, then turned, aimed up to 30
	// degrees off the edge's normal and spinning, half of them first settled into the floor as the
	// contacts leave a resting body.
	TEST_P(EdgeSlide, EveryGameShapeSlidesOverTheEdgeNeitherHeldNorThrownBack)
	{
		const EdgeSurface& edge = GetParam();
		PhysicsScene scene;
		(edge.ofBoxes ? BuildBoxes : BuildMesh)(scene, edge);
		scene.LoadLevel();
		scene.Step(static_cast<int>(Physics::kWarmUpSteps));
		for (const Slider& slider : kSliders)
			for (const float speed : {12.0f, 20.0f, 30.0f, 45.0f})
			{
				tw::RandomSequence draws(3);
				SlideOutcome worst;
				int notOver = 0;
				for (int shot = 0; shot < 12; ++shot)
				{
					SlideStart start;
					if (shot > 0)
						start = {RandomIn(draws, -kEdgeHalfTurn, kEdgeHalfTurn), RandomIn(draws, -kEdgeHalfTurn / 6, kEdgeHalfTurn / 6),
							RandomIn(draws, -3, 3), shot % 2 == 0 ? 0 : 10 * shot};
					const SlideOutcome outcome = SlideOver(scene, slider, speed, start);
					worst.longestHold = std::max(worst.longestHold, outcome.longestHold);
					worst.mostBack = std::max(worst.mostBack, outcome.mostBack);
					notOver += outcome.over ? 0 : 1;
				}
				const std::string row = slider.Name() + " at " + std::to_string(static_cast<int>(speed)) + " m/s";
				EXPECT_LE(worst.longestHold, 1) << row << ": steps held at the edge";
				EXPECT_LE(worst.mostBack, kMostBack) << row << ": thrown back against its slide";
				EXPECT_EQ(notOver, 0) << row << ": slides that never went over the edge";
			}
	}

	INSTANTIATE_TEST_SUITE_P(ConvexEdges, EdgeSlide, testing::ValuesIn(kEdges),
		[](const testing::TestParamInfo<EdgeSurface>& info) { return std::string(info.param.name); });
}
