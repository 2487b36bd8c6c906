// One particle group in steady state: about 10,000 live particles, about 600 spawned a frame by
// five spawn setters, every particle handed to a PointSprite by the drawer. The reference does the
// same arithmetic and the same AddPoint calls in one hand-written loop over the same array, so the
// ratio is the price of the setter lists (virtual calls, one setter at a time). The same group then
// runs with three update setters (accelerate, damp, fade) and, apart, with the bone-attached
// "EllipsoidUpdater", each beside a struct-of-arrays loop doing the same arithmetic.
#include "Components/Graphics/PointSprite.h"
#include "Components/Transform.h"
#include "Components/Physics/ParticleSystem.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Particle/ParticleSetter.h"
#include "Utilities/UnorderedVector.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	constexpr float kTimeStep = 0.016f;
	constexpr int kSpawnsPerFrame = 600;
	// 10,000 live at 600 a frame: a life of 10,000 / 600 frames.
	constexpr float kLifetime = 10000.0f / kSpawnsPerFrame * kTimeStep;

	constexpr float kDamp = 0.99f;
	constexpr float kDrain = -1.0f;
	const Tuple3f kAcceleration(0.0f, -9.8f, 0.0f);
	// The ellipsoid about the bone: height scale, radius scale, rising speed, turning speed (rad/s).
	constexpr float kHeightScale = 100.0f;
	constexpr float kRadiusScale = 1.0f;
	constexpr float kRise = 1.0f;
	constexpr float kTurn = 1.5707963f;

	const std::string kThreeUpdaters =
		"<Setter><string>Update_Accelerate_Global</string><Tuple3f>0 -9.8 0</Tuple3f></Setter>"
		"<Setter><string>Update_Velocity_Damp</string><float>0.99</float></Setter>"
		"<Setter><string>Update_Alpha</string><float>-1</float></Setter>";
	const std::string kEllipsoid =
		"<Setter><string>EllipsoidUpdater</string><string>Arm</string><Tuple3f>0 1 0</Tuple3f><Tuple3f>0 0 0</Tuple3f>"
		"<float>100</float><float>1</float><float>1</float><float>90</float></Setter>";

	// The spark group with these update setters; extra spawn setters go after the five.
	std::string Group(const std::string& updaters, const std::string& extraSpawners = "")
	{
		return "<ParticleGroup><string>Sparks</string><bool>true</bool><bool>true</bool><float>2.66666666e-05</float><Setters>"
			   "<Setter><string>Spawn_Velocity_Variation</string><Tuple3f>-1 0 -1</Tuple3f><Tuple3f>1 2 1</Tuple3f></Setter>"
			   "<Setter><string>Spawn_Color_Field</string><Tuple4f>0.5 0.7 1 1</Tuple4f><Tuple4f>0.7 0.9 1 1</Tuple4f></Setter>"
			   "<Setter><string>Spawn_Scale_Field</string><float>2</float><float>4</float></Setter>"
			   "<Setter><string>Spawn_Rotation_Default</string><Tuple3f>0 1 0</Tuple3f></Setter>"
			   "<Setter><string>Spawn_Lifetime_Default</string><float>0.26666667</float></Setter>" +
			extraSpawners + "</Setters><Setters>" + updaters +
			"</Setters><Setters><Setter><string>Draw_Random_Texture</string></Setter></Setters></ParticleGroup>";
	}

	// An emitter of the group; with a bone "Arm" at the model point (0, 1, 0) for the bone setters.
	Composition* MakeEmitter(const std::string& group = Group(""))
	{
		static const bool registered = [] {
			PointSprite::Register();
			BoneTransform::Register();
			ParticleManager::RegisterParticleTypes();
			return true;
		}();
		(void)registered;
		static int made = 0;
		const auto values = [](const std::string& inside) {
			auto serializer = std::make_unique<Serializer>();
			std::istringstream text("<Component>" + inside + "</Component>");
			serializer->LoadFromStream(text, "particle bench " + std::to_string(++made));
			return serializer;
		};
		const Object object = CreateObject("Emitter");
		object.object->AddComponent(Transform::TypeId());
		object.object->AddComponent(BoneTransform::TypeId(), *values("<Bone><string>Arm</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 1 0</Tuple3f></Bone>"));
		object.object->AddComponent(PointSprite::TypeId());
		object.object->AddComponent(ParticleSystem::TypeId(), *values(group));
		return object.object;
	}

	void SystemFrames(benchmark::State& state, const std::string& group)
	{
		Composition* emitter = MakeEmitter(group);
		auto& system = *emitter->GetComponent<ParticleSystem>();
		// Attaches the setters to the emitter (the bone setters find their bone).
		system.Start();
		for (int frame = 0; frame < 60; ++frame)
			system.Update();
		for (auto _ : state)
			system.Update();
		state.counters["live"] = static_cast<double>(system.FindGroup("Sparks")->particles.size());
		DestroyAllObjects();
	}

	// A new spark as the five spawn setters make it, drawing in their order.
	Particle Spark()
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
		return particle;
	}

	void BM_ParticleSystemFrame(benchmark::State& state)
	{
		SystemFrames(state, Group(""));
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
				const Particle particle = Spark();
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

	void BM_ThreeUpdatersFrame(benchmark::State& state)
	{
		SystemFrames(state, Group(kThreeUpdaters));
	}
	BENCHMARK(BM_ThreeUpdatersFrame)->Unit(benchmark::kMicrosecond);

	void BM_EllipsoidUpdaterFrame(benchmark::State& state)
	{
		SystemFrames(state, Group(kEllipsoid, "<Setter><string>EllipsoidSpawner</string></Setter>"));
	}
	BENCHMARK(BM_EllipsoidUpdaterFrame)->Unit(benchmark::kMicrosecond);

	// The update-setter frames by hand over a struct of arrays: age, spawn, move, draw.
	class StructOfArraysGroup
	{
	public:
		enum class Motion { kThreeUpdaters, kEllipsoid };

		StructOfArraysGroup(PointSprite& sprite, Motion motion) : sprite(sprite), motion(motion) {}

		void Frame()
		{
			sprite.currentGroup = sprite.GetGroupId("Sparks");
			sprite.ClearGroup(sprite.currentGroup);
			for (std::size_t i = 0; i < life.size();)
			{
				life[i] -= kTimeStep;
				if (life[i] < 0.0f)
					Remove(i);
				else
					++i;
			}
			for (int spawned = 0; spawned < kSpawnsPerFrame; ++spawned)
				Add(Spark());
			if (motion == Motion::kThreeUpdaters)
				MoveThreeUpdaters();
			else
				MoveOnEllipsoid();
			for (std::size_t i = 0; i < life.size(); ++i)
				sprite.AddPoint(0, position[i], color[i], scale[i]);
		}

		std::vector<float> life;

	private:
		void Add(const Particle& particle)
		{
			float angle = 0.0f;
			float radius = 0.0f;
			if (motion == Motion::kEllipsoid)
			{
				angle = PS::RandomAngle();
				radius = 0.5f + 0.7f * PS::Rand01();
			}
			life.push_back(particle.life);
			position.push_back(particle.position);
			velocity.push_back(particle.velocity);
			color.push_back(particle.color);
			scale.push_back(particle.scale);
			base.push_back(Tuple3f(angle, 0.0f, radius));
		}

		void Remove(std::size_t i)
		{
			life[i] = life.back();
			position[i] = position.back();
			velocity[i] = velocity.back();
			color[i] = color.back();
			scale[i] = scale.back();
			base[i] = base.back();
			life.pop_back();
			position.pop_back();
			velocity.pop_back();
			color.pop_back();
			scale.pop_back();
			base.pop_back();
		}

		// Each setter's step, then the advance the group makes after every update setter.
		void MoveThreeUpdaters()
		{
			const Tuple3f push = kAcceleration * kTimeStep;
			for (std::size_t i = 0; i < life.size(); ++i)
			{
				velocity[i] += push;
				position[i] += velocity[i] * kTimeStep;
				velocity[i] *= kDamp;
				position[i] += velocity[i] * kTimeStep;
				color[i].w = std::clamp(color[i].w + kDrain * kTimeStep, 0.0f, 1.0f);
				position[i] += velocity[i] * kTimeStep;
			}
		}

		// About the bone at (0, 1, 0) of an emitter at the origin, upright.
		void MoveOnEllipsoid()
		{
			const Tuple3f centre(0.0f, 1.0f, 0.0f);
			const Tuple3f v1(1.0f, 0.0f, 0.0f);
			const Tuple3f v2(0.0f, 0.0f, 1.0f);
			const Tuple3f v3(0.0f, 1.0f, 0.0f);
			for (std::size_t i = 0; i < life.size(); ++i)
			{
				Tuple3f& arh = base[i];
				arh.x += kTurn * kTimeStep;
				arh.y += kRise * kTimeStep;
				if (arh.y + kRise * kTimeStep >= kHeightScale)
					life[i] = 0.0f;
				const float s = (arh.y / kHeightScale - 0.5f) * 2.0f + 0.0001f;
				const float r = std::sqrt(std::max(1.0f - s * s, 0.0f)) * kRadiusScale * arh.z;
				position[i] = centre + v1 * static_cast<float>(std::sin(arh.x) * r) + v2 * static_cast<float>(std::cos(arh.x) * r) + v3 * arh.y;
				position[i] += velocity[i] * kTimeStep;
			}
		}

		PointSprite& sprite;
		Motion motion;
		std::vector<Tuple3f> position;
		std::vector<Tuple3f> velocity;
		std::vector<Tuple4f> color;
		std::vector<float> scale;
		std::vector<Tuple3f> base;
	};

	void StructOfArraysFrames(benchmark::State& state, StructOfArraysGroup::Motion motion)
	{
		Composition* emitter = MakeEmitter();
		StructOfArraysGroup group(*emitter->GetComponent<PointSprite>(), motion);
		for (int frame = 0; frame < 60; ++frame)
			group.Frame();
		for (auto _ : state)
			group.Frame();
		state.counters["live"] = static_cast<double>(group.life.size());
		DestroyAllObjects();
	}

	void BM_ThreeUpdatersByHand(benchmark::State& state)
	{
		StructOfArraysFrames(state, StructOfArraysGroup::Motion::kThreeUpdaters);
	}
	BENCHMARK(BM_ThreeUpdatersByHand)->Unit(benchmark::kMicrosecond);

	void BM_EllipsoidByHand(benchmark::State& state)
	{
		StructOfArraysFrames(state, StructOfArraysGroup::Motion::kEllipsoid);
	}
	BENCHMARK(BM_EllipsoidByHand)->Unit(benchmark::kMicrosecond);
}
