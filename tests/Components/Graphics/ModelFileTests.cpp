#include "Components/Graphics/ModelFile.h"

#include "Components/Graphics/GolemSampleModel.h"
#include "Components/Graphics/ModelFileWriter.h"
#include "Components/Graphics/SampleModel.h"
#include "HostileFiles.h"
#include "Systems/Graphics/VertexLayout.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <functional>

namespace
{
	using test::ModelFileWriter;
	using Bytes = ModelFileWriter::Bytes;

	using ModelFile::Read;
	Model::ModelData ReadClean(const Bytes& file)
	{
		std::string problem;
		Model::ModelData data = Read(file, problem);
		EXPECT_EQ(problem, "");
		return data;
	}
	void ExpectEmpty(const Model::ModelData& data)
	{
		EXPECT_FALSE(data.hasSkeleton);
		EXPECT_EQ(data.mesh.stride, 0u);
		EXPECT_TRUE(data.mesh.vertices.empty());
		EXPECT_TRUE(data.skeleton.bones.empty());
		ASSERT_EQ(data.animations.size(), 1u);
		EXPECT_EQ(data.animations.begin()->first, "");
		EXPECT_EQ(data.animations.begin()->second, nullptr);
	}

	// Two bones and an animation of two keys per track.
	std::vector<ModelFileWriter::Bone> TwoBones()
	{
		return {{"Root", Model::Bone::kNoParent, {1, 2, 3}, {}, {-1, -2, -3}, {}}, {"Arm", 0, {0, 1, 0}, kQuarterTurnZ, {}, {}}};
	}
	ModelFileWriter::Animation Walk(const std::string& name = "Walk", float duration = 2.0f)
	{
		const std::vector<Model::Key> track = {{0.0f, {}, {}}, {1.0f, {1, 0, 0}, kQuarterTurnZ}};
		return {name, duration, {track, track}};
	}
	ModelFileWriter Valid()
	{
		ModelFileWriter writer;
		writer.PatternMesh(4, {0, 1, 2, 2, 1, 0}, 3).Skeleton(TwoBones()).AnimationChunk(Walk());
		return writer;
	}
}

TEST(ModelFile, EveryVertexFormatParsesWithItsStride)
{
	const struct
	{
		std::uint32_t format;
		unsigned stride;
	} formats[] = {{0, 32}, {1, 52}, {2, 16}, {3, 56}, {4, 76}, {5, 76}};
	for (const auto& [format, stride] : formats)
	{
		const Model::ModelData data = ReadClean(ModelFileWriter().PatternMesh(format, {0, 1, 2, 3, 2, 1}, 4).EndMarker().Build());
		const Model::Mesh& mesh = data.mesh;
		EXPECT_EQ(mesh.formatId, format);
		EXPECT_EQ(mesh.stride, stride) << "format " << format;
		EXPECT_EQ(mesh.indexCount, 6u);
		EXPECT_EQ(mesh.indices, (std::vector<std::uint32_t>{0, 1, 2, 3, 2, 1}));
		ASSERT_EQ(mesh.vertexCount, 4u);
		ASSERT_EQ(mesh.vertices.size(), 4u * stride);
		EXPECT_EQ(mesh.vertices[stride + 1], static_cast<std::uint8_t>((stride + 1) * 7));
		// Without a graphics context nothing goes to buffer objects; the arrays stay.
		EXPECT_EQ(mesh.vertexBuffer, 0u);
		EXPECT_EQ(GetVertexLayout(format)->stride, static_cast<int>(stride)) << "the layout the drawing uses";
	}
	EXPECT_EQ(GetVertexLayout(1)->blendIndices, 48);
	EXPECT_EQ(GetVertexLayout(2)->texCoord, -1);
	EXPECT_EQ(GetVertexLayout(5)->colour, 12);
	EXPECT_EQ(GetVertexLayout(6), nullptr);
}

