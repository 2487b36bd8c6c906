#include "Components/Physics/RagdollFile.h"

#include "Components/Graphics/ModelFile.h"
#include "Systems/Graphics/VertexLayout.h"
#include "Utilities/BinaryFile.h"
#include "Utilities/ChunkReader.h"

#include <cmath>
#include <iostream>

namespace
{
	// Name length byte, parent, then four tuples of 3, 4, 3 and 4 floats.
	constexpr std::size_t kSmallestBoneBytes = 61;
	// A second position and orientation that the ragdoll does not use.
	constexpr std::size_t kUnusedPoseBytes = 7 * sizeof(float);

	struct BoneEntry
	{
		std::string name;
		std::uint32_t parent = 0;
		Tuple3f bindPosition;
		Quaternion bindOrientation;
	};

	class RagdollParser
	{
	public:
		explicit RagdollParser(std::span<const std::uint8_t> file) : chunks(file) {}

		bool Run();

		std::vector<BoneEntry> entries;
		std::string problem;

	private:
		bool ReadChunk(const ChunkReader::ChunkHeader& header, ByteReader& body);
		bool ReadSkeleton(ByteReader& body);
		bool ReadBone(ByteReader& body, std::uint32_t index, BoneEntry& bone);
		bool ReadOverMesh(ByteReader& body);
		bool ReadOverAnimation(ByteReader& body);
		bool ReadName(ByteReader& body, const std::string& owner, std::string& name);
		// A count of items of itemBytes each that must fit in what is left of the chunk.
		bool ReadCount(ByteReader& body, const std::string& what, std::size_t itemBytes, std::uint32_t& count);

		bool Fail(const std::string& what)
		{
			problem = chunk + " at byte " + std::to_string(chunks.ChunkOffset()) + ": " + what;
			return false;
		}
		bool CutOff(const ByteReader& body, const std::string& field)
		{
			return Fail("ends at byte " + std::to_string(body.FileOffset()) + " before its " + field);
		}

		ChunkReader chunks;
		std::string chunk = "file";
		bool skeletonRead = false;
	};

	bool RagdollParser::Run()
	{
		if (!chunks.SkipOuterHeader())
			return Fail("shorter than its 8-byte header");
		for (;;)
		{
			ChunkReader::ChunkHeader header;
			ByteReader body;
			const ChunkReader::Step step = chunks.Next(header, body);
			chunk = "chunk";
			// 1 to 7 bytes after the last chunk, too few for a header, end the file, as the
			// format's own reader takes them; refusing them would refuse a good skeleton.
			const bool headerCutOff = header.tag == 0 && header.size == 0;
			if (step == ChunkReader::Step::End || (step == ChunkReader::Step::Damaged && headerCutOff))
				break;
			if (step == ChunkReader::Step::Damaged)
				return Fail("its size " + std::to_string(header.size) + " runs past the end of the file");
			if (!ReadChunk(header, body))
				return false;
		}
		if (!skeletonRead)
			problem = "there is no skeleton chunk";
		return skeletonRead;
	}

	bool RagdollParser::ReadChunk(const ChunkReader::ChunkHeader& header, ByteReader& body)
	{
		switch (header.tag)
		{
		case ModelFile::kSkeletonTag:
			chunk = "skeleton chunk";
			if (skeletonRead)
				return Fail("a second skeleton chunk; a ragdoll has one skeleton");
			if (!ReadSkeleton(body))
				return false;
			skeletonRead = true;
			break;
		case ModelFile::kMeshTag:
			chunk = "mesh chunk";
			if (!ReadOverMesh(body))
				return false;
			break;
		case ModelFile::kAnimationTag:
			chunk = "animation chunk";
			if (!ReadOverAnimation(body))
				return false;
			break;
		default:
			// Chunks of other kinds are skipped by their size.
			return true;
		}
		// The next chunk follows these chunks' fields, so a size that disagrees with them means
		// the file is not what it claims to be.
		if (body.Remaining() != 0)
			return Fail("its size " + std::to_string(header.size) + " leaves " + std::to_string(body.Remaining()) +
				" bytes after its fields");
		return true;
	}

	bool RagdollParser::ReadSkeleton(ByteReader& body)
	{
		std::uint32_t boneCount = 0;
		if (!ReadCount(body, "bones", kSmallestBoneBytes, boneCount))
			return false;
		// Every part and joint hangs on a bone, and the first bone is the root.
		if (boneCount == 0)
			return Fail("the skeleton has no bones");
		entries.resize(boneCount);
		for (std::uint32_t index = 0; index < boneCount; ++index)
			if (!ReadBone(body, index, entries[index]))
				return false;
		return true;
	}

