#include "Systems/Particle/UpdateSetters.h"

#include "Composition.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Particle/ParticleWorld.h"
#include "Utilities/Diagnostics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using test::Applied;
using test::Attached;

namespace
{
	Particle Coloured(float life, const Tuple4f& color)
	{
		Particle particle;
		particle.life = life;
		particle.startColor = particle.color = color;
		particle.scale = 2.0f;
		return particle;
	}
}

TEST(UpdateSetters, ColorRunsFromTheStartColorToTheGoalOverTime)
{
	test::ParticleWorld world;
	const auto fade = Attached("Update_Color", "<float>2</float><Tuple4f>0 0 1 0</Tuple4f>");
	const struct
	{
		float life;
		Tuple4f expected;
	} cases[] = {{2.0f, Tuple4f(1, 0, 0, 1)}, {1.0f, Tuple4f(0.5f, 0, 0.5f, 0.5f)}, {0.0f, Tuple4f(0, 0, 1, 0)}, {4.0f, Tuple4f(2, 0, -1, 2)}};
	for (const auto& c : cases)
		EXPECT_EQ(Applied(*fade, Coloured(c.life, Tuple4f(1, 0, 0, 1))).color, c.expected) << "life " << c.life;
}

TEST(UpdateSetters, ZeroDivisorsLeaveTheParticleFiniteAndUnchanged)
{
	test::ParticleWorld world;
	const Particle particle = Coloured(0.0f, Tuple4f(1, 0.5f, 0.25f, 1));
	for (const auto& [name, values] : std::initializer_list<std::pair<const char*, const char*>>{
			 {"Update_Color", "<float>0</float><Tuple4f>0 0 0 0</Tuple4f>"},
			 {"Update_Scale_Inverse", "<float>3</float><float>0</float><float>1</float>"},
			 {"Update_Scale_Inverse", "<float>0</float><float>1</float><float>1</float>"}})
	{
		const Particle after = Applied(*Attached(name, values), particle);
		EXPECT_TRUE(after.IsFinite()) << name << values;
		EXPECT_EQ(after.color, particle.color) << name << values;
		EXPECT_EQ(after.scale, particle.scale) << name << values;
	}
	const auto inverse = Attached("Update_Scale_Inverse", "<float>4</float><float>2</float><float>8</float>");
	EXPECT_EQ(Applied(*inverse, Coloured(2.0f, Tuple4f())).scale, 8.0f);
	EXPECT_EQ(Applied(*inverse, particle).scale, 2.0f) << "initScale / tail at life 0";
}

// An update that overflows a particle's size, velocity, position or colour drops the particle.
TEST(UpdateSetters, AParticleAnUpdateLeavesNotFiniteIsDropped)
{
	test::ParticleWorld world;
	const std::string colour = test::SetterXml("Spawn_Color_Default", "<Tuple4f>1 1 1 1</Tuple4f>");
	const std::pair<const char*, std::string> updates[] = {
		{"Update_Scale_Default", "<float>3e38</float>"},
		{"Update_Accelerate_Global", "<Tuple3f>0 3e38 0</Tuple3f>"},
		{"Update_Vortex", "<float>0</float><float>3e38</float><float>0</float>"},
		{"Update_Color", "<float>1e-30</float><Tuple4f>3e38 0 0 1</Tuple4f>"},
	};
	for (const auto& [name, values] : updates)
	{
		ParticleSystem& system = world.AddEmitter(test::GroupXml("Spark", false, false, "1", test::LongLife() + colour,
			test::SetterXml(name, values)));
		tw::Diagnostics::Flush();
		testing::internal::CaptureStderr();
		system.FindGroup("Spark")->Burst(3);
		world.Frames(1);
		for (int frame = 0; frame < 400 && test::CountOf(system, "Spark") > 0; ++frame)
			world.Frames(1);
		tw::Diagnostics::Flush();
		const std::string printed = testing::internal::GetCapturedStderr();
		EXPECT_EQ(test::CountOf(system, "Spark"), 0u) << name;
		EXPECT_NE(printed.find("not finite; it is dropped"), std::string::npos) << name;
	}
}

