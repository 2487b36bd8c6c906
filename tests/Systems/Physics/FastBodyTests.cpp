// Fast bodies against static surfaces, in the game's physics world with gravity and the game's step:
// what the game throws, turned and spinning as a blow leaves it, shot from 3 m off a floor, a slab, a
// mesh or a wall and aimed 10-80 degrees into it. A body must stay on the side it came from, never
// hang beside a surface it does not touch, never leave a hit with more energy than it brought, and
// behave alike on both sides of the speed where the swept step starts.
#include "Systems/Physics/ThrownShapes.h"
#include "Utilities/Random.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

namespace
{
	using test::PhysicsScene;
	using test::Thrown;
	using test::kCrate;
	using test::kGameShapes;
	using test::AddThrown;

	constexpr float kPi = 3.14159265f;
	// Every surface is as wide as the shipped floors: 60 units square.
	constexpr float kHalfWidth = 30.0f;
	// sin 60 degrees: the crease's leaning face rises this much for each half unit it leans back.
	constexpr float kLean = 0.8660254f;
	// A trough a unit crate fits along with a little to spare.
	constexpr float kTroughWidth = 1.05f;
	constexpr int kShotsPerRow = 150;
	// How long a shot is watched after it first touches, and at most.
	constexpr int kFramesAfterTouch = 25;
	constexpr int kFastBodyMostFrames = 160;
	// Above this speed a body that moves less than a tenth of its step is held, unless it met a
	// surface in that step: a body already touching one is not held up by it.
	constexpr float kHeldAbove = 10.0f;
	// How deep beyond a surface a step of a fast body may end: its shape stops where it touches.
	constexpr float kDeepestFastStep = 0.1f;
	// The game shapes' half diagonal and more.
	constexpr float kEdgeMargin = 2.0f;

	// A face of a surface: a point p is beyond it, in the surface, when p . normal < at.
	struct Face
	{
		Tuple3f normal;
		float at = 0.0f;
	};

	// A static surface whose face passes through the origin: floors face up, the wall faces -x.
	struct Surface
	{
		enum Kind
		{
			kPlane,
			kBox,
			kMesh,
			kWall,
			// A floor and what rises from it along x = 0: a 1 m wall on a 0.4 m slab; the floor of a
			// mesh bent up there and back over itself, 60 degrees from the floor.
			kSlabMeetingWall,
			kCrease,
			// The slab between the 1 m wall and another like it kTroughWidth along -x.
			kTrough
		};
		const char* name;
		Kind kind;
		float thickness;
		float halfWidth = kHalfWidth;

		Tuple3f Normal() const { return kind == kWall ? Tuple3f(-1, 0, 0) : Tuple3f(0, 1, 0); }
		// The faces that rise from its floor: a centre beyond one has gone through.
		std::vector<Face> Rising() const
		{
			if (kind == kSlabMeetingWall)
				return {{{-1, 0, 0}}};
			if (kind == kCrease)
				return {{{-kLean, -0.5f, 0}}};
			if (kind == kTrough)
				return {{{-1, 0, 0}}, {{1, 0, 0}, -kTroughWidth}};
			return {};
		}
		// The faces no fast step may end deeper than a touch beyond, the floor's first: all but the
		// trough's walls, which squeeze a body turned wider than the trough from both sides.
		std::vector<Face> Faces() const
		{
			std::vector<Face> faces{{Normal()}};
			const std::vector<Face> rising = Rising();
			if (kind != kTrough)
				faces.insert(faces.end(), rising.begin(), rising.end());
			return faces;
		}
	};
	const Surface kPlaneFloor{"plane floor", Surface::kPlane, 0};
	const Surface kThinSlab{"0.4 m slab", Surface::kBox, 0.4f};
	const Surface kSlab{"1 m slab", Surface::kBox, 1};
	const Surface kMeshFloor{"mesh", Surface::kMesh, 0};
	const Surface kWall{"1 m wall", Surface::kWall, 1};
	const Surface kSheet{"5 cm slab", Surface::kBox, 0.05f};
	const Surface kSlabMeetingWall{"0.4 m slab meeting a 1 m wall", Surface::kSlabMeetingWall, 0.4f};
	const Surface kCrease{"crease of a mesh", Surface::kCrease, 0};
	const Surface kTrough{"trough one crate wide", Surface::kTrough, 0.4f};
	const Surface kSmallMesh{"40 m mesh", Surface::kMesh, 0, 20};
	const Surface kGameSurfaces[] = {kPlaneFloor, kThinSlab, kSlab, kMeshFloor, kWall};

