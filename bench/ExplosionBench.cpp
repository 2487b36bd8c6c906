// A blast passed along a row of 200 touching explosive pieces (Explosion, Health, a body each):
// one "Explode" to the first sets off every piece in one frame, each damaging and pushing its
// neighbours, beside the same blast done by direct calls on the same bodies.
// Counted: the "Explode" and the Logic update that pushes, as the frame's gameplay work. The row is
// built once; between iterations, untimed, it is made ready again as a level would leave it: every
// piece healed, told of its neighbours again (a blast forgets its contacts) and a frame later (a
// hit in the millisecond of the last one is ignored), a component having come and gone meanwhile
// as it did while the row was rebuilt. The pieces' uses are negative so that they blast every
// time; within one blast the echoes of "Explode" end at the piece still passing it on, before uses
// is looked at, so the work is that of uses 1. The direct calls run twice: damage and pushes alone
// (the health a plain number), and the blast's whole work through the components' own calls
// (Health's damage rules and announcements, each piece's body grown and shrunk back), which leaves
// the messages as the only difference. The timed work of each runs in a function of its own, so
// that callgrind can count it alone (--toggle-collect).
#include "BenchEngine.h"

#include "Components/Logic/Explosion.h"
#include "Components/Logic/Health.h"
#include "Components/Physics/Body.h"
#include "Components/Transform.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/PendingRescales.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Physics/RigidBody.h"
#include "Systems/Physics/TransgressionManager.h"
#include "Utilities/Timer.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace
{
	constexpr int kPieces = 200;
	constexpr int kDamage = 5;
	constexpr float kForce = 100.0f;
	const std::string kBody = "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
							  "<string>DEFAULT</string><Composite><string>CompositePrimitive</string><Collider><string>cube</string>"
							  "<Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f></Collider></Composite>";
	// iScale, fScale, time 0 (one step), force, damage, uses -1 (never runs out).
	const std::string kExplosion = "<Tuple3f>1 1 1</Tuple3f><Tuple3f>2 2 2</Tuple3f><float>0</float><float>100</float><int>5</int><int>-1</int>";
	constexpr int kFullHealth = 1000;
	const std::string kHealth = "<unsigned>1000</unsigned><unsigned>0</unsigned><int>100000</int>";

	std::uint32_t now = 0;
	std::uint32_t GameTime() { return now; }

	class BlastWorld
	{
	public:
		BlastWorld() : engine(bench::MakeEngine("ExplosionBenchUser", "<Config><Physics><Max_Bodies>400</Max_Bodies></Physics></Config>"))
		{
			SetElapsedMillisecondsHook(&GameTime);
			engine->AddSystem(new Physics());
			logic = new Logic();
			engine->AddSystem(logic);
			Engine::SendMessage(Message("LevelLoaded"));
			BuildRow();
		}
		~BlastWorld()
		{
			SetElapsedMillisecondsHook(nullptr);
			engine->Shutdown();
		}

		// A row of unit cubes one unit apart, ready to blast.
		void BuildRow()
		{
			for (int index = 0; index < kPieces; ++index)
			{
				const Object piece = CreateObject("Piece");
				piece.object->AddComponent(Transform::TypeId());
				piece.object->GetComponent<Transform>()->SetWorldPosition(Tuple3f(static_cast<float>(index), 0.5f, 0.0f));
				piece.object->GetComponent<Transform>()->SetScale(Tuple3f(1, 1, 1));
				bench::AddLoaded(piece, Body::TypeId(), kBody);
				bench::AddLoaded(piece, Health::TypeId(), kHealth);
				bench::AddLoaded(piece, Explosion::TypeId(), kExplosion);
				piece.object->Start();
				pieces.push_back(piece);
			}
			ProcessObjectChanges();
			Rearm();
		}

		// Every piece at full health and told of its neighbours as the contacts would, a frame on.
		void Rearm()
		{
			// A component comes and goes first, as when the row was rebuilt for each blast: the
			// handlers then find their components again, those of the blast in the blast.
			const Object scratch = CreateObject("Scratch");
			scratch.object->AddComponent(Transform::TypeId());
			scratch.object->Destroy();
			ProcessObjectChanges();
			for (const Object& piece : pieces)
				piece.SendMessage(Message("Heal").PushInt(kFullHealth));
			for (int index = 0; index < kPieces; ++index)
				for (const int neighbour : {index - 1, index + 1})
					if (neighbour >= 0 && neighbour < kPieces)
						pieces[index].SendMessage(Message("Collision").PushU32(pieces[neighbour].id).Push(Tuple3f()).Push(Tuple3f(1, 0, 0))
							.PushFloat(0.01f).Push(BodyOf(neighbour)));
			// The first Logic update after a change also takes in the new objects, as it does
			// once after any change, not every frame.
			now += 16;
			logic->Update();
		}

		RigidBody* BodyOf(int index) const { return pieces[index].object->GetComponent<Body>()->GetBody(); }
		int HealthOf(int index) const { return pieces[index].object->GetComponent<Health>()->GetHealth(); }

		std::unique_ptr<Engine> engine;
		Logic* logic = nullptr;
		std::vector<Object> pieces;
	};

	[[gnu::noinline]] void SetOffBlast(BlastWorld& world)
	{
		world.pieces.front().SendMessage(Message("Explode"));
		world.logic->Update();
	}

	void BM_ExplodeThroughMessages(benchmark::State& state)
	{
		BlastWorld world;
		for (auto _ : state)
		{
			state.PauseTiming();
			world.Rearm();
			state.ResumeTiming();
			SetOffBlast(world);
		}
		if (world.HealthOf(kPieces - 1) == kFullHealth || world.BodyOf(kPieces - 1)->acceleration.x <= 0.0f)
			state.SkipWithError("the blast did not reach the last piece");
		state.SetItemsProcessed(state.iterations() * kPieces);
	}
	BENCHMARK(BM_ExplodeThroughMessages)->Unit(benchmark::kMicrosecond);

	// The push a blast gives a neighbour: away from the blasting piece's centre, scaled as the
	// neighbour is.
	void Push(RigidBody& body, const Tuple3f& centre)
	{
		const Tuple3f direction = (body.GetPosition() - centre).Normalize();
		const Tuple3f scale = body.transform->GetScale();
		const float averageScale = (scale.x + scale.y + scale.z) / 3.0f;
		body.acceleration += direction * (kForce * averageScale * averageScale * body.inverseMass);
	}

	// The same damage and pushes without messages, the health a plain number.
	[[gnu::noinline]] void BlastByDirectCalls(const std::vector<RigidBody*>& bodies, std::vector<int>& health)
	{
		for (int index = 0; index < kPieces; ++index)
			for (const int neighbour : {index - 1, index + 1})
				if (neighbour >= 0 && neighbour < kPieces)
				{
					health[neighbour] -= kDamage;
					Push(*bodies[neighbour], bodies[index]->GetPosition());
				}
	}

	struct PieceParts
	{
		Health* health;
		Body* body;
	};

	// The blast's whole work by direct calls on the same components: each piece damages its
	// neighbours through their Health, then grows its body, pushes the neighbours and shrinks back
	// as its update in Logic does, the rescales put off and settled as there.
	[[gnu::noinline]] void BlastByComponentCalls(const std::vector<PieceParts>& parts)
	{
		for (int index = 0; index < kPieces; ++index)
		{
			const Tuple3f centre = parts[index].body->GetBody()->GetPosition();
			for (const int neighbour : {index - 1, index + 1})
				if (neighbour >= 0 && neighbour < kPieces)
					parts[neighbour].health->TakeDamage(kDamage, &centre);
		}
		PendingRescales& rescales = Physics::Instance()->GetRescales();
		for (int index = 0; index < kPieces; ++index)
		{
			rescales.SetDeferring(true);
			parts[index].body->Rescale(Tuple3f(2, 2, 2));
			const Tuple3f centre = parts[index].body->GetBody()->GetPosition();
			for (const int neighbour : {index - 1, index + 1})
				if (neighbour >= 0 && neighbour < kPieces)
					Push(*parts[neighbour].body->GetBody(), centre);
			parts[index].body->Rescale(Tuple3f(1, 1, 1));
			rescales.SetDeferring(false);
			rescales.SettleAll();
		}
	}

	void BM_ExplodeByDirectCalls(benchmark::State& state)
	{
		BlastWorld world;
		std::vector<RigidBody*> bodies;
		for (int index = 0; index < kPieces; ++index)
			bodies.push_back(world.BodyOf(index));
		std::vector<int> health(kPieces);
		for (auto _ : state)
		{
			state.PauseTiming();
			health.assign(kPieces, kFullHealth);
			state.ResumeTiming();
			BlastByDirectCalls(bodies, health);
			benchmark::DoNotOptimize(health.data());
		}
		state.SetItemsProcessed(state.iterations() * kPieces);
	}
	BENCHMARK(BM_ExplodeByDirectCalls)->Unit(benchmark::kMicrosecond);

	void BM_ExplodeByComponentCalls(benchmark::State& state)
	{
		BlastWorld world;
		std::vector<PieceParts> parts;
		for (const Object& piece : world.pieces)
			parts.push_back({piece.object->GetComponent<Health>(), piece.object->GetComponent<Body>()});
		for (auto _ : state)
		{
			state.PauseTiming();
			world.Rearm();
			state.ResumeTiming();
			BlastByComponentCalls(parts);
		}
		if (world.HealthOf(kPieces - 1) == kFullHealth || world.BodyOf(kPieces - 1)->acceleration.x <= 0.0f)
			state.SkipWithError("the blast did not reach the last piece");
		state.SetItemsProcessed(state.iterations() * kPieces);
	}
	BENCHMARK(BM_ExplodeByComponentCalls)->Unit(benchmark::kMicrosecond);
}