TEST(ModelFile, SkeletonAndAnimationsReadInFileOrder)
{
	std::vector<ModelFileWriter::Bone> bones = TwoBones();
	bones.push_back({"Hand", 1, {}, {}, {}, {}});
	bones.push_back({"Leg", Model::Bone::kNoParent, {}, {}, {}, {}});
	bones.push_back({"Finger", 1, {}, {}, {}, {}});
	ModelFileWriter::Animation walk = Walk(), wave = Walk("Wave", 5.0f), walkAgain = Walk("Walk", 9.0f);
	for (ModelFileWriter::Animation* animation : {&walk, &wave, &walkAgain})
		animation->tracks.resize(bones.size(), animation->tracks.front());
	// A chunk of another kind between known ones is skipped by its size; no end marker is needed.
	const Model::ModelData data = ReadClean(ModelFileWriter()
												.Skeleton(bones)
												.AnimationChunk(walk)
												.Chunk(0x12345678, Bytes(13, 0xEE))
												.AnimationChunk(wave)
												.AnimationChunk(walkAgain)
												.Build());

	EXPECT_TRUE(data.hasSkeleton);
	const Model::Skeleton& skeleton = data.skeleton;
	ASSERT_EQ(skeleton.bones.size(), 5u);
	ASSERT_EQ(skeleton.roots.size(), 2u);
	EXPECT_EQ(skeleton.roots[0]->name, "Root");
	EXPECT_EQ(skeleton.roots[1]->name, "Leg");
	const Model::Bone& arm = *skeleton.bones[1];
	ASSERT_EQ(arm.children.size(), 2u);
	EXPECT_EQ(arm.children[0]->name, "Hand");
	EXPECT_EQ(arm.children[1]->name, "Finger");
	EXPECT_EQ(skeleton.bones[4]->index, 4u);
	ExpectNear(arm.bindMatrix, Model::BuildPoseMatrix({0, 1, 0}, kQuarterTurnZ), 1e-6);
	EXPECT_EQ(arm.bindMatrix.At(1, 3), 1.0f);
	EXPECT_EQ(skeleton.bones[0]->skinOffsetMatrix.At(2, 3), -3.0f);

	// Newest first: the empty name inserted last comes first; a repeated name keeps its first.
	std::vector<std::string> names;
	for (const auto& [name, animation] : data.animations)
		names.push_back(name);
	EXPECT_EQ(names, (std::vector<std::string>{"", "Wave", "Walk"}));
	const Model::Animation& kept = *data.animations.find("Walk")->second;
	EXPECT_EQ(kept.duration, 2.0f);
	ASSERT_EQ(kept.tracks.size(), 5u);
	EXPECT_EQ(kept.tracks[1][1].rotation, kQuarterTurnZ);
	EXPECT_EQ(kept.tracks[1][1].position, Tuple3f(1, 0, 0));
}

TEST(ModelFile, EmptyAndMissingFilesGiveTheEmptyModel)
{
	ExpectEmpty(ReadClean(ModelFileWriter().EndMarker().Build()));
	// After the end marker nothing is read.
	ExpectEmpty(ReadClean(ModelFileWriter().EndMarker().Chunk(ModelFile::kMeshTag, Bytes(3, 1)).Build()));

	testing::internal::CaptureStderr();
	ExpectEmpty(ModelFile::Load("NoSuchModel.model"));
	EXPECT_EQ(testing::internal::GetCapturedStderr(), "Model file 'NoSuchModel.model': not found; the model is empty\n");
}