	struct SpeedBand
	{
		float low, high;
	};
	// The player's own shots, and the hut blast's pieces as they fall.
	const SpeedBand kGameBands[] = {{15, 30}, {30, 60}};

	// Where and how a shot starts.
	struct FastShot
	{
		Quaternion turn;
		Tuple3f spin;
		Tuple3f direction;
		float speed;
	};

	// What became of a shot.
	struct FastOutcome
	{
		// The centre crossed the face while over the surface.
		bool through = false;
		// The longest run of held steps.
		int longestHold = 0;
		// The most energy it had after the first touch beyond what it brought, over its kinetic energy then.
		double energyGain = -1.0;
		// Where the body's centre was after each step.
		std::vector<Tuple3f> path;
		// How deep below the face the body reached at the end of the first step that took it past
		// the face, and how long that step was.
		float depthAtTouch = 0.0f;
		float stepIntoTouch = 0.0f;
		// How deep beyond a face the body reached at the end of any step longer than half its
		// thinnest extent, over the middle of the surface.
		float deepestFastStep = 0.0f;
	};

	// Any turn, the spin a blow gives (up to 5 rad/s about each axis), aimed 10-80 degrees into the
	// surface in any direction along it.
	FastShot DrawShot(tw::RandomSequence& draws, const Surface& surface, const SpeedBand& band)
	{
		FastShot shot;
		const Tuple3f turn(RandomIn(draws, -kPi, kPi), RandomIn(draws, -kPi, kPi), RandomIn(draws, -kPi, kPi));
		shot.turn = QuaternionFromRotationVector(turn);
		shot.spin = Tuple3f(RandomIn(draws, -5, 5), RandomIn(draws, -5, 5), RandomIn(draws, -5, 5));
		const float below = RandomIn(draws, 10, 80) * kPi / 180.0f;
		const float heading = RandomIn(draws, 0, 2 * kPi);
		const Tuple3f normal = surface.Normal();
		const Tuple3f across = surface.kind == Surface::kWall ? Tuple3f(0, 0, 1) : Tuple3f(1, 0, 0);
		const Tuple3f along = Tuple3f().CrossProduct(normal, across);
		shot.direction = (across * std::cos(heading) + along * std::sin(heading)) * std::cos(below) - normal * std::sin(below);
		shot.speed = RandomIn(draws, band.low, band.high);
		return shot;
	}

	// How far the body's deepest point lies beyond the face.
	float DepthBeyond(const RigidBody& body, const Face& face)
	{
		float depth = 0.0f;
		for (unsigned i = 0; i < body.collider->GetGeometryCount(); ++i)
			depth = std::max(depth, face.at - static_cast<float>(body.collider->GetGeometry(i)->Support(-face.normal).DotProduct(face.normal)));
		return depth;
	}

