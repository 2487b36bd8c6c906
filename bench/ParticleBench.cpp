// One particle group in steady state: about 10,000 live particles, about 600 spawned a frame by
// five spawn setters, every particle handed to a PointSprite by the drawer. The reference does the
// same arithmetic and the same AddPoint calls in one hand-written loop over the same array, so the
// ratio is the price of the setter lists (virtual calls, one setter at a time).
#include "Components/Graphics/PointSprite.h"
#include "Components/Physics/ParticleSystem.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Particle/ParticleSetter.h"
#include "Utilities/UnorderedVector.h"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

namespace
{
	constexpr float kTimeStep = 0.016f;
	constexpr int kSpawnsPerFrame = 600;
	// 10,000 live at 600 a frame: a life of 10,000 / 600 frames.
	constexpr float kLifetime = 10000.0f / kSpawnsPerFrame * kTimeStep;

	const char* kGroup =
		"<ParticleGroup><string>Sparks</string><bool>true</bool><bool>true</bool><float>2.66666666e-05</float><Setters>"
		"<Setter><string>Spawn_Velocity_Variation</string><Tuple3f>-1 0 -1</Tuple3f><Tuple3f>1 2 1</Tuple3f></Setter>"
		"<Setter><string>Spawn_Color_Field</string><Tuple4f>0.5 0.7 1 1</Tuple4f><Tuple4f>0.7 0.9 1 1</Tuple4f></Setter>"
		"<Setter><string>Spawn_Scale_Field</string><float>2</float><float>4</float></Setter>"
		"<Setter><string>Spawn_Rotation_Default</string><Tuple3f>0 1 0</Tuple3f></Setter>"
		"<Setter><string>Spawn_Lifetime_Default</string><float>0.26666667</float></Setter>"
		"</Setters><Setters/><Setters><Setter><string>Draw_Random_Texture</string></Setter></Setters></ParticleGroup>";

	Composition* MakeEmitter()
	{
		static const bool registered = [] {
			PointSprite::Register();
			ParticleManager::RegisterParticleTypes();
			return true;
		}();
		(void)registered;
		static int made = 0;
		std::istringstream text(std::string("<Component>") + kGroup + "</Component>");
		Serializer values;
		values.LoadFromStream(text, "particle bench " + std::to_string(++made));
		const Object object = CreateObject("Emitter");
		object.object->AddComponent(PointSprite::TypeId());
		object.object->AddComponent(ParticleSystem::TypeId(), values);
		return object.object;
	}

	void BM_ParticleSystemFrame(benchmark::State& state)
	{
		Composition* emitter = MakeEmitter();
		auto& system = *emitter->GetComponent<ParticleSystem>();
		for (int frame = 0; frame < 60; ++frame)
			system.Update();
		for (auto _ : state)
			system.Update();
		state.counters["live"] = static_cast<double>(system.FindGroup("Sparks")->particles.size());
		DestroyAllObjects();
	}
	BENCHMARK(BM_ParticleSystemFrame)->Unit(benchmark::kMicrosecond);

	// The same frame written out by hand: age, spawn with the five setters' arithmetic, draw.
	class HandWrittenGroup
	{
	public:
		explicit HandWrittenGroup(PointSprite& sprite) : sprite(sprite) {}

		void Frame()
		{
			sprite.currentGroup = sprite.GetGroupId("Sparks");
			sprite.ClearGroup(sprite.currentGroup);
			for (unsigned i = 0; i < particles.size();)
			{
				Particle& particle = particles[i];
				particle.life -= kTimeStep;
				if (particle.life < 0.0f)
				{
					particle = particles.back();
					particles.pop_back();
				}
				else
					++i;
			}
			for (int spawned = 0; spawned < kSpawnsPerFrame; ++spawned)
			{
				Particle particle;
				const float z = PS::RandomBetween(-1, 1);
				const float y = PS::RandomBetween(0, 2);
				const float x = PS::RandomBetween(-1, 1);
				particle.velocity += Tuple3f(x, y, z);
				const float red = PS::RandomBetween(0.5f, 0.7f);
				const float green = PS::RandomBetween(0.7f, 0.9f);
				const float blue = PS::RandomBetween(1, 1);
				const float alpha = PS::RandomBetween(1, 1);
				particle.startColor = particle.color = Tuple4f(red, green, blue, alpha);
				particle.scale = PS::RandomBetween(2, 4);
				particle.rotation = Tuple3f(0, 1, 0);
				particle.life = kLifetime;
				if (particle.IsFinite())
					particles.push_back(particle);
			}
			for (const Particle& particle : particles)
				sprite.AddPoint(particle.textureIndex, particle.position, particle.color, particle.scale);
		}

		tw::unordered_vector<Particle> particles;

	private:
		PointSprite& sprite;
	};

	void BM_HandWrittenFrame(benchmark::State& state)
	{
		Composition* emitter = MakeEmitter();
		HandWrittenGroup group(*emitter->GetComponent<PointSprite>());
		group.particles.reserve(300);
		for (int frame = 0; frame < 60; ++frame)
			group.Frame();
		for (auto _ : state)
			group.Frame();
		state.counters["live"] = static_cast<double>(group.particles.size());
		DestroyAllObjects();
	}
	BENCHMARK(BM_HandWrittenFrame)->Unit(benchmark::kMicrosecond);
}