TEST(ModelFile, DamagedFilesAreRejectedNamingTheChunk)
{
	const auto mesh = [](std::uint32_t format, std::vector<std::uint32_t> indices, std::uint32_t vertices) {
		return ModelFileWriter().PatternMesh(format, indices, vertices);
	};
	const auto skeleton = [](std::vector<ModelFileWriter::Bone> bones) { return ModelFileWriter().Skeleton(bones); };
	std::vector<ModelFileWriter::Bone> tooMany(81, ModelFileWriter::Bone{"B", Model::Bone::kNoParent, {}, {}, {}, {}});
	ModelFileWriter::Animation emptyTrack = Walk(), backwards = Walk(), notANumber = Walk(), oneTrack = Walk();
	emptyTrack.tracks[1].clear();
	backwards.tracks[0][1].time = -1.0f;
	notANumber.duration = std::nanf("");
	oneTrack.tracks.pop_back();
	Bytes longName;
	ModelFileWriter::Name(longName, std::string(128, 'n'));
	longName.resize(200, 0);
	// Vertex 1 of format 4 (76 bytes, indices at 72) names a third bone in its third slot.
	Bytes badBlend(3 * 76, 0);
	badBlend[76 + 72 + 2] = 2;

	const struct
	{
		const char* what;
		Bytes file;
		const char* problem;
	} cases[] = {
		{"short", {1, 2, 3}, "file at byte 0: shorter than its 8-byte header"},
		{"cut header", Bytes{0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3}, "chunk at byte 8: the chunk header is cut off"},
		{"size past end", ModelFileWriter().Chunk(7, 100, Bytes(10)).Build(), "chunk at byte 8: tag 0x7: its size 100 runs past the end of the file"},
		{"unknown format", mesh(9, {}, 0).Build(), "mesh chunk at byte 8: vertex format 9 is not known"},
		{"partial triangle", mesh(0, {0, 1}, 2).Build(), "mesh chunk at byte 8: index count 2 is not a whole number of triangles"},
		{"index out of range", mesh(0, {0, 1, 3}, 3).Build(), "mesh chunk at byte 8: index 2 names vertex 3 of 3"},
		{"huge index count", ModelFileWriter().Chunk(ModelFile::kMeshTag, Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}).Build(),
			"mesh chunk at byte 8: 4294967295 indices do not fit in the chunk"},
		{"huge vertex count", ModelFileWriter().Chunk(ModelFile::kMeshTag, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F}).Build(),
			"mesh chunk at byte 8: 268435455 vertices of 32 bytes do not fit in the chunk"},
		{"second mesh", mesh(0, {}, 0).PatternMesh(0, {}, 0).Build(), "mesh chunk at byte 28: a second mesh chunk"},
		{"size too large", ModelFileWriter().Chunk(ModelFile::kMeshTag, Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9}).Build(),
			"mesh chunk at byte 8: its size 13 leaves 1 bytes after its fields"},
		{"size too small", ModelFileWriter().Chunk(ModelFile::kMeshTag, Bytes{0, 0, 0, 0, 0, 0}).Build(),
			"mesh chunk at byte 8: ends at byte 20 before its index count"},
		{"81 bones", skeleton(tooMany).Build(), "skeleton chunk at byte 8: 81 bones; a model can draw at most 80"},
		{"parent after child", skeleton({{"A", 1, {}, {}, {}, {}}, {"B", Model::Bone::kNoParent, {}, {}, {}, {}}}).Build(),
			"skeleton chunk at byte 8: bone 0 (\"A\"): parent 1 does not come before it"},
		{"own parent", skeleton({{"A", 0, {}, {}, {}, {}}}).Build(), "bone 0 (\"A\"): parent 0 does not come before it"},
		{"second skeleton", skeleton({}).Skeleton({}).Build(), "skeleton chunk at byte 20: a second skeleton chunk"},
		{"bone cut off", ModelFileWriter().Chunk(ModelFile::kSkeletonTag, Bytes{1, 0, 0, 0, 2, 'A', 'B', 0xFF}).Build(),
			"skeleton chunk at byte 8: ends at byte 23 before its bone 0 record"},
		{"name length above 127", ModelFileWriter().Chunk(ModelFile::kAnimationTag, longName).Build(),
			"animation chunk at byte 8: animation: name length byte 0x80 is above 127"},
		{"track count", Valid().AnimationChunk(oneTrack).Build(), "animation chunk at byte 578: \"Walk\" has 1 tracks for 2 bones"},
		{"tracks without skeleton", ModelFileWriter().AnimationChunk(Walk()).Build(), "\"Walk\" has 2 tracks for 0 bones"},
		{"empty track", Valid().AnimationChunk(emptyTrack).Build(), "animation chunk \"Walk\" at byte 578: track 1 has no keys"},
		{"keys backwards", Valid().AnimationChunk(backwards).Build(), "track 0: key 1 is not in ascending time"},
		{"duration", Valid().AnimationChunk(notANumber).Build(), "its duration is not a number"},
		{"blend index past the bones", ModelFileWriter().Mesh(4, {0, 1, 2}, 3, badBlend).Skeleton(TwoBones()).Build(),
			"mesh chunk at byte 8: vertex 1 blends bone 2 of 2"},
		{"blend index, skeleton first", ModelFileWriter().Skeleton(TwoBones()).Mesh(4, {0, 1, 2}, 3, badBlend).Build(),
			"vertex 1 blends bone 2 of 2"},
	};
	for (const auto& [what, file, problem] : cases)
	{
		std::string reported;
		const Model::ModelData data = Read(file, reported);
		EXPECT_NE(reported.find(problem), std::string::npos) << what << ": " << reported;
		ExpectEmpty(data);
	}

	// Every cut of a valid file either loads (cut between chunks) or is rejected, never read past.
	const Bytes whole = Valid().EndMarker().Build();
	unsigned loaded = 0;
	for (std::size_t length = 0; length < whole.size(); ++length)
	{
		std::string problem;
		const Model::ModelData data = Read(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)), problem);
		if (problem.empty())
			++loaded;
		else
			ExpectEmpty(data);
	}
	// Cut at a chunk boundary: after the outer header, the mesh, the skeleton and the animation.
	EXPECT_EQ(loaded, 4u);
}

TEST(ModelFile, LoadNamesTheFileOfADamagedModel)
{
	test::TempFolder folder;
	ModelFileWriter().PatternMesh(0, {0, 1, 5}, 3).Save(folder.Path() + "Broken.model");
	testing::internal::CaptureStderr();
	const Model::ModelData data = ModelFile::Load(folder.Path() + "Broken.model");
	EXPECT_EQ(testing::internal::GetCapturedStderr(),
		"Model file '" + folder.Path() + "Broken.model': mesh chunk at byte 8: index 2 names vertex 5 of 3; the model is left empty\n");
	EXPECT_TRUE(data.mesh.vertices.empty());
}

