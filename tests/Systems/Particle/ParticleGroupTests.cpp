#include "Systems/Particle/ParticleGroup.h"

#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

using test::GroupXml;
using test::LongLife;

TEST(ParticleGroup, LiveParticlesStopAtTheBoundWhichIsReportedOnce)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Flood", false, false, "1", LongLife()));
	ParticleGroup& group = *system.FindGroup("Flood");
	tw::Diagnostics::Flush();
	testing::internal::CaptureStderr();
	const unsigned perFrame = ParticleGroup::kMaxSpawnsPerUpdate - 1;
	for (unsigned owed = 0; owed < ParticleGroup::kMaxLiveParticles + perFrame; owed += perFrame)
	{
		group.Burst(static_cast<int>(perFrame));
		world.Frames(1);
	}
	tw::Diagnostics::Flush();
	const std::string printed = testing::internal::GetCapturedStderr();
	EXPECT_EQ(group.particles.size(), ParticleGroup::kMaxLiveParticles);
	const std::string line = "live particles is reached; no more spawn until some die\n";
	const std::size_t first = printed.find(line);
	ASSERT_NE(first, std::string::npos) << printed;
	EXPECT_EQ(printed.find(line, first + 1), std::string::npos) << printed;
	group.particles.pop_back();
	group.Burst(2);
	world.Frames(1);
	EXPECT_EQ(group.particles.size(), ParticleGroup::kMaxLiveParticles) << "one died: one more spawns";
}

namespace
{
	// Counts the particles it is applied to.
	class CountingSetter : public ParticleSetterBase<CountingSetter>
	{
	public:
		void Apply(Particle&) override { ++calls; }
		int calls = 0;
	};

	// Records the scale of every particle it is applied to, and leaves the particle of the scale
	// given not finite.
	class MarkingSetter : public ParticleSetterBase<MarkingSetter>
	{
	public:
		void Apply(Particle& particle) override
		{
			scales.push_back(particle.scale);
			if (particle.scale == spoiled)
				particle.velocity.x = std::numeric_limits<float>::infinity();
		}
		std::vector<float> scales;
		float spoiled = -1.0f;
	};
}

// The dropped particle's slot takes the group's last live one, which is updated in its turn and
// drawn with the rest; every other particle stays where it was.
TEST(ParticleGroup, AParticleDroppedForANonFiniteValueGivesItsSlotToTheLastWhichIsStillUpdatedAndDrawn)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Puff", false, false, "1", LongLife()));
	ParticleGroup& group = *system.FindGroup("Puff");
	MarkingSetter updated;
	updated.spoiled = 2.0f;
	MarkingSetter drawn;
	group.updaters_.running.push_back(&updated);
	group.drawers_.running.push_back(&drawn);
	for (const float scale : {1.0f, 2.0f, 3.0f, 4.0f})
	{
		Particle particle;
		particle.scale = scale;
		particle.life = 100.0f;
		group.particles.push_back(particle);
	}
	tw::Diagnostics::Flush();
	testing::internal::CaptureStderr();
	world.Frames(1);
	testing::internal::GetCapturedStderr();
	std::vector<float> live;
	for (const Particle& particle : group.particles)
		live.push_back(particle.scale);
	EXPECT_EQ(live, (std::vector<float>{1.0f, 4.0f, 3.0f}));
	EXPECT_EQ(updated.scales, (std::vector<float>{1.0f, 2.0f, 4.0f, 3.0f}));
	EXPECT_EQ(drawn.scales, live);
	group.updaters_.running.clear();
	group.drawers_.running.clear();
}

TEST(ParticleGroup, AParticleWithoutALifetimeIsUpdatedAndDrawnOnceThenGoes)
{
	test::ParticleWorld world;
	ParticleSystem& system = world.AddEmitter(GroupXml("Puff", false, false, "1", ""));
	ParticleGroup& group = *system.FindGroup("Puff");
	CountingSetter updated;
	CountingSetter drawn;
	group.updaters_.running.push_back(&updated);
	group.drawers_.running.push_back(&drawn);
	group.Burst(1);
	world.Frames(1);
	EXPECT_EQ(group.particles.size(), 1u);
	world.Frames(2);
	EXPECT_EQ(updated.calls, 1);
	EXPECT_EQ(drawn.calls, 1);
	EXPECT_TRUE(group.particles.empty());
	group.updaters_.running.clear();
	group.drawers_.running.clear();
}
