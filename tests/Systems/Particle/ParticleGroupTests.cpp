#include "Systems/Particle/ParticleGroup.h"

#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

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
