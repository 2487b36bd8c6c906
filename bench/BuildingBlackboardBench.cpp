// Choosing the next piece of a house to put back: BuildingBlackboard::NextObject on a house of 120
// pieces (four layers of 30 bricks, 1 to 2 units long, half of them turned a quarter) whose two
// upper layers, 60 pieces, lie loose beside it, against a brute-force reference that tries every
// loose piece against every empty slot in all four turns, turning the piece's body to its rest
// orientation and back for each pair as a straightforward implementation would. Beside it, the
// golem's RebuildHouse leaf on the same house: an update while it walks, and the start that
// refreshes the house and chooses the piece (the heaviest frame of a rebuild).
#include "BenchEngine.h"

#include "Components/Logic/AvailableObjects.h"
#include "ObjectGroup.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Systems/Logic/Logic.h"

#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Systems/Logic/BuildingBlackboard.h"
#include "Systems/Physics/Collider.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Utilities/Quaternion.h"
#include "Utilities/Random.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	constexpr int kBricksAlong = 10;
	constexpr int kRows = 3;
	constexpr int kLayers = 4;
	constexpr float kQuarterTurn = 1.5707964f;

	std::string BodyValues(const Tuple3f& size)
	{
		return "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><string>DEFAULT"
			   "</string><Composite><string>CompositePrimitive</string><Collider><string>cube</string><Tuple3f>0 0 0</Tuple3f>"
			   "<Tuple3f>0 0 0</Tuple3f><Tuple3f>" +
			std::to_string(size.x) + " " + std::to_string(size.y) + " " + std::to_string(size.z) + "</Tuple3f></Collider></Composite>";
	}

	class HouseWorld
	{
	public:
		HouseWorld() : engine(bench::MakeEngine("BlackboardBenchUser", "<Config><Physics><Max_Bodies>400</Max_Bodies></Physics></Config>"))
		{
			engine->AddSystem(new Physics());
			engine->AddSystem(new Logic());
			group = ObjectGroup::Create();
			tw::SeedRand(1);
			std::vector<unsigned> upper;
			for (int layer = 0; layer < kLayers; ++layer)
				for (int row = 0; row < kRows; ++row)
				{
					float x = 0.0f;
					for (int brick = 0; brick < kBricksAlong; ++brick)
					{
						const float length = 1.0f + 0.25f * static_cast<float>((brick + row + layer) % 5);
						// Odd rows hold bricks made long in z and turned a quarter about y to lie along x.
						const bool turned = row % 2 == 1;
						const Tuple3f size = turned ? Tuple3f(1, 1, length) : Tuple3f(length, 1, 1);
						const Object piece = AddBody(Tuple3f(x + 0.5f * length, 0.5f + static_cast<float>(layer), 0.5f + static_cast<float>(row)), size);
						if (turned)
							piece.SendMessage(Message("SetRot").Push(Tuple3f(0, kQuarterTurn, 0)));
						x += length;
						piece.object->SetGroup(group->GetId());
						pieces.push_back(piece.id);
						if (layer >= kLayers / 2)
							upper.push_back(piece.id);
					}
				}
			std::vector<ObjectBoundsRecord> records;
			for (unsigned id : pieces)
				records.push_back(*ObjectBoundsRecord::Measure(id));
			board.Build(records);
			for (unsigned id : upper)
				upperHomes.push_back(static_cast<Transform*>(FindComponent(id, Transform::TypeId()))->GetWorldPosition());
			// The upper layers lie scattered beside the house.
			for (std::size_t i = 0; i < upper.size(); ++i)
				ObjectFromId(upper[i]).SendMessage(Message("SetPos").Push(
					Tuple3f(30.0f + 3.0f * static_cast<float>(i % 10), 0.5f, 3.0f * static_cast<float>(i / 10))));
			for (unsigned id : upper)
				loose.push_back(*ObjectBoundsRecord::Measure(id));
			board.Refresh();
		}
		~HouseWorld() { engine->Shutdown(); }

		// Undoes the reservation and offers the loose pieces again.
		void Reset(const BuildingBlackboard::ObjPos& placement)
		{
			board.RemoveObject(placement);
			board.SetAvailable(loose);
			board.Refresh();
		}

		std::unique_ptr<Engine> engine;
		BuildingBlackboard board;
		std::vector<unsigned> pieces;
		std::vector<ObjectBoundsRecord> loose;

		ObjectGroup* group = nullptr;
		// Where the upper layers stood before they were scattered.
		std::vector<Tuple3f> upperHomes;

		static Object AddBody(const Tuple3f& position, const Tuple3f& size)
		{
			const Object object = CreateObject("Brick");
			object.object->AddComponent(Transform::TypeId());
			object.object->GetComponent<Transform>()->SetWorldPosition(position);
			object.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
			bench::AddLoaded(object, Body::TypeId(), BodyValues(size));
			object.object->Start();
			return object;
		}
	};

	double SharedVolume(const AABB& a, const AABB& b)
	{
		double volume = 1.0;
		for (int axis = 0; axis < 3; ++axis)
			volume *= std::max(0.0f, std::min(a.max[axis], b.max[axis]) - std::max(a.min[axis], b.min[axis]));
		return volume;
	}

	AABB Centred(const AABB& box)
	{
		const Tuple3f centre = box.Centre();
		return {box.min - centre, box.max - centre};
	}

	// The piece's box in its rest orientation, by turning its body there and back.
	AABB TurnedBox(RigidBody& body)
	{
		const Quaternion saved = body.orientation;
		body.SetOrientation(Quaternion(0.0f, 0.0f, 1.0f, 0.0f));
		body.UpdateDerived();
		const float* bounds = body.collider->GetBounds();
		const AABB box{{bounds[0], bounds[1], bounds[2]}, {bounds[3], bounds[4], bounds[5]}};
		body.SetOrientation(saved);
		body.UpdateDerived();
		return box;
	}

	// Every loose piece against every empty slot in four turns; the best score.
	double BruteForceNextObject(const std::vector<ObjectBoundsRecord>& loose, const std::vector<const BuildingBlackboard::Node*>& emptySlots)
	{
		double best = std::numeric_limits<double>::max();
		for (const ObjectBoundsRecord& piece : loose)
		{
			RigidBody& body = *static_cast<Body*>(FindComponent(piece.objectId, Body::TypeId()))->GetBody();
			for (const BuildingBlackboard::Node* slot : emptySlots)
			{
				const AABB turned = Centred(TurnedBox(body));
				const AABB centredSlot = Centred(slot->box);
				double shared = SharedVolume(turned, centredSlot);
				for (int axis = 0; axis < 3; ++axis)
				{
					AABB quarter = turned;
					quarter.RotateQuarterTurn(axis);
					shared = std::max(shared, SharedVolume(quarter, centredSlot));
				}
				best = std::min(best, std::fabs(turned.Volume() + centredSlot.Volume() - 2.0 * shared));
			}
		}
		return best;
	}

	void EmptyLeaves(const BuildingBlackboard::Node* node, std::vector<const BuildingBlackboard::Node*>& out)
	{
		if (node == nullptr)
			return;
		if (node->IsLeaf() && node->available)
			out.push_back(node);
		EmptyLeaves(node->left, out);
		EmptyLeaves(node->right, out);
	}

	void BM_NextObject(benchmark::State& state)
	{
		HouseWorld world;
		world.Reset({});
		for (auto _ : state)
		{
			const BuildingBlackboard::ObjPos placement = world.board.NextObject();
			benchmark::DoNotOptimize(placement.objectId);
			state.PauseTiming();
			if (placement.objectId == 0)
				state.SkipWithError("nothing placed");
			world.Reset(placement);
			state.ResumeTiming();
		}
	}
	BENCHMARK(BM_NextObject)->Unit(benchmark::kMicrosecond);

	void BM_NextObjectBruteForce(benchmark::State& state)
	{
		HouseWorld world;
		world.Reset({});
		std::vector<const BuildingBlackboard::Node*> emptySlots;
		EmptyLeaves(world.board.Root(), emptySlots);
		state.counters["empty_slots"] = static_cast<double>(emptySlots.size());
		for (auto _ : state)
			benchmark::DoNotOptimize(BruteForceNextObject(world.loose, emptySlots));
	}
	BENCHMARK(BM_NextObjectBruteForce)->Unit(benchmark::kMicrosecond);

	// The house of the world as a level has it: its owner above it, recorded at level load, its
	// upper layers knocked aside and the rebuild begun; a golem 15 units away with a RebuildHouse.
	class RebuildScene
	{
	public:
		RebuildScene()
		{
			owner = CreateObject("House");
			owner.object->AddComponent(Transform::TypeId());
			owner.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(6, 6, 1.5f));
			bench::AddLoaded(owner, AvailableObjects::TypeId(), "<int>50</int><int>8</int>");
			owner.object->SetGroup(world.group->GetId());
			owner.object->Start();
			const std::size_t firstUpper = world.pieces.size() - world.upperHomes.size();
			for (std::size_t i = 0; i < world.upperHomes.size(); ++i)
				ObjectFromId(world.pieces[firstUpper + i]).SendMessage(Message("SetPos").Push(world.upperHomes[i]));
			static_cast<AvailableObjects*>(FindComponent(owner.id, AvailableObjects::TypeId()))->BuildBlackboard();
			for (std::size_t i = 0; i < world.upperHomes.size(); ++i)
				ObjectFromId(world.pieces[firstUpper + i]).SendMessage(Message("SetPos").Push(Tuple3f(
					-10.0f - 3.0f * static_cast<float>(i % 10), 0.5f, 3.0f * static_cast<float>(i / 10))));
			// One step files the scattered pieces where the region queries look for them.
			Physics::Instance()->Update();
			owner.SendMessage(Message("Clear"));
			golem = CreateObject("Golem");
			golem.object->AddComponent(Transform::TypeId());
			golem.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(6, 0, 16.5f));
			golem.object->Start();
			node = CreateBehavior("RebuildHouse");
			node->owner = golem.object;
			std::istringstream text("<Component><float>40</float><float>3</float><string>hold</string><Tuple3f>0 1 0</Tuple3f></Component>");
			Serializer fields;
			fields.LoadFromStream(text, "RebuildBenchFields");
			node->Deserialize(fields);
		}

		bool Start()
		{
			node->status = Running;
			node->Start();
			return node->status == Running;
		}

		HouseWorld world;
		Object owner;
		Object golem;
		std::unique_ptr<BehaviorNode> node;
	};

	void BM_RebuildHouseStart(benchmark::State& state)
	{
		RebuildScene scene;
		for (auto _ : state)
		{
			if (!scene.Start())
				state.SkipWithError("no piece to fetch");
			state.PauseTiming();
			scene.node->Finish();
			state.ResumeTiming();
		}
	}
	BENCHMARK(BM_RebuildHouseStart)->Unit(benchmark::kMicrosecond);

	void BM_RebuildHouseWalkingUpdate(benchmark::State& state)
	{
		RebuildScene scene;
		if (!scene.Start())
			state.SkipWithError("no piece to fetch");
		for (auto _ : state)
		{
			scene.node->Update();
			state.PauseTiming();
			// A run longer than the 20 s walk would fail it; start the walk again.
			if (scene.node->status != Running)
			{
				scene.node->Finish();
				scene.Start();
			}
			state.ResumeTiming();
		}
	}
	BENCHMARK(BM_RebuildHouseWalkingUpdate)->Unit(benchmark::kMicrosecond);
}