	// Builds the surface's static bodies and lists them in built.
	void Build(PhysicsScene& scene, const Surface& surface, std::vector<const RigidBody*>& built)
	{
		test::BodyShape shape;
		shape.isStatic = true;
		const float half = 0.5f * surface.thickness;
		const float halfWidth = surface.halfWidth;
		RigidBody* body = nullptr;
		switch (surface.kind)
		{
		case Surface::kPlane:
			shape.shape = "plane";
			shape.scale = Tuple3f(2 * halfWidth, 2 * halfWidth, 1);
			shape.rotation = Tuple3f(-90, 0, 0);
			body = &scene.Add(shape, Tuple3f());
			break;
		case Surface::kBox:
			shape.scale = Tuple3f(2 * halfWidth, surface.thickness, 2 * halfWidth);
			body = &scene.Add(shape, Tuple3f(0, -half, 0));
			break;
		case Surface::kMesh:
			body = &scene.AddMesh({{{-halfWidth, 0, -halfWidth}, {halfWidth, 0, -halfWidth}, {halfWidth, 0, halfWidth},
									  {-halfWidth, 0, halfWidth}},
				{0, 2, 1, 0, 3, 2}});
			break;
		case Surface::kWall:
			shape.scale = Tuple3f(surface.thickness, 2 * halfWidth, 2 * halfWidth);
			body = &scene.Add(shape, Tuple3f(half, 0, 0));
			break;
		case Surface::kTrough:
			shape.scale = Tuple3f(1, 2 * halfWidth, 2 * halfWidth);
			built.push_back(&scene.Add(shape, Tuple3f(-kTroughWidth - 0.5f, 0, 0)));
			[[fallthrough]];
		case Surface::kSlabMeetingWall:
			Build(scene, kWall, built);
			Build(scene, kThinSlab, built);
			return;
		case Surface::kCrease:
			body = &scene.AddMesh({{{-kHalfWidth, 0, -kHalfWidth}, {-kHalfWidth, 0, kHalfWidth}, {0, 0, kHalfWidth}, {0, 0, -kHalfWidth},
									  {-0.5f * kHalfWidth, kLean * kHalfWidth, kHalfWidth}, {-0.5f * kHalfWidth, kLean * kHalfWidth, -kHalfWidth}},
				{0, 1, 2, 0, 2, 3, 3, 2, 4, 3, 4, 5}});
			break;
		}
		// The shipped floors' friction.
		if (auto* material = body->GetOwner().object->GetComponent<PhysicsMaterial>())
			material->friction = 0.6f;
		built.push_back(body);
	}

	// A surface in a world past its warm-up steps, as a level is when the player shoots; each shot
	// adds its body, watches it and takes it away again.
	class Range
	{
	public:
		explicit Range(const Surface& surface) : surface(surface)
		{
			Build(scene, surface, faces);
			scene.LoadLevel();
			scene.Step(static_cast<int>(Physics::kWarmUpSteps));
		}

		// Fires the shot from 3 m off the surface, aimed so that a straight flight would strike its middle.
		FastOutcome Fire(const Thrown& thrown, const FastShot& shot)
		{
			const Tuple3f normal = surface.Normal();
			const float into = -shot.direction.DotProduct(normal);
			return Launch(thrown, shot, normal * 3 - (shot.direction + normal * into) * (3 / into));
		}

		// Watches the shot from start until it has settled into what the hit made of it.
		FastOutcome Launch(const Thrown& thrown, const FastShot& shot, const Tuple3f& start)
		{
			RigidBody& body = AddThrown(scene, thrown, start, shot.turn);
			body.velocity = shot.direction * shot.speed;
			body.angularVelocity = shot.spin;
			const FastOutcome outcome = Watch(body, std::min({thrown.size.x, thrown.size.y, thrown.size.z}));
			body.GetOwner().object->Destroy();
			ProcessObjectChanges();
			return outcome;
		}

		PhysicsScene scene;

	private:
		FastOutcome Watch(RigidBody& body, float thinnest)
		{
			const Tuple3f normal = surface.Normal();
			const float step = scene.physics->GetSettings().timeStep, gravity = scene.physics->GetSettings().gravityMagnitude;
			FastOutcome outcome;
			int hold = 0, touchedAt = -1;
			unsigned wasTouching = 0;
			double brought = 0.0, kinetic = 0.0;
			for (int frame = 0; frame < kFastBodyMostFrames && (touchedAt < 0 || frame < touchedAt + kFramesAfterTouch); ++frame)
			{
				const Tuple3f from = body.GetPosition();
				const float speed = static_cast<float>(body.velocity.Length());
				const double energy = test::Energy(body, gravity);
				scene.Step();
				const unsigned touching = Touching(body);
				const Tuple3f at = body.GetPosition();
				outcome.path.push_back(at);
				if (touchedAt >= 0)
					outcome.energyGain = std::max(outcome.energyGain, (test::Energy(body, gravity) - brought) / kinetic);
				else if (touching != 0)
				{
					touchedAt = frame;
					brought = energy;
					kinetic = 0.5 * body.mass * speed * speed;
				}
				const float depth = DepthBeyond(body, {normal});
				if (outcome.depthAtTouch == 0.0f && depth > 0.0f)
				{
					outcome.depthAtTouch = depth;
					outcome.stepIntoTouch = speed * step;
				}
				const Tuple3f across = at - normal * at.DotProduct(normal);
				const float offMiddle = std::max({std::fabs(across.x), std::fabs(across.y), std::fabs(across.z)});
				if (offMiddle > surface.halfWidth)
					break;
				// A step is fast by the velocity it was taken with, which the contacts may have changed
				// from the one the body began it with. Near an edge a body may tip past the face's
				// plane beside the surface.
				const float stepSpeed = static_cast<float>(body.velocity.Length());
				if (stepSpeed * step > 0.5f * thinnest && offMiddle < surface.halfWidth - kEdgeMargin)
					for (const Face& face : surface.Faces())
						outcome.deepestFastStep = std::max(outcome.deepestFastStep, DepthBeyond(body, face));
				outcome.through = outcome.through || at.DotProduct(normal) < 0.0f;
				const bool metTheSurface = (touching & ~wasTouching) != 0;
				wasTouching = touching;
				const bool held = speed > kHeldAbove && (at - from).Length() < 0.1f * speed * step && !metTheSurface;
				hold = held ? hold + 1 : 0;
				outcome.longestHold = std::max(outcome.longestHold, hold);
			}
			return outcome;
		}

