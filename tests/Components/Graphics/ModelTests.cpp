#include "Components/Graphics/Model.h"

#include "Components/Graphics/GLTest.h"
#include "Components/Graphics/ModelData.h"
#include "Components/Graphics/ModelTestSupport.h"
#include "Utilities/TestHelpers.h"

TW_MODEL_TEST(Model, ClonesShareTheDataAndOwnTheirPose)
{
	Model& model = StartedModel();
	Send(model, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
	model.Animate(0.5f);
	std::unique_ptr<Model> copy(static_cast<Model*>(model.Clone()));
	EXPECT_EQ(copy->GetMedia(), model.GetMedia());
	EXPECT_EQ(copy->GetMedia()->count, 1u);
	EXPECT_EQ(copy->GetCurrentAnimation(), model.GetCurrentAnimation());
	EXPECT_EQ(copy->GetBoneMatrices(), model.GetBoneMatrices());
	EXPECT_NE(copy->GetBoneMatrices().data(), model.GetBoneMatrices().data());
}

TW_MODEL_TEST(Model, ModelsOfOneNameShareACacheEntry)
{
	Model& first = StartedModel();
	Model& second = StartedModel();
	ASSERT_NE(first.GetMedia(), nullptr);
	EXPECT_EQ(first.GetMedia(), second.GetMedia());
	EXPECT_EQ(first.GetMedia()->count, 2u);
	EXPECT_EQ(CachedModelCount(), 1u);
	const MediaInfo<Model::ModelData>* shared = first.GetMedia();
	second.Release();
	EXPECT_EQ(shared->count, 1u);
	first.Release();
	// An entry nobody holds stays until the cache is emptied.
	EXPECT_EQ(shared->count, 0u);
	EXPECT_EQ(CachedModelCount(), 1u);
	ReleaseAllModels();
	EXPECT_EQ(CachedModelCount(), 0u);
}

TW_MODEL_TEST(Model, LoadAndSaveKeepItsValuesAndAFifthOnlyWhenGiven)
{
	const Object object = CreateObject("Saved");
	Model& model = AddLoaded<Model>(object, ModelText("Walker.model", "Walk"));
	EXPECT_TRUE(model.IsVisible());
	EXPECT_FALSE(model.IsRagdoll());
	EXPECT_EQ(model.GetModelName(), folder.Path() + "Walker.model");
	const std::string saved = test::SavedText(model);
	EXPECT_NE(saved.find("<string name=\"model name\">" + folder.Path() + "Walker.model</string>"), std::string::npos) << saved;
	EXPECT_NE(saved.find("<float name=\"animation speed\">0.025</float>"), std::string::npos) << saved;
	EXPECT_NE(saved.find("<string>Walk</string>"), std::string::npos) << saved;
	// The fifth value does not choose the animation: a model starts in its bind pose.
	model.Start();
	EXPECT_EQ(model.GetCurrentAnimation(), nullptr);

	// Loaded without the fifth value, it saves an empty one.
	Model& plain = AddLoaded<Model>(CreateObject("Plain"), ModelText("Walker.model"));
	EXPECT_NE(test::SavedText(plain).find("<string />"), std::string::npos) << test::SavedText(plain);
	for (const char* handled : {"Ragdoll", "SetAnimation", "ChangeAnimation", "SetAnimationSpeed"})
		EXPECT_EQ(object.GetAffected(handled).size(), 1u) << handled;
}

TW_MODEL_TEST(Model, AModelOfAMissingOrDamagedFileIsEmptyAndHarmless)
{
	test::ModelFileWriter().PatternMesh(1, {0, 1, 7}, 3).Save(folder.Path() + "Damaged.model");
	for (const char* file : {"Missing.model", "Damaged.model"})
	{
		testing::internal::CaptureStderr();
		Model& model = StartedModel({"Root"}, file);
		EXPECT_NE(testing::internal::GetCapturedStderr().find(file), std::string::npos);
		EXPECT_TRUE(model.GetBoneMatrices().empty());
		Send(model, Message("SetAnimation").AddArgument(std::string("Walk")));
		model.Animate(0.16f);
		EXPECT_EQ(model.GetCurrentAnimation(), nullptr);
	}
}

TW_MODEL_TEST(Model, AfterADeviceLossModelsShareFreshDataAndKeepTheirPose)
{
	WalkerFile().Save(folder.Path() + "Twin.model");
	Model& model = StartedModel({"Root", "Child"});
	Model& other = StartedModel();
	Model& twin = StartedModel({"Root", "Child"}, "Twin.model");
	for (Model* walker : {&model, &twin})
	{
		Send(*walker, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
		walker->Animate(0.3f);
	}

	ReleaseAllModels();
	// Until the data is read again the model neither poses, switches nor gives back the old entry.
	model.Animate(0.16f);
	Send(model, Message("SetAnimation").AddArgument(std::string("Spin")));
	Model& lost = StartedModel();
	ReleaseAllModels();
	lost.Release();
	// Reading the files anew: the first model of a name makes the entry, the next shares it, and
	// a second reload takes no second reference.
	for (Model* walker : {&model, &other, &twin, &model})
		walker->ReloadMedia();
	EXPECT_EQ(model.GetMedia(), other.GetMedia());
	EXPECT_EQ(model.GetMedia()->count, 2u);
	ASSERT_NE(model.GetCurrentAnimation(), nullptr);
	// The animation is the one of the new records, found by its name.
	EXPECT_EQ(model.GetCurrentAnimation(), model.GetMedia()->media.animations.find("Walk")->second.get());
	EXPECT_FLOAT_EQ(model.GetTime(), 0.3f);
	EXPECT_EQ(twin.GetMedia()->count, 1u);

	// The pose goes on from where it was, as for a model that never lost its device.
	Model& uninterrupted = StartedModel({"Root", "Child"});
	Send(uninterrupted, Message("SetAnimation").AddArgument(std::string("Walk")).AddArgument(1.0f));
	uninterrupted.Animate(0.3f);
	model.Animate(0.4f);
	uninterrupted.Animate(0.4f);
	ExpectNear(model.GetBoneMatrices()[1], uninterrupted.GetBoneMatrices()[1], 1e-6);
	ExpectNear(Bone(model, "Child").position, Bone(uninterrupted, "Child").position, 1e-6);
}

TW_MODEL_TEST(Model, OnlyAMeshWithBlendDataBesideASkeletonIsSkinned)
{
	const struct
	{
		std::uint32_t format;
		bool skeleton;
		bool skinned;
	} cases[] = {{1, true, true}, {4, true, true}, {2, true, false}, {0, true, false}, {3, true, false}, {1, false, false}};
	for (const auto& c : cases)
	{
		test::ModelFileWriter writer;
		writer.PatternMesh(c.format, {0, 1, 2}, 3);
		if (c.skeleton)
			writer.Skeleton({{"Root", Model::Bone::kNoParent, {}, {}, {}, {}}});
		const std::string file = "Format" + std::to_string(c.format) + (c.skeleton ? "Boned" : "") + ".model";
		writer.EndMarker().Save(folder.Path() + file);
		EXPECT_EQ(StartedModel({}, file).IsSkinned(), c.skinned) << file;
	}
}
