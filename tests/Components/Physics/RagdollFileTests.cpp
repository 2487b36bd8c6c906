#include "Components/Physics/RagdollFile.h"

#include "Components/Physics/RagdollFileWriter.h"
#include "HostileFiles.h"
#include "Utilities/TestHelpers.h"

#include <gtest/gtest.h>

#include <fstream>
#include <limits>

namespace
{
	using test::ModelFileWriter;
	using RagdollBytes = ModelFileWriter::Bytes;

	// A chunk of a kind the reader does not know.
	constexpr std::uint32_t kOtherTag = 0x6C697465;

	void ExpectFiveBones(const std::vector<RagdollBone>& bones, const std::string& what)
	{
		const std::vector<test::RagdollBoneEntry> expected = test::FiveBoneSkeleton();
		ASSERT_EQ(bones.size(), expected.size()) << what;
		for (std::size_t i = 0; i < bones.size(); ++i)
		{
			EXPECT_EQ(bones[i].name, expected[i].name) << what;
			EXPECT_EQ(bones[i].bindPosition, expected[i].bindPosition) << what;
			EXPECT_EQ(bones[i].bindOrientation, expected[i].bindOrientation) << what;
			EXPECT_EQ(bones[i].parent, i == 0 ? nullptr : &bones[expected[i].parent]) << what << ", bone " << i;
			EXPECT_EQ(bones[i].part, nullptr);
			EXPECT_EQ(bones[i].boneInfo, nullptr);
		}
	}

	using RagdollFile::Read;

	// A mesh of format 1 (52-byte vertices), a chunk of another kind and an animation with one
	// track per bone before the skeleton, so that any cut of the file loses the skeleton.
	ModelFileWriter ModelAround(const std::vector<test::RagdollBoneEntry>& bones)
	{
		ModelFileWriter::Animation walk{"walk", 2.0f, {}};
		for (std::size_t i = 0; i < bones.size(); ++i)
			walk.tracks.push_back({{0.0f, {}, {}}, {1.0f, {1, 2, 3}, {}}});
		ModelFileWriter writer;
		writer.PatternMesh(1, {0, 1, 2}, 3).Chunk(kOtherTag, RagdollBytes(13, 7)).AnimationChunk(walk).Skeleton(bones);
		return writer;
	}
}

TEST(RagdollFile, SkeletonIsReadAloneOrFromAModelFileWithParentsLinked)
{
	const std::vector<test::RagdollBoneEntry> skeleton = test::FiveBoneSkeleton();
	const struct
	{
		RagdollBytes file;
		const char* what;
	} cases[] = {
		{test::RagdollFileBytes(skeleton), "a skeleton alone"},
		{ModelAround(skeleton).Build(), "mesh, other chunk, animation, skeleton"},
		{ModelAround(skeleton).EndMarker().Build(), "with an end marker"},
		{ModelAround(skeleton).EndMarker().Chunk(kOtherTag, 1000, RagdollBytes(3)).Build(), "nothing after the end marker is read"},
		{ModelFileWriter().Chunk(kOtherTag, {}).Skeleton(skeleton).Chunk(1, RagdollBytes(40)).Chunk(kOtherTag, RagdollBytes(1)).Build(),
			"unknown chunks in any number"},
		{ModelFileWriter().AnimationChunk({"idle", 1.0f, {{}, {}}}).PatternMesh(4, {}, 0).PatternMesh(0, {0, 0, 0}, 1)
				.Skeleton(skeleton).Build(),
			"empty tracks, an empty mesh and a second mesh are read over too"},
	};
	for (const auto& c : cases)
	{
		std::string problem;
		ExpectFiveBones(Read(c.file, problem), c.what);
		EXPECT_EQ(problem, "") << c.what;
	}

	// The first bone's parent field is never read.
	std::vector<test::RagdollBoneEntry> rootWithParent = skeleton;
	rootWithParent[0].parent = 3;
	std::string problem = "stale";
	EXPECT_EQ(Read(test::RagdollFileBytes(rootWithParent), problem).front().parent, nullptr);
	EXPECT_EQ(problem, "");
}

