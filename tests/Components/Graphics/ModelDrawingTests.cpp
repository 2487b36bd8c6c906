#include "Components/Graphics/Model.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/ModelData.h"
#include "Components/Graphics/SampleModel.h"
#include "Components/Transform.h"
#include "Engine.h"
#include "TempFolder.h"

namespace
{
	class ModelDrawing : public test::GLTest
	{
	protected:
		// The shipped sample model standing at the origin, on an object with the extra components.
		static Model& Reed(const std::string& extraComponents = "", const std::string& file = test::kSampleModelFile)
		{
			Composition* object = MakeObject("<Component><string>Transform</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f>"
											 "<Tuple3f>0 0 0</Tuple3f></Component>" +
				test::ComponentXml("Model", "<string>" + file + "</string><bool>true</bool><float>0.025</float><bool>false</bool>") +
				extraComponents);
			object->Start();
			return *object->GetComponent<Model>();
		}

		// Draws the model alone with the skinning program, looking at x in [-1.5, 1.5] and y in
		// [-0.5, 2.5]; the covered pixels of the band y in [1.7, 1.95] left and right of x = 0.4.
		static std::pair<int, int> TopCoverage(Model& model)
		{
			glBindFramebuffer(GL_FRAMEBUFFER, 0);
			glDisable(GL_BLEND);
			glDisable(GL_ALPHA_TEST);
			glClearColor(0, 0, 0, 0);
			glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
			glMatrixMode(GL_PROJECTION);
			glLoadIdentity();
			glOrtho(-1.5, 1.5, -0.5, 2.5, -10, 10);
			glMatrixMode(GL_MODELVIEW);
			glLoadIdentity();
			UseProgram("AnimatedGeometryPass");
			EXPECT_TRUE(model.Update());
			const std::vector<unsigned char> pixels = ReadPixels();
			const auto column = [](float x) { return static_cast<int>((x + 1.5f) / 3.0f * test::kGLTestWidth); };
			const auto row = [](float y) { return static_cast<int>((y + 0.5f) / 3.0f * test::kGLTestHeight); };
			std::pair<int, int> covered;
			for (int y = row(1.7f); y < row(1.95f); ++y)
				for (int x = 0; x < test::kGLTestWidth; ++x)
				{
					const unsigned char* pixel = &pixels[4 * (static_cast<std::size_t>(y) * test::kGLTestWidth + x)];
					if (pixel[0] + pixel[1] + pixel[2] > 0)
						++(x < column(0.4f) ? covered.first : covered.second);
				}
			return covered;
		}
	};
}

TEST_F(ModelDrawing, StartedModelsAreListedAndUploadedAndSurviveADeviceLoss)
{
	Model& model = Reed();
	EXPECT_EQ(graphics->Models().Count(), 1u);
	EXPECT_EQ(graphics->RenderEntries().Count(), 1u);
	EXPECT_EQ(model.GetRenderEntry().kind, 2);
	ASSERT_NE(model.GetMedia(), nullptr);
	EXPECT_NE(model.GetMedia()->media.mesh.vertexBuffer, 0u);

	model.owner->HandleMessage(Message("SetAnimation").AddArgument(std::string("Sway")).AddArgument(1.0f));
	model.Animate(0.3f);
	const std::vector<Matrix4> pose = model.GetBoneMatrices();
	Engine::SendMessage(Message("LosingDevice"));
	EXPECT_EQ(CachedModelCount(), 0u);
	Engine::SendMessage(Message("LostDevice"));
	ASSERT_NE(model.GetMedia(), nullptr);
	EXPECT_NE(model.GetMedia()->media.mesh.vertexBuffer, 0u);
	ASSERT_NE(model.GetCurrentAnimation(), nullptr);
	EXPECT_EQ(model.GetCurrentAnimation()->name, "Sway");
	EXPECT_EQ(model.GetBoneMatrices(), pose);
	EXPECT_FLOAT_EQ(model.GetTime(), 0.3f);
	EXPECT_GT(TopCoverage(model).first, 0);

	model.Detach();
	EXPECT_EQ(graphics->Models().Count(), 0u);
	EXPECT_EQ(graphics->RenderEntries().Count(), 0u);
}

TEST_F(ModelDrawing, SkinnedVerticesFollowTheirBones)
{
	Model& model = Reed(test::ComponentXml("BoneTransform",
		"<Bone><string>Stem</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 0 0</Tuple3f></Bone>"
		"<Bone><string>Tip</string><Tuple3f>0 0 0</Tuple3f><Tuple3f>0 1 0</Tuple3f></Bone>"));
	// In its bind pose the top of the stalk stands over the origin.
	const std::pair<int, int> upright = TopCoverage(model);
	EXPECT_GT(upright.first, 0);
	EXPECT_EQ(upright.second, 0);

	// A ragdoll holding "Tip" at x = 0.8 carries the top of the stalk there.
	model.owner->HandleMessage(Message("SetAnimation").AddArgument(std::string("Still")));
	model.owner->HandleMessage(Message("Ragdoll").AddArgument(true));
	model.owner->GetComponent<BoneTransform>()->Find("Tip")->second.position = Tuple3f(0.8f, 1.0f, 0.0f);
	model.Animate(0.16f);
	const std::pair<int, int> bent = TopCoverage(model);
	EXPECT_EQ(bent.first, 0);
	EXPECT_GT(bent.second, 0);
}

TEST_F(ModelDrawing, ATangentLayoutUnderAShaderDrawsCleanlyAndHiddenModelsDrawNothing)
{
	test::TempFolder folder;
	test::ModelFileWriter().PatternMesh(4, {0, 1, 2}, 3).Save(folder.Path() + "Tangents.model");
	Model& model = Reed(test::ComponentXml("Shader", "<string>GeometryPass</string>"), folder.Path() + "Tangents.model");
	UseProgram("GeometryPass");
	EXPECT_TRUE(model.Update());

	Model& hidden = *MakeObject(test::ComponentXml("Transform", "<Tuple3f>0 0 0</Tuple3f><Tuple3f>1 1 1</Tuple3f><Tuple3f>0 0 0</Tuple3f>") +
		test::ComponentXml("Model", "<string>Reed.model</string><bool>false</bool><float>0.025</float><bool>false</bool>"))
						->GetComponent<Model>();
	hidden.Start();
	EXPECT_FALSE(hidden.Update());
}