		// Which faces of the surface's bodies (a slab, the wall rising from it, the two faces of one
		// creased mesh) the body touches, a bit each: a contact with the mesh's second face begins
		// where the first one's goes on. A contact counts for the face its normal is nearest.
		unsigned Touching(const RigidBody& body)
		{
			const unsigned bitsPerBody = static_cast<unsigned>(surfaceFaces.size());
			unsigned touched = 0;
			for (std::size_t i = 0; i < faces.size(); ++i)
			{
				// Only a manifold the detection found contacts for in this step outlives the step.
				const CollisionManifold* manifold = scene.physics->GetTransgression().FindManifold(body, *faces[i]);
				if (manifold == nullptr)
					continue;
				for (const ContactPoint* contact = manifold->contacts.first; contact != nullptr; contact = contact->next)
				{
					unsigned nearest = 0;
					for (unsigned face = 1; face < surfaceFaces.size(); ++face)
						if (std::fabs(contact->normal.DotProduct(surfaceFaces[face].normal)) >
							std::fabs(contact->normal.DotProduct(surfaceFaces[nearest].normal)))
							nearest = face;
					touched |= 1u << (static_cast<unsigned>(i) * bitsPerBody + nearest);
				}
			}
			return touched;
		}

		const Surface surface;
		std::vector<const RigidBody*> faces;
		// The floor's face and those rising from it, which a contact's normal tells apart.
		const std::vector<Face> surfaceFaces = [this] {
			std::vector<Face> all{{surface.Normal()}};
			const std::vector<Face> rising = surface.Rising();
			all.insert(all.end(), rising.begin(), rising.end());
			return all;
		}();
	};

	// A row of a table: what is shot onto what, how fast, and what became of its shots.
	struct FastBodyRow
	{
		Thrown thrown;
		Surface surface;
		SpeedBand band;

		std::string Name() const
		{
			return std::string(thrown.name) + " onto " + surface.name + " at " + std::to_string(static_cast<int>(band.low)) +
				"-" + std::to_string(static_cast<int>(band.high)) + " m/s";
		}
	};

	struct RowFigures
	{
		int through = 0;
		// Shots held at least one step, and the longest hold of any.
		int held = 0;
		int longestHold = 0;
		double energyGain = -1.0;
		float deepest = 0.0f;

		void Add(const FastOutcome& outcome)
		{
			deepest = std::max(deepest, outcome.deepestFastStep);
			through += outcome.through ? 1 : 0;
			held += outcome.longestHold > 0 ? 1 : 0;
			longestHold = std::max(longestHold, outcome.longestHold);
			energyGain = std::max(energyGain, outcome.energyGain);
		}
	};

	// One band of speeds onto one surface: a part of the table small enough to run within a test's
	// time under the sanitizers.
	struct Target
	{
		std::size_t band;
		std::size_t surface;
		std::string name;
	};