TEST(RagdollFile, DamagedFilesAreRefusedNamingChunkAndFault)
{
	const std::vector<test::RagdollBoneEntry> good = test::FiveBoneSkeleton();
	const auto withBones = [&good](auto&& change) {
		std::vector<test::RagdollBoneEntry> bones = good;
		change(bones);
		return test::RagdollFileBytes(bones);
	};
	const auto skeletonBody = [](std::uint32_t count) {
		RagdollBytes body;
		ModelFileWriter::U32(body, count);
		return body;
	};
	RagdollBytes twoSkeletons = ModelFileWriter().Skeleton(good).Skeleton(good).Build();
	RagdollBytes longName = test::RagdollFileBytes({{std::string(128, 'x'), 0, {}, {}, {}, {}}});
	RagdollBytes badMesh;
	ModelFileWriter::U32(badMesh, 1);
	ModelFileWriter::U32(badMesh, 0x40000000);
	RagdollBytes badAnimation;
	ModelFileWriter::Name(badAnimation, "run");
	ModelFileWriter::F32(badAnimation, 1.0f);
	ModelFileWriter::U32(badAnimation, 1);
	ModelFileWriter::U32(badAnimation, 2);

	const struct
	{
		RagdollBytes file;
		const char* problem;
	} cases[] = {
		{RagdollBytes(7), "file at byte 0: shorter than its 8-byte header"},
		{RagdollBytes(8), "there is no skeleton chunk"},
		{ModelFileWriter().PatternMesh(0, {0, 0, 0}, 1).EndMarker().Skeleton(good).Build(), "there is no skeleton chunk"},
		{ModelFileWriter().Chunk(kOtherTag, 100, RagdollBytes(99)).Build(), "chunk at byte 8: its size 100 runs past the end of the file"},
		{twoSkeletons, "a second skeleton chunk"},
		{ModelFileWriter().Chunk(ModelFile::kSkeletonTag, skeletonBody(0)).Build(), "skeleton chunk at byte 8: the skeleton has no bones"},
		{ModelFileWriter().Chunk(ModelFile::kSkeletonTag, skeletonBody(0xFFFFFFFF)).Build(),
			"4294967295 bones (count at byte 16) do not fit in the chunk"},
		{withBones([](auto& b) { b[2].parent = 2; }), "bone 2 (\"head\"): parent 2 is not an earlier bone"},
		{withBones([](auto& b) { b[1].parent = 4; }), "bone 1 (\"spine\"): parent 4 is not an earlier bone"},
		{withBones([](auto& b) { b[4].parent = Model::Bone::kNoParent; }), "bone 4 (\"rightLeg\"): parent 4294967295 is not"},
		{withBones([](auto& b) { b[3].bindPosition.y = std::numeric_limits<float>::infinity(); }),
			"bone 3 (\"leftLeg\"): its bind pose is not a finite number"},
		{withBones([](auto& b) { b[0].bindOrientation.w = std::numeric_limits<float>::quiet_NaN(); }), "bone 0 (\"pelvis\"): its bind"},
		{longName, "bone 0: name length 128 is above 127"},
		{ModelFileWriter().Skeleton(good).PatternMesh(6, {}, 0).Build(), "mesh chunk at byte 355: vertex format 6 is not known"},
		{ModelFileWriter().Chunk(ModelFile::kMeshTag, badMesh).Skeleton(good).Build(), "mesh chunk at byte 8: 1073741824 indices"},
		{ModelFileWriter().Chunk(ModelFile::kAnimationTag, badAnimation).Skeleton(good).Build(),
			"animation chunk \"run\" at byte 8: 2 keys of track 0 (count at byte 28) do not fit in the chunk"},
		{ModelFileWriter().Skeleton(good).Chunk(ModelFile::kMeshTag, 9, RagdollBytes(9)).Build(), "mesh chunk at byte 355: ends at byte"},
	};
	for (const auto& c : cases)
	{
		std::string problem;
		EXPECT_TRUE(Read(c.file, problem).empty()) << c.problem;
		EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
	}

	// A size that disagrees with the fields, either way.
	RagdollBytes body = test::RagdollFileBytes(good);
	body.erase(body.begin(), body.begin() + 16);
	for (const std::uint32_t size : {static_cast<std::uint32_t>(body.size() + 4), static_cast<std::uint32_t>(body.size() - 4)})
	{
		RagdollBytes padded = body;
		padded.resize(size);
		std::string problem;
		EXPECT_TRUE(Read(ModelFileWriter().Chunk(ModelFile::kSkeletonTag, padded).Build(), problem).empty()) << size;
		EXPECT_NE(problem, "") << size;
	}
}

