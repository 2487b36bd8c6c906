#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/GoldenImage.h"
#include "Components/Physics/ParticleSystem.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Particle/ParticleManager.h"
#include "Systems/Particle/ParticleWorld.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Random.h"

namespace render_tests
{
	class GoldenParticles : public test::GLTest
	{
	protected:
		// A viewer at z = 5 looking down -z and a still emitter at the origin drawing with the
		// blend destination and the one group; the group as the emitter holds it.
		ParticleGroup& StartEmitter(const std::string& blendDestination, const std::string& group)
		{
			engine->engine->AddSystem(new Physics());
			manager = new ParticleManager();
			engine->engine->AddSystem(manager);
			StartedObject(test::TransformXml("0 0 5") + test::CameraXml("0 0 -1", 0.1f, 50.0f), "Viewer");
			Composition* emitter = StartedObject(test::TransformXml("0 0 0") +
				test::ComponentXml("Body", kStill + kStill + kStill + kStill + "<string>STATIC</string>") +
				test::ComponentXml("PointSprite", "<Tuple3f>1 0 0</Tuple3f><float>8</float><float>16</float><float>1</float><float>1</float>"
					"<string>GL_SRC_ALPHA</string><string>" + blendDestination + "</string>") +
				test::ComponentXml("ParticleSystem", group));
			return *emitter->GetComponent<ParticleSystem>()->Groups().front();
		}

		// The rendered frame matches the golden image of the name and differs from black by more
		// than least per channel.
		void ExpectFrame(const std::string& golden, double least)
		{
			Graphics::Find()->Update();
			const test::Image frame = test::ImageFromPixels(ReadPixels(), test::kGLTestWidth, test::kGLTestHeight);
			test::ExpectMatchesGolden(frame, golden);
			const test::Image black{frame.width, frame.height, std::vector<unsigned char>(frame.rgb.size(), 0)};
			EXPECT_GT(test::MeanAbsoluteError(frame, black), least) << "the particles show";
		}

		const std::string kStill = "<Tuple3f>0 0 0</Tuple3f>";
		// Owned by the engine.
		ParticleManager* manager = nullptr;
	};

	// A burst of 200 sparks from a fixed seed: a ball of coloured, textured point sprites.
	TEST_F(GoldenParticles, ABallOfColouredSparks)
	{
		ParticleGroup& sparks = StartEmitter("GL_ONE_MINUS_SRC_ALPHA", test::GroupXml("Sparks", false, false, "0.5",
			test::SetterXml("Zero") + test::SetterXml("Spawn_Position_Sphere", "<float>1.5</float>" + kStill) +
				test::SetterXml("Spawn_Color_Field", "<Tuple4f>0.2 0.3 0.6 1</Tuple4f><Tuple4f>1 1 1 1</Tuple4f>") +
				test::SetterXml("Spawn_Scale_Field", "<float>6</float><float>12</float>") + test::LongLife(),
			"", test::SetterXml("Draw_Random_Texture", "<string>Spark.png</string>")));
		tw::SeedRand(1);
		sparks.Burst(200);
		manager->Update();
		ASSERT_EQ(sparks.particles.size(), 200u);
		ExpectFrame("ParticleSparks", 8.0);
	}

	// Grey puffs rising in a narrow cone from below the view's centre, pushed upwards and fading as
	// they age: a column that thins towards its top.
	TEST_F(GoldenParticles, ARisingFadingSmokeColumn)
	{
		StartEmitter("GL_ONE", test::GroupXml("Smoke", true, true, "0.01",
			test::SetterXml("Zero") + test::SetterXml("Spawn_Position_Sphere", "<float>0.2</float><Tuple3f>0 -1.8 0</Tuple3f>") +
				test::SetterXml("Spawn_Cone_Global", "<float>12</float><Tuple3f>0 1 0</Tuple3f>") +
				test::SetterXml("Spawn_Velocity_Random", "<float>0.6</float><float>1.2</float>") +
				test::SetterXml("Spawn_Color_Field", "<Tuple4f>0.5 0.5 0.5 1</Tuple4f><Tuple4f>0.7 0.7 0.7 1</Tuple4f>") +
				test::SetterXml("Spawn_Scale_Field", "<float>8</float><float>12</float>") +
				test::SetterXml("Spawn_Lifetime_Default", "<float>1.25</float>"),
			test::SetterXml("Update_Accelerate_Global", "<Tuple3f>0 0.8 0</Tuple3f>") + test::SetterXml("Update_Alpha", "<float>-0.8</float>"),
			test::SetterXml("Draw_Random_Texture", "<string>Spark.png</string>")));
		tw::SeedRand(1);
		for (int frame = 0; frame < 100; ++frame)
			manager->Update();
		ExpectFrame("ParticleSmoke", 1.0);
	}
}
