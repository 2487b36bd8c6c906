// The collision stages of the physics step. The sweep-and-prune updates 1,000 and 2,500 boxes (its
// capacity) of which 1% move each step, scattered through a volume and resting on one flat floor,
// beside a brute-force check of every pair's boxes; the counters give the size of its overlap map
// and pair map. The narrow phase runs each cell of the shape-pair table on overlapping pairs at
// random poses: the pair test and the contact generation, per pair.
#include "Systems/Physics/NarrowPhaseContext.h"
#include "Systems/Physics/PrimitiveCollider.h"
#include "Systems/Physics/RigidBody.h"
#include "Systems/Physics/SweepPrune.h"
#include "Utilities/Random.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

namespace
{
	using Box = std::array<float, 6>;

	constexpr float kMovingShare = 0.01f;

	float RandomIn(float low, float high)
	{
		return low + (high - low) * static_cast<float>(tw::Rand()) / tw::kRandMax;
	}

	enum Layout
	{
		kScattered,
		kOnFloor,
	};

	// Boxes of 0.5 to 2 units: scattered through a cube of about one box per 40 cubic units, or
	// standing side by side on the floor, every one from height 0 up.
	std::vector<Box> MakeBoxes(int count, Layout layout)
	{
		tw::SeedRand(2024);
		const float side = layout == kScattered ? std::cbrt(40.0f * static_cast<float>(count)) : std::sqrt(6.0f * static_cast<float>(count));
		std::vector<Box> boxes(static_cast<std::size_t>(count));
		for (Box& box : boxes)
		{
			const float x = RandomIn(0, side), z = RandomIn(0, side), half = RandomIn(0.25f, 1.0f);
			const float bottom = layout == kScattered ? RandomIn(0, side) : 0.0f;
			box = {x - half, bottom, z - half, x + half, bottom + 2 * half, z + half};
		}
		return boxes;
	}

	// Moves 1% of the boxes a little (sliding along the floor there), a different 1% each step.
	void MoveSome(std::vector<Box>& boxes, Layout layout, int& cursor)
	{
		const int moving = std::max(1, static_cast<int>(static_cast<float>(boxes.size()) * kMovingShare));
		for (int i = 0; i < moving; ++i)
		{
			Box& box = boxes[static_cast<std::size_t>(cursor)];
			cursor = (cursor + 1) % static_cast<int>(boxes.size());
			const float dx = RandomIn(-0.05f, 0.05f), dz = RandomIn(-0.05f, 0.05f);
			const float dy = layout == kScattered ? RandomIn(-0.05f, 0.05f) : 0.0f;
			box[0] += dx, box[3] += dx, box[1] += dy, box[4] += dy, box[2] += dz, box[5] += dz;
		}
	}

	void BM_SweepPruneUpdate(benchmark::State& state)
	{
		const auto layout = static_cast<Layout>(state.range(1));
		std::vector<Box> boxes = MakeBoxes(static_cast<int>(state.range(0)), layout);
		SweepPrune sap;
		sap.AddAxis("X", 0);
		sap.AddAxis("Z", 2);
		sap.AddAxis("Y", 1);
		for (Box& box : boxes)
			sap.Insert(&box, box.data());
		sap.Update();
		int cursor = 0;
		for (auto _ : state)
		{
			MoveSome(boxes, layout, cursor);
			sap.Update();
		}
		state.counters["overlaps"] = static_cast<double>(sap.GetOverlapCount());
		state.counters["pairs"] = static_cast<double>(sap.GetPairs().size());
		state.SetLabel(layout == kScattered ? "scattered" : "on one floor");
	}
	BENCHMARK(BM_SweepPruneUpdate)
		->ArgsProduct({{1000, SweepPrune::kMaxBoxes}, {kScattered, kOnFloor}})
		->Unit(benchmark::kMicrosecond);

