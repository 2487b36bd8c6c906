// Fixture of the Model, Animation and GolemModel tests: objects whose models are loaded from files
// that the test writes, and a two-bone model "Root" -> "Child" with the animations "Walk" (one
// unit long; the root moves one unit along x and turns a quarter about x, the child turns a
// quarter about z) and "Spin" (single keys). The cache is emptied after every test.
#pragma once

#include "Components/Graphics/GolemModel.h"
#include "Components/Graphics/ModelFileWriter.h"
#include "Systems/Graphics/VertexLayout.h"
#include "EngineTestSupport.h"

#include <numbers>

namespace test
{
	inline const Quaternion kQuarterTurnX(std::numbers::sqrt2_v<float> / 2, 0.0f, 0.0f, std::numbers::sqrt2_v<float> / 2);
	inline const Quaternion kQuarterTurnAboutZ(0.0f, 0.0f, std::numbers::sqrt2_v<float> / 2, std::numbers::sqrt2_v<float> / 2);

	class ModelTest : public StoreTest
	{
	protected:
		void SetUp() override
		{
			StoreTest::SetUp();
			Model::Register();
			GolemModel::Register();
			BoneTransform::Register();
			Transform::Register();
			WalkerFile().Save(folder.Path() + "Walker.model");
		}
		void TearDown() override
		{
			StoreTest::TearDown();
			ReleaseAllModels();
		}

		static ModelFileWriter WalkerFile()
		{
			const Tuple3f childOffset(0.0f, 1.0f, 0.0f);
			const std::vector<ModelFileWriter::Bone> bones = {
				{"Root", Model::Bone::kNoParent, {}, {}, {}, {}},
				{"Child", 0, childOffset, {}, -childOffset, {}},
			};
			const ModelFileWriter::Animation walk{"Walk", 1.0f,
				{{{0.0f, {}, {}}, {1.0f, {1, 0, 0}, kQuarterTurnX}}, {{0.0f, childOffset, {}}, {1.0f, childOffset, kQuarterTurnAboutZ}}}};
			const ModelFileWriter::Animation spin{"Spin", 2.0f, {{{0.0f, {}, kQuarterTurnX}}, {{0.0f, childOffset, {}}}}};
			ModelFileWriter writer;
			writer.PatternMesh(1, {0, 1, 2}, 3).Skeleton(bones).AnimationChunk(walk).AnimationChunk(spin).EndMarker();
			return writer;
		}

		// The component data of a model, read by position; extra is the optional fifth value.
		std::string ModelText(const std::string& file, const std::string& extra = "") const
		{
			return "<Component><string name=\"model name\">" + folder.Path() + file +
				"</string><bool name=\"visible\">true</bool><float name=\"animation speed\">0.025</float>"
				"<bool name=\"ragdoll\">false</bool>" +
				(extra.empty() ? std::string() : "<string>" + extra + "</string>") + "</Component>";
		}

		// Adds a component of type T loaded from text to the object.
		template <class T>
		static T& AddLoaded(const Object& object, const std::string& text)
		{
			std::istringstream in(text);
			Serializer serializer;
			EXPECT_TRUE(serializer.LoadFromStream(in, "ModelTestText" + std::to_string(++textsLoaded)));
			object.object->AddComponent(T::TypeId(), serializer);
			return *object.object->template GetComponent<T>();
		}

		// A started model of the file on a new object, with a BoneTransform listing the bones given.
		template <class T = Model>
		T& StartedModel(const std::vector<std::string>& boneEntries = {}, const std::string& file = "Walker.model")
		{
			const Object object = CreateObject("Walker");
			if (!boneEntries.empty())
			{
				std::string bones = "<Component>";
				for (const std::string& bone : boneEntries)
					bones += "<Bone><string name=\"Key\">" + bone +
						"</string><Tuple3f name=\"Orientation\">0 0 0</Tuple3f><Tuple3f name=\"Position\">0 0 0</Tuple3f></Bone>";
				AddLoaded<BoneTransform>(object, bones + "</Component>");
			}
			T& model = AddLoaded<T>(object, ModelText(file));
			model.Start();
			return model;
		}

		static void Send(Model& model, Message message) { model.owner->HandleMessage(message); }

		static BoneTransform::BoneInfo& Bone(Model& model, const std::string& name)
		{
			return model.owner->GetComponent<BoneTransform>()->Find(name)->second;
		}

		TempFolder folder;

	private:
		// Parsed texts are cached by name for the whole run: each needs a name of its own.
		static inline unsigned textsLoaded = 0;
	};
}

// A test of the fixture above in a suite named after a class of the engine ("Model", "GolemModel"),
// which a fixture class of the same name would hide.
#define TW_MODEL_TEST(suite, name) GTEST_TEST_(suite, name, test::ModelTest, ::testing::internal::GetTypeId<test::ModelTest>())
