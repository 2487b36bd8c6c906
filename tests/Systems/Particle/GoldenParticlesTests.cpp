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
	};

	// A burst of 200 sparks from a fixed seed: a ball of coloured, textured point sprites.
	TEST_F(GoldenParticles, ABallOfColouredSparks)
	{
		engine->engine->AddSystem(new Physics());
		auto* manager = new ParticleManager();
		engine->engine->AddSystem(manager);
		StartedObject(test::TransformXml("0 0 5") + test::CameraXml("0 0 -1", 0.1f, 50.0f), "Viewer");
		const std::string still = "<Tuple3f>0 0 0</Tuple3f>";
		Composition* emitter = StartedObject(test::TransformXml("0 0 0") +
			test::ComponentXml("Body", still + still + still + still + "<string>STATIC</string>") +
			test::ComponentXml("PointSprite", "<Tuple3f>1 0 0</Tuple3f><float>8</float><float>16</float><float>1</float><float>1</float>"
				"<string>GL_SRC_ALPHA</string><string>GL_ONE_MINUS_SRC_ALPHA</string>") +
			test::ComponentXml("ParticleSystem", test::GroupXml("Sparks", false, false, "0.5",
				test::SetterXml("Zero") + test::SetterXml("Spawn_Position_Sphere", "<float>1.5</float>" + still) +
					test::SetterXml("Spawn_Color_Field", "<Tuple4f>0.2 0.3 0.6 1</Tuple4f><Tuple4f>1 1 1 1</Tuple4f>") +
					test::SetterXml("Spawn_Scale_Field", "<float>6</float><float>12</float>") + test::LongLife(),
				"", test::SetterXml("Draw_Random_Texture", "<string>Spark.png</string>"))));
		tw::SeedRand(1);
		emitter->GetComponent<ParticleSystem>()->FindGroup("Sparks")->Burst(200);
		manager->Update();
		ASSERT_EQ(emitter->GetComponent<ParticleSystem>()->FindGroup("Sparks")->particles.size(), 200u);
		Graphics::Find()->Update();
		const test::Image frame = test::ImageFromPixels(ReadPixels(), test::kGLTestWidth, test::kGLTestHeight);
		test::ExpectMatchesGolden(frame, "ParticleSparks");
		const test::Image black{frame.width, frame.height, std::vector<unsigned char>(frame.rgb.size(), 0)};
		EXPECT_GT(test::MeanAbsoluteError(frame, black), 8.0) << "the sparks show";
	}
}