TEST(RagdollFile, OneToSevenTrailingBytesEndTheFile)
{
	for (std::uint8_t trailing = 1; trailing <= 7; ++trailing)
	{
		RagdollBytes file = test::RagdollFileBytes(test::FiveBoneSkeleton());
		file.insert(file.end(), trailing, trailing);
		std::string problem;
		EXPECT_EQ(Read(file, problem).size(), 5u) << int(trailing) << " bytes: " << problem;
	}
}

TEST(RagdollFile, CutAndScrambledFilesNeverCrashTheReader)
{
	const RagdollBytes good = ModelAround(test::FiveBoneSkeleton()).Build();
	for (std::size_t length = 0; length < good.size(); ++length)
	{
		std::string problem;
		const std::vector<RagdollBone> bones = Read(RagdollBytes(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)), problem);
		EXPECT_TRUE(bones.empty()) << "cut at " << length;
		EXPECT_NE(problem, "") << "cut at " << length;
	}
	tw::SeedRand(23);
	for (int i = 0; i < 5000; ++i)
	{
		RagdollBytes file = good;
		for (int flips = 1 + tw::Rand() % 4; flips > 0; --flips)
			file[static_cast<std::size_t>(tw::Rand()) % file.size()] = static_cast<std::uint8_t>(tw::Rand());
		std::string problem;
		const std::vector<RagdollBone> bones = Read(file, problem);
		ASSERT_EQ(bones.empty(), !problem.empty());
		for (std::size_t b = 1; b < bones.size(); ++b)
			ASSERT_TRUE(bones[b].parent >= bones.data() && bones[b].parent < &bones[b]);
	}
}

TEST(RagdollFile, LoadNamesTheFileItCouldNotRead)
{
	const test::TempFolder folder;
	const std::string goodPath = folder.Path() + "/figure.rag";
	const RagdollBytes bytes = test::RagdollFileBytes(test::FiveBoneSkeleton());
	std::ofstream(goodPath, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
	std::vector<RagdollBone> bones;
	EXPECT_EQ(StderrOf([&] { EXPECT_TRUE(RagdollFile::Load(goodPath, bones)); }), "");
	ExpectFiveBones(bones, goodPath);

	const std::string diagnostic = StderrOf([&] { EXPECT_FALSE(RagdollFile::Load(folder.Path() + "/absent.rag", bones)); });
	EXPECT_NE(diagnostic.find("absent.rag': not found; the ragdoll has no skeleton"), std::string::npos) << diagnostic;
	EXPECT_TRUE(bones.empty());
}

TEST(RagdollFile, DevicesFifosFoldersAndHugeFilesAreRefusedWithOneDiagnostic)
{
	test::ExpectEachRefusedWithOneDiagnostic(test::TempFolder(), [](const std::string& path) {
		std::vector<RagdollBone> bones(1);
		return StderrOf([&] { EXPECT_FALSE(RagdollFile::Load(path, bones) || !bones.empty()); });
	});
}

TEST(RagdollFile, EachBoneTakesOnePart)
{
	std::vector<test::RagdollBoneEntry> entries = test::FiveBoneSkeleton();
	entries[4].name = "spine";
	std::string problem;
	std::vector<RagdollBone> bones = Read(test::RagdollFileBytes(entries), problem);
	RagdollPart* const part = reinterpret_cast<RagdollPart*>(&problem);

	RagdollBone* spine = RagdollFile::FindBoneForPart(bones, "spine", problem);
	ASSERT_EQ(spine, &bones[1]) << "the first bone of the name";
	spine->part = part;
	EXPECT_EQ(RagdollFile::FindBoneForPart(bones, "spine", problem), nullptr) << "a second part for the same bone";
	EXPECT_EQ(problem, "bone \"spine\" has a part already; a ragdoll has one part per bone");
	EXPECT_EQ(RagdollFile::FindBoneForPart(bones, "tail", problem), nullptr);
	EXPECT_EQ(problem, "no bone is named \"tail\"");
	EXPECT_EQ(RagdollFile::FindBoneForPart(bones, "head", problem), &bones[2]);
}