TEST(UpdateSetters, AlphaRunsToItsBoundInOneSecondOfStepsAndStaysThere)
{
	test::ParticleWorld world;
	const float dt = world.Settings().timeStep;
	const int steps = static_cast<int>(std::ceil(1.0f / dt));
	for (const auto& [drain, from, bound] : {std::tuple{"-1", 1.0f, 0.0f}, {"1", 0.0f, 1.0f}})
	{
		const auto alpha = Attached("Update_Alpha", std::string("<float>") + drain + "</float>");
		Particle particle = Coloured(1.0f, Tuple4f(1, 1, 1, from));
		for (int step = 1; step < steps; ++step)
			alpha->Apply(particle);
		EXPECT_NE(particle.color.w, bound) << drain;
		for (int step = 0; step < 10; ++step)
		{
			alpha->Apply(particle);
			EXPECT_EQ(particle.color.w, bound) << drain;
		}
	}
}

TEST(UpdateSetters, ColorDarkDarkensByTimeStepDownToItsFloor)
{
	test::ParticleWorld world;
	const float dt = world.Settings().timeStep;
	const auto dark = Attached("Update_Color_Dark", "<Tuple3f>-1 -1 -1</Tuple3f><Tuple3f>0.2 0.2 0.2</Tuple3f>");
	Particle particle = Coloured(1.0f, Tuple4f(1, 0.5f, 0.1f, 0.7f));
	dark->Apply(particle);
	EXPECT_EQ(particle.color, Tuple4f(1 - dt, 0.5f - dt, 0.2f, 0.7f));
	for (int step = 0; step < 200; ++step)
		dark->Apply(particle);
	EXPECT_EQ(particle.color, Tuple4f(0.2f, 0.2f, 0.2f, 0.7f));
}

TEST(UpdateSetters, MotionFollowsTheTimeStepExceptDamping)
{
	test::ParticleWorld world;
	const float dt = world.Settings().timeStep;
	Particle particle;
	particle.velocity = Tuple3f(2, 0, 0);
	particle.scale = 1.0f;
	EXPECT_EQ(Applied(*Attached("Update_Accelerate_Global", "<Tuple3f>0 -10 0</Tuple3f>"), particle).velocity, Tuple3f(2, -10 * dt, 0));
	EXPECT_EQ(Applied(*Attached("Update_Velocity_Damp", "<float>0.5</float>"), particle).velocity, Tuple3f(1, 0, 0));
	EXPECT_EQ(Applied(*Attached("Update_Scale_Default", "<float>3</float>"), particle).scale, 1.0f + 3 * dt);
}

TEST(UpdateSetters, VortexRadiusShrinksAboveLifeSixTenthsAndGrowsBelow)
{
	test::ParticleWorld world;
	const auto vortex = Attached("Update_Vortex", "<float>1</float><float>0.5</float><float>90</float>");
	for (const auto& [life, grows] : {std::pair{2.0f, false}, std::pair{0.3f, true}})
	{
		Particle particle;
		particle.life = life;
		particle.base = Tuple3f(0, 0, 1);
		vortex->Apply(particle);
		EXPECT_EQ(particle.base.z > 1.0f, grows) << "life " << life;
		EXPECT_NEAR(std::hypot(particle.position.x, particle.position.z), particle.base.z, 1e-5);
		EXPECT_EQ(particle.position.y, particle.base.y);
	}
}

TEST(UpdateSetters, CirclingSettersFollowTheirTargetAndSkipItOnceGone)
{
	test::ParticleWorld world;
	const Object player = world.AddBodyObject("Player", Tuple3f(1, 2, 3));
	const auto arh = Attached("Update_Position_ARH", "<float>0</float><float>0</float><float>0</float>");
	Particle particle;
	particle.base = Tuple3f(0, 1, 2);
	EXPECT_EQ(Applied(*arh, particle).position, Tuple3f(1, 3, 5));
	player.object->Destroy();
	ProcessObjectChanges();
	arh->Refresh();
	EXPECT_EQ(Applied(*arh, particle).position, particle.position) << "the player has gone";
	const unsigned bodiless = CreateObject("Bodiless").id;
	EXPECT_EQ(Applied(*Attached("Update_Pig_Stars", "<float>1</float><float>1</float><float>1</float>", bodiless), particle).position,
		particle.position);
	EXPECT_EQ(Applied(*Attached("Update_Position_Relative", "<Tuple3f>1 1 1</Tuple3f>", bodiless), particle).position, particle.position);
}