TEST(ModelFile, DevicesFifosFoldersAndHugeFilesGiveTheEmptyModelWithOneDiagnostic)
{
	test::ExpectEachRefusedWithOneDiagnostic(test::TempFolder(), [](const std::string& path) {
		return StderrOf([&] { ExpectEmpty(ModelFile::Load(path)); });
	});
}

// A zero-filled or foreign file parses cleanly into nothing; a model that ends with the end
// marker after its chunks is the usual case and loads silently.
TEST(ModelFile, AFileThatHoldsNothingSaysSoAndAModelEndingInAZeroTagDoesNot)
{
	const test::TempFolder folder;
	const std::pair<Bytes, bool> cases[] = {{ModelFileWriter().EndMarker().Build(), true}, {Bytes(4096, 0), true},
		{ModelFileWriter().Chunk(0x474E5089, Bytes(40, 7)).Build(), true}, {Valid().EndMarker().Build(), false}};
	for (const auto& [bytes, empty] : cases)
	{
		folder.WriteFile("Some.model", std::string(bytes.begin(), bytes.end()));
		Model::ModelData data;
		const std::string printed = StderrOf([&] { data = ModelFile::Load(folder.Path() + "Some.model"); });
		EXPECT_EQ(printed, empty ? "Model file '" + folder.Path() + "Some.model': holds no mesh, skeleton or animation, only an end "
								   "marker or chunks of unknown kinds; the model is empty\n" : "");
		EXPECT_EQ(data.hasSkeleton, !empty);
	}
}

TEST(ModelFile, ShippedSampleModelIsTheWritersOutput)
{
	const std::string shipped = test::ReadText(std::string(TW_TEST_DATA_DIR) + "../../Data/Models/" + test::kSampleModelFile);
	const Bytes written = test::SampleModelBytes();
	EXPECT_EQ(Bytes(shipped.begin(), shipped.end()), written) << "regenerate it with MakeSampleModels Data";
	const Model::ModelData data = ReadClean(written);
	EXPECT_EQ(data.skeleton.bones.size(), 2u);
	EXPECT_EQ(data.mesh.vertexCount, 12u);
	EXPECT_NE(data.animations.find("Sway"), data.animations.end());
}

TEST(ModelFile, ShippedGolemModelsCarryTheBonesAndAnimationsTheGolemUsesAndItsRagdollFitsThem)
{
	const std::string folder = std::string(TW_TEST_DATA_DIR) + "../../Data/";
	const auto shipped = [&folder](const std::string& file) {
		const std::string text = test::ReadText(folder + file);
		return Bytes(text.begin(), text.end());
	};
	ASSERT_EQ(shipped("Models/" + std::string(test::kGolemSkinFile)), test::GolemSkinBytes()) << "regenerate it with MakeSampleModels Data";
	const Model::ModelData skin = ReadClean(test::GolemSkinBytes());
	const Model::ModelData places = ReadClean(test::GolemModelBytes());
	const Model::ModelData ragdoll = ReadClean(shipped("PhysicsModels/" + std::string(test::kGolemRagdollFile)));
	const std::size_t boneCount = skin.skeleton.bones.size();
	for (const Model::ModelData* data : {&places, &ragdoll})
		for (std::size_t i = 0; i < boneCount; ++i)
		{
			ASSERT_LT(i, data->skeleton.bones.size());
			EXPECT_EQ(data->skeleton.bones[i]->name, skin.skeleton.bones[i]->name);
			EXPECT_EQ(data->skeleton.bones[i]->parent, skin.skeleton.bones[i]->parent);
			EXPECT_EQ(data->skeleton.bones[i]->bindPosition, skin.skeleton.bones[i]->bindPosition);
		}
	for (const char* bone : {"ee_hand_L", "ee_hand_R", "lowerArm_L", "lowerArm_R", test::kGolemHeadBone})
		EXPECT_TRUE(std::any_of(skin.skeleton.bones.begin(), skin.skeleton.bones.end(), [bone](const auto& b) { return b->name == bone; }))
			<< bone;
	for (const Model::ModelData* data : {&skin, &places})
		for (const char* animation : {"Walk", "Throw"})
		{
			const auto found = data->animations.find(animation);
			ASSERT_NE(found, data->animations.end()) << animation;
			EXPECT_EQ(found->second->tracks.size(), boneCount) << animation;
		}
	EXPECT_EQ(skin.mesh.formatId, 1u);
}