	// Every game shape onto the target's surface at its speeds. Each row of the whole table has a
	// seed of its own, so its shots stay the same however the table is split.
	std::vector<std::pair<FastBodyRow, RowFigures>> Shoot(const Target& target)
	{
		const SpeedBand& band = kGameBands[target.band];
		const Surface& surface = kGameSurfaces[target.surface];
		const std::size_t firstSeed = 1 + (target.band * std::size(kGameSurfaces) + target.surface) * std::size(kGameShapes);
		Range range(surface);
		std::vector<std::pair<FastBodyRow, RowFigures>> rows;
		for (std::size_t shape = 0; shape < std::size(kGameShapes); ++shape)
		{
			tw::RandomSequence draws(static_cast<unsigned>(firstSeed + shape));
			RowFigures figures;
			for (int shot = 0; shot < kShotsPerRow; ++shot)
				figures.Add(range.Fire(kGameShapes[shape], DrawShot(draws, surface, band)));
			rows.emplace_back(FastBodyRow{kGameShapes[shape], surface, band}, figures);
		}
		return rows;
	}

	void PrintTo(const Target& target, std::ostream* out)
	{
		*out << target.name;
	}

	class SweptStepShots : public testing::TestWithParam<Target>
	{
	};

	// What each row of shots must keep to: no energy gained in a hit, no hold longer than the step
	// in which a body is stopped where it first touches, no fast step ending deep in the surface.
	void ExpectSoundShots(const std::string& row, const RowFigures& figures)
	{
		EXPECT_LT(figures.energyGain, 0.01) << row << ": gain over the kinetic energy it struck with";
		EXPECT_LE(figures.longestHold, 1) << row << ": " << figures.held << " shots held";
		EXPECT_LE(figures.deepest, kDeepestFastStep) << row << ": deepest end of a fast step beyond the surface";
	}

	// Each shot is judged four ways, on every surface: its centre stays on the side of the surface
	// it came from; no hit leaves it with more energy than it brought; it is never held beside a
	// surface longer than the step in which it is stopped where it first touches; and no fast step
	// ends with its shape deep in the surface.
	TEST_P(SweptStepShots, NoneEndsBeyondTheSurfaceGainsEnergyOrHangsBesideIt)
	{
		for (const auto& [row, figures] : Shoot(GetParam()))
		{
			EXPECT_EQ(figures.through, 0) << row.Name() << ": shots through of " << kShotsPerRow;
			ExpectSoundShots(row.Name(), figures);
		}
	}

	std::vector<Target> EveryTarget()
	{
		const char* const surfaceNames[] = {"PlaneFloor", "ThinSlab", "Slab", "Mesh", "Wall"};
		static_assert(std::size(surfaceNames) == std::size(kGameSurfaces));
		const char* const bandNames[] = {"AtThePlayersSpeeds", "AtBlastSpeeds"};
		static_assert(std::size(bandNames) == std::size(kGameBands));
		std::vector<Target> targets;
		for (std::size_t band = 0; band < std::size(kGameBands); ++band)
			for (std::size_t surface = 0; surface < std::size(kGameSurfaces); ++surface)
				targets.push_back({band, surface, std::string(surfaceNames[surface]) + bandNames[band]});
		return targets;
	}

	INSTANTIATE_TEST_SUITE_P(GameShapes, SweptStepShots, testing::ValuesIn(EveryTarget()),
		[](const testing::TestParamInfo<Target>& info) { return info.param.name; });

	// The unit crate's swept step starts between 31 and 32 m/s: the same shot on either side of it
	// must end the same way, on its side of the surface and never held.
	TEST(SweptStep, TheSameShotAtThirtyOneAndThirtyTwoMetresASecondEndsAlike)
	{
		const auto kind = [](const FastOutcome& outcome) { return outcome.through ? "through" : outcome.longestHold > 1 ? "held" : "out"; };
		for (const Surface& surface : kGameSurfaces)
		{
			Range range(surface);
			tw::RandomSequence draws(7);
			int unlike = 0;
			for (int i = 0; i < kShotsPerRow; ++i)
			{
				FastShot shot = DrawShot(draws, surface, {31, 31});
				const FastOutcome slower = range.Fire(kCrate, shot);
				shot.speed = 32;
				const FastOutcome faster = range.Fire(kCrate, shot);
				unlike += std::string(kind(slower)) != kind(faster) || slower.through ? 1 : 0;
			}
			EXPECT_EQ(unlike, 0) << surface.name << ": shots that end otherwise at 32 m/s, or through at both";
		}
	}