TEST(UpdateSetters, RelativeCarriesThePositionByTheModelPointOfTheOwnersBody)
{
	test::ParticleWorld world;
	const unsigned lamp = world.AddBodyObject("Lamp", Tuple3f(10, 0, 0)).id;
	Particle particle;
	particle.position = Tuple3f(0, 1, 0);
	EXPECT_EQ(Applied(*Attached("Update_Position_Relative", "<Tuple3f>1 2 3</Tuple3f>", lamp), particle).position, Tuple3f(11, 3, 3));
}

TEST(CameraUpdateSetters, SteeringHidesParticlesPastThePlaneButKeepsThemMovingAndAgeing)
{
	auto world = test::PhysicsComponentWorld::WithGraphics();
	if (world == nullptr)
		GTEST_SKIP() << "needs an X display";
	auto* manager = new ParticleManager();
	world->engine.engine->AddSystem(manager);
	test::PhysicsComponentWorld::AddCamera(Tuple3f(0, 0, 5));
	const std::string behind = test::SetterXml("Spawn_Position_Camera", "<float>-2</float>") +
		test::SetterXml("Spawn_Color_Default", "<Tuple4f>1 1 1 1</Tuple4f>") + test::LongLife();
	const Object object = CreateObject("Smoke");
	test::PhysicsComponentWorld::AddLoaded(object, ParticleSystem::TypeId(),
		test::GroupXml("Steer", true, true, "1", behind, test::SetterXml("Update_Velocity_Camera", "<float>1</float><float>1</float>")));
	ParticleSystem& system = *object.object->GetComponent<ParticleSystem>();
	system.Start();
	for (int frame = 0; frame < 70; ++frame)
		manager->Update();
	const Particle first = system.FindGroup("Steer")->particles[0];
	manager->Update();
	const Particle later = system.FindGroup("Steer")->particles[0];
	EXPECT_EQ(later.color.w, 0.0f);
	EXPECT_LT(later.life, first.life);
	EXPECT_NE(later.position, first.position);

	Particle ahead;
	ahead.color = Tuple4f(1, 1, 1, 1);
	const Tuple3f target(0, -0.1f, 6);
	const Particle blown = Applied(*Attached("Update_Velocity_Camera_Blow", "<float>1</float><float>1</float>"), ahead);
	EXPECT_LT(blown.velocity.DotProduct(target - ahead.position), 0.0f) << "pushed away from the target";
	EXPECT_NEAR(blown.velocity.Length(), 1.0, 1e-5);
	EXPECT_EQ(blown.color.w, 1.0f) << "never hidden";
}

TEST(CameraUpdateSetters, DrawDebugQueuesASphereOfTheParticlesSizeAndColour)
{
	const auto world = test::PhysicsComponentWorld::WithGraphics();
	if (world == nullptr)
		GTEST_SKIP() << "needs an X display";
	world->engine.engine->AddSystem(new ParticleManager());
	const Graphics& graphics = *Graphics::Find();
	const std::size_t queued = graphics.GetPrimitiveQueue().size();
	Particle particle = Coloured(1.0f, Tuple4f(0, 1, 0, 1));
	particle.position = Tuple3f(1, 2, 3);
	Applied(*Attached("Update_Draw_Debug", ""), particle);
	ASSERT_EQ(graphics.GetPrimitiveQueue().size(), queued + 1);
	const Graphics::PrimDrawInfo& sphere = graphics.GetPrimitiveQueue()[queued];
	EXPECT_EQ(sphere.position, particle.position);
	EXPECT_EQ(sphere.scale, Tuple3f(2, 2, 2));
	EXPECT_EQ(sphere.colour, particle.color);
	EXPECT_EQ(sphere.slices, 10);
}