	bool RagdollParser::ReadBone(ByteReader& body, std::uint32_t index, BoneEntry& bone)
	{
		const std::string which = "bone " + std::to_string(index);
		if (!ReadName(body, which, bone.name))
			return false;
		Tuple3f& p = bone.bindPosition;
		Quaternion& q = bone.bindOrientation;
		if (!body.ReadU32(bone.parent) || !body.ReadF32(p.x) || !body.ReadF32(p.y) || !body.ReadF32(p.z) ||
			!body.ReadF32(q.x) || !body.ReadF32(q.y) || !body.ReadF32(q.z) || !body.ReadF32(q.w) ||
			!body.Skip(kUnusedPoseBytes))
			return CutOff(body, which + " record");
		const std::string named = which + " (\"" + bone.name + "\")";
		// Parents are built before their children; the first bone's parent is not read.
		if (index > 0 && bone.parent >= index)
			return Fail(named + ": parent " + std::to_string(bone.parent) + " is not an earlier bone");
		for (float value : {p.x, p.y, p.z, q.x, q.y, q.z, q.w})
			if (!std::isfinite(value))
				return Fail(named + ": its bind pose is not a finite number");
		return true;
	}

	bool RagdollParser::ReadOverMesh(ByteReader& body)
	{
		std::uint32_t format = 0;
		if (!body.ReadU32(format))
			return CutOff(body, "vertex format");
		const VertexLayout* layout = GetVertexLayout(format);
		if (layout == nullptr || layout->stride <= 0)
			return Fail("vertex format " + std::to_string(format) + " is not known, so its vertices cannot be read over");
		std::uint32_t indexCount = 0, vertexCount = 0;
		if (!ReadCount(body, "indices", sizeof(std::uint32_t), indexCount))
			return false;
		body.Skip(std::size_t{indexCount} * sizeof(std::uint32_t));
		const auto stride = static_cast<std::size_t>(layout->stride);
		if (!ReadCount(body, "vertices of " + std::to_string(stride) + " bytes", stride, vertexCount))
			return false;
		body.Skip(vertexCount * stride);
		return true;
	}

	bool RagdollParser::ReadOverAnimation(ByteReader& body)
	{
		std::string name;
		if (!ReadName(body, "animation", name))
			return false;
		chunk = "animation chunk \"" + name + "\"";
		std::uint32_t trackCount = 0;
		if (!body.Skip(sizeof(float)))
			return CutOff(body, "duration");
		// Every track takes at least its key count.
		if (!ReadCount(body, "tracks", sizeof(std::uint32_t), trackCount))
			return false;
		for (std::uint32_t track = 0; track < trackCount; ++track)
		{
			std::uint32_t keyCount = 0;
			if (!ReadCount(body, "keys of track " + std::to_string(track), ModelFile::kKeyBytes, keyCount))
				return false;
			body.Skip(keyCount * ModelFile::kKeyBytes);
		}
		return true;
	}

	bool RagdollParser::ReadName(ByteReader& body, const std::string& owner, std::string& name)
	{
		std::int8_t length = 0;
		if (!body.ReadI8(length))
			return CutOff(body, owner + " name length");
		if (length < 0)
			return Fail(owner + ": name length " + std::to_string(static_cast<std::uint8_t>(length)) + " is above 127");
		if (!body.ReadText(static_cast<std::size_t>(length), name))
			return CutOff(body, owner + " name");
		return true;
	}

	bool RagdollParser::ReadCount(ByteReader& body, const std::string& what, std::size_t itemBytes, std::uint32_t& count)
	{
		const std::size_t at = body.FileOffset();
		if (!body.ReadU32(count))
			return CutOff(body, "count of " + what);
		if (count > body.Remaining() / itemBytes)
			return Fail(std::to_string(count) + " " + what + " (count at byte " + std::to_string(at) + ") do not fit in the chunk");
		return true;
	}

	std::vector<RagdollBone> BuildBones(const std::vector<BoneEntry>& entries)
	{
		std::vector<RagdollBone> bones(entries.size());
		for (std::size_t index = 0; index < entries.size(); ++index)
		{
			RagdollBone& bone = bones[index];
			bone.name = entries[index].name;
			bone.parent = index == 0 ? nullptr : &bones[entries[index].parent];
			bone.bindPosition = entries[index].bindPosition;
			bone.bindOrientation = entries[index].bindOrientation;
		}
		return bones;
	}
}

std::vector<RagdollBone> RagdollFile::Read(std::span<const std::uint8_t> file, std::string& problem)
{
	RagdollParser parser(file);
	if (!parser.Run())
	{
		problem = parser.problem;
		return {};
	}
	problem.clear();
	return BuildBones(parser.entries);
}

bool RagdollFile::Load(const std::string& fileName, std::vector<RagdollBone>& bones)
{
	std::vector<std::uint8_t> bytes;
	std::string problem;
	bones.clear();
	if (ReadDataFile(fileName, bytes, problem))
		bones = Read(bytes, problem);
	if (problem.empty())
		return true;
	std::cerr << "Ragdoll file '" << fileName << "': " << problem << "; the ragdoll has no skeleton\n";
	return false;
}

RagdollBone* RagdollFile::FindBoneForPart(std::vector<RagdollBone>& bones, const std::string& name, std::string& problem)
{
	for (RagdollBone& bone : bones)
		if (bone.name == name)
		{
			if (bone.part == nullptr)
				return &bone;
			problem = "bone \"" + name + "\" has a part already; a ragdoll has one part per bone";
			return nullptr;
		}
	problem = "no bone is named \"" + name + "\"";
	return nullptr;
}