	// A shot from a metre or two off the floor at a point of it up to a metre before what rises from
	// it (a wall, or a mesh's leaning face), or down the trough from inside it; whether its centre
	// ever crossed what rises from the floor, beside the floor.
	bool ShootIntoCorner(Range& range, tw::RandomSequence& draws, const Surface& corner, const Thrown& thrown,
		const SpeedBand& band, RowFigures& figures)
	{
		FastShot shot = DrawShot(draws, corner, band);
		Tuple3f start, aim;
		if (corner.kind == Surface::kTrough)
		{
			start = Tuple3f(-0.5f * kTroughWidth + RandomIn(draws, -0.1f, 0.1f), RandomIn(draws, 1, 2), -RandomIn(draws, 5, 8));
			aim = Tuple3f(-0.5f * kTroughWidth + RandomIn(draws, -0.5f, 0.5f), 0, -RandomIn(draws, 0, 2));
		}
		else
		{
			start = Tuple3f(-RandomIn(draws, 3, 6), RandomIn(draws, 1, 2), RandomIn(draws, -2, 2));
			aim = Tuple3f(-RandomIn(draws, 0, 1), 0, RandomIn(draws, -2, 2));
		}
		shot.direction = (aim - start).Normalize();
		const FastOutcome outcome = range.Launch(thrown, shot, start);
		figures.Add(outcome);
		const std::vector<Face> rising = corner.Rising();
		const auto crossed = [&](const Tuple3f& at) {
			return std::fabs(at.z) < corner.halfWidth &&
				std::any_of(rising.begin(), rising.end(), [&](const Face& face) { return at.DotProduct(face.normal) < face.at; });
		};
		return outcome.through || std::any_of(outcome.path.begin(), outcome.path.end(), crossed);
	}

	// A body stopped by the floor slides on along it in the same step, and must stop at the wall or
	// the mesh's leaning face, not pass it, nor gain energy there; one wedged across a trough must
	// not sink into its floor. In the game's bands every corner holds every fast step to the depth
	// of a touch, and no body longer than the step that stops it at the rising face.
	TEST(SweptStep, NoGameShapeShotIntoAnInsideCornerPassesEitherSurface)
	{
		constexpr int kShotsPerShape = 40;
		const SpeedBand bands[] = {kGameBands[0], kGameBands[1], {60, 300}};
		for (const Surface& corner : {kSlabMeetingWall, kCrease, kTrough})
		{
			Range range(corner);
			tw::RandomSequence draws(13);
			for (const SpeedBand& band : bands)
				for (const Thrown& thrown : kGameShapes)
				{
					const std::string row = FastBodyRow{thrown, corner, band}.Name();
					int through = 0;
					RowFigures figures;
					for (int i = 0; i < kShotsPerShape; ++i)
						through += ShootIntoCorner(range, draws, corner, thrown, band, figures) ? 1 : 0;
					EXPECT_EQ(through, 0) << row << ": shots through of " << kShotsPerShape;
					if (band.high <= kGameBands[1].high)
						ExpectSoundShots(row, figures);
				}
		}
	}

	// Cubes, spheres, cylinders and cones of any size from 0.3 to 1.3, at 30-300 m/s.
	TEST(Tunnel, AtMostTwoOfFourHundredRandomShapesPassAThinSlabOrAMesh)
	{
		int through = 0;
		std::string where;
		for (const Surface& surface : {kSheet, kMeshFloor})
		{
			Range range(surface);
			tw::RandomSequence draws(11);
			for (const char* primitive : {"cube", "sphere", "cylinder", "cone"})
				for (int i = 0; i < 50; ++i)
				{
					const float size = RandomIn(draws, 0.3f, 1.3f);
					const Thrown thrown{primitive, primitive, {size, size, size}, 50, 0.5f};
					if (range.Fire(thrown, DrawShot(draws, surface, {30, 300})).through)
					{
						++through;
						where += std::string(" ") + primitive + " of " + std::to_string(size) + " into " + surface.name + ";";
					}
				}
		}
		EXPECT_LE(through, 2) << where;
	}