	// The reference: every pair of boxes tested each step.
	void BM_BruteForcePairs(benchmark::State& state)
	{
		const auto layout = static_cast<Layout>(state.range(1));
		std::vector<Box> boxes = MakeBoxes(static_cast<int>(state.range(0)), layout);
		int cursor = 0;
		for (auto _ : state)
		{
			MoveSome(boxes, layout, cursor);
			int pairs = 0;
			for (std::size_t i = 0; i < boxes.size(); ++i)
				for (std::size_t j = i + 1; j < boxes.size(); ++j)
				{
					const Box &a = boxes[i], &b = boxes[j];
					pairs += a[0] < b[3] && b[0] < a[3] && a[1] < b[4] && b[1] < a[4] && a[2] < b[5] && b[2] < a[5];
				}
			benchmark::DoNotOptimize(pairs);
			state.counters["pairs"] = pairs;
		}
		state.SetLabel(layout == kScattered ? "scattered" : "on one floor");
	}
	BENCHMARK(BM_BruteForcePairs)
		->ArgsProduct({{1000, SweepPrune::kMaxBoxes}, {kScattered, kOnFloor}})
		->Unit(benchmark::kMicrosecond);

	constexpr const char* kKindShapes[] = {"cube", "cone", "cylinder", "sphere", "plane"};
	constexpr int kPosesPerCell = 256;

	Tuple3f SizeOf(const std::string& shape)
	{
		const float x = RandomIn(0.6f, 1.4f);
		return shape == "sphere" ? Tuple3f(x, x, x) : Tuple3f(x, RandomIn(0.6f, 1.4f), RandomIn(0.6f, 1.4f));
	}

	Tuple3f RandomTurn()
	{
		return {RandomIn(-3.1f, 3.1f), RandomIn(-3.1f, 3.1f), RandomIn(-3.1f, 3.1f)};
	}

	struct Placed
	{
		RigidBody body;
		PrimitiveCollider piece;

		// Spheres stay round, so that their own tests serve them rather than GJK.
		Placed(const char* shape, const Tuple3f& position, const Tuple3f& turn) : piece(SizeOf(shape), shape, Tuple3f(), Tuple3f())
		{
			body.orientation = QuaternionFromRotationVector(turn);
			body.transforms = ShapeTransforms::From(position, Tuple3f(1.0f, 1.0f, 1.0f), body.orientation);
			piece.UpdateTransform(body);
		}
	};

	class ContactCount : public ContactReceiver
	{
	public:
		unsigned GetContactCount() const override { return count; }
		void AddContact(const ContactPoint&) override { ++count; }
		unsigned count = 0;
	};

	void BM_NarrowPhasePair(benchmark::State& state)
	{
		const int row = static_cast<int>(state.range(0)), column = static_cast<int>(state.range(1));
		tw::SeedRand(7);
		NarrowPhaseContext context;
		// Poses whose pair test reports an overlap, so each pair also builds its contacts.
		std::vector<std::pair<Placed, Placed>> poses;
		while (static_cast<int>(poses.size()) < kPosesPerCell)
		{
			std::pair<Placed, Placed> pose(Placed(kKindShapes[row], {0, 0, 0}, RandomTurn()),
				Placed(kKindShapes[column], {RandomIn(-0.5f, 0.5f), RandomIn(-0.5f, 0.5f), RandomIn(-0.5f, 0.5f)}, RandomTurn()));
			if (context.TestPair(pose.first.piece, pose.second.piece))
				poses.push_back(pose);
		}
		ContactCount contacts;
		for (auto _ : state)
			for (const auto& [first, second] : poses)
				if (context.TestPair(first.piece, second.piece))
					context.GenerateContactManifold(second.piece, first.piece, contacts);
		state.SetItemsProcessed(state.iterations() * kPosesPerCell);
		state.counters["contacts/pair"] = static_cast<double>(contacts.count) / static_cast<double>(state.iterations() * kPosesPerCell);
		state.SetLabel(std::string(kKindShapes[row]) + "/" + kKindShapes[column]);
	}

	void NarrowPhaseCells(benchmark::internal::Benchmark* benchmark)
	{
		for (int row = 0; row < 5; ++row)
			for (int column = row; column < 5; ++column)
				benchmark->Args({row, column});
	}
	BENCHMARK(BM_NarrowPhasePair)->Apply(NarrowPhaseCells)->Unit(benchmark::kMicrosecond);
}