	// Unit cubes, turned at random and the first at (45°, 45°, 0), dropped straight down from 3 m
	// over a point drawn within 10 m of the surface's middle, which on the mesh is on the diagonal
	// that splits it: none may pass, and none whose swept step carried it into the surface may end
	// that step more than a tenth deep.
	const Surface kDropSurfaces[] = {kSheet, kSlab, kPlaneFloor, kSmallMesh};
	const float kDropSpeeds[] = {30, 40, 60, 100, 150, 200, 300};
	constexpr int kCubesPerSpeed = 40;
	constexpr float kDeepestLanding = 0.1f;

	class SweptLanding : public testing::TestWithParam<std::size_t>
	{
	};

	TEST_P(SweptLanding, NoTurnedCubeGoesThroughOrLandsDeeperThanATenth)
	{
		const Surface& surface = kDropSurfaces[GetParam()];
		Range range(surface);
		for (const float speed : kDropSpeeds)
		{
			tw::RandomSequence draws(5);
			int through = 0;
			float deepest = 0.0f;
			for (int i = 0; i < kCubesPerSpeed; ++i)
			{
				const Tuple3f turn = i == 0 ? Tuple3f(kPi / 4, kPi / 4, 0)
											: Tuple3f(RandomIn(draws, -kPi, kPi), RandomIn(draws, -kPi, kPi), RandomIn(draws, -kPi, kPi));
				const float along = RandomIn(draws, -10, 10), across = RandomIn(draws, -10, 10);
				const FastShot shot{QuaternionFromRotationVector(turn), {}, {0, -1, 0}, speed};
				const FastOutcome outcome = range.Launch(kCrate, shot, Tuple3f(along, 3, i % 2 == 0 ? along : across));
				through += outcome.through ? 1 : 0;
				// A step no longer than half the cube is not swept: the contacts take it out.
				if (outcome.stepIntoTouch > 0.5f)
					deepest = std::max(deepest, outcome.depthAtTouch);
			}
			EXPECT_EQ(through, 0) << surface.name << " at " << speed << " m/s: cubes through of " << kCubesPerSpeed;
			EXPECT_LE(deepest, kDeepestLanding) << surface.name << " at " << speed << " m/s: deepest corner at touch";
		}
	}

	std::string DropSurfaceName(const testing::TestParamInfo<std::size_t>& info)
	{
		const char* const names[] = {"FiveCentimetreSlab", "OneMetreSlab", "PlaneFloor", "TwoTriangleMesh"};
		static_assert(std::size(names) == std::size(kDropSurfaces));
		return names[info.param];
	}

	INSTANTIATE_TEST_SUITE_P(TurnedCubes, SweptLanding, testing::Range<std::size_t>(0, std::size(kDropSurfaces)), DropSurfaceName);

	// A ghost stops nothing: a crate at 40 m/s over a pressure plate as Hillside's (a static ghost
	// 1.6 x 0.1 x 1.6 on the floor) moves each step as far as with no plate there.
	TEST(SweptStep, AFastCrateCrossesAGhostPlateAsIfItWereNotThere)
	{
		const struct
		{
			const char* what;
			Tuple3f start;
			Tuple3f turn;
			Tuple3f spin;
		} rows[] = {{"sliding on the floor", {-3, 0.5f, 0}, {}, {}},
			{"turned and spinning just above the floor", {-3, 0.75f, 0.3f}, {0.3f, 0.6f, 0.2f}, {0, 4, 3}}};
		for (const auto& row : rows)
		{
			const FastShot shot{QuaternionFromRotationVector(row.turn), row.spin, {1, 0, 0}, 40};
			// One world at a time: the physics system is the engine's one instance.
			const std::vector<Tuple3f> bare = Range(kPlaneFloor).Launch(kCrate, shot, row.start).path;
			Range plated(kPlaneFloor);
			test::BodyShape plate;
			plate.isStatic = true;
			plate.flags = kBodyGhost;
			plate.scale = Tuple3f(1.6f, 0.1f, 1.6f);
			plated.scene.Add(plate, Tuple3f(0, 0.05f, 0));
			const std::vector<Tuple3f> crossing = plated.Launch(kCrate, shot, row.start).path;
			ASSERT_GE(crossing.size(), 12u) << row.what;
			for (std::size_t step = 1; step < 12; ++step)
				EXPECT_GT(crossing[step].x - crossing[step - 1].x, 0.9f * (bare[step].x - bare[step - 1].x))
					<< row.what << ", step " << step << " ends at x " << crossing[step].x;
		}
	}
}
