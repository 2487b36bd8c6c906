#include "Components/Graphics/ModelFile.h"

#include "Components/Graphics/GLContext.h"

#include "Systems/Graphics/VertexLayout.h"
#include "Utilities/BinaryFile.h"
#include "Utilities/ChunkReader.h"

#include <GL/glew.h>

#include <cmath>
#include <iostream>
#include <sstream>
#include <vector>

namespace
{
	std::string Hex(std::uint32_t value)
	{
		std::ostringstream text;
		text << "0x" << std::hex << value;
		return text.str();
	}

	class Parser
	{
	public:
		explicit Parser(std::span<const std::uint8_t> file) : chunks(file) {}

		bool Run(Model::ModelData& data);

		std::string problem;

	private:
		struct ReadAnimation
		{
			std::unique_ptr<Model::Animation> record;
			std::size_t offset;
		};

		bool ReadMesh(ByteReader& body, Model::Mesh& mesh);
		bool ReadSkeleton(ByteReader& body, Model::Skeleton& skeleton);
		bool ReadBone(ByteReader& body, unsigned index, Model::Bone& bone);
		bool ReadAnimationBody(ByteReader& body, Model::Animation& animation);
		bool ReadTrack(ByteReader& body, std::size_t track, std::vector<Model::Key>& keys);
		bool ReadName(ByteReader& body, const std::string& owner, std::string& name);
		bool CheckTrackCounts(const std::vector<ReadAnimation>& animations, std::size_t boneCount);
		bool CheckBlendIndices(const Model::Mesh& mesh, std::size_t meshOffset, std::size_t boneCount);

		// Names the chunk that the next failure is reported against.
		void Enter(const char* chunkName, std::size_t offset)
		{
			chunk = chunkName;
			chunkOffset = offset;
		}
		bool Fail(const std::string& what)
		{
			problem = chunk + " at byte " + std::to_string(chunkOffset) + ": " + what;
			return false;
		}
		bool CutOff(const ByteReader& body, const std::string& field)
		{
			return Fail("ends at byte " + std::to_string(body.FileOffset()) + " before its " + field);
		}

		ChunkReader chunks;
		std::string chunk = "file";
		std::size_t chunkOffset = 0;
	};

	bool ReadModelTuple(ByteReader& body, Tuple3f& value)
	{
		return body.ReadF32(value.x) && body.ReadF32(value.y) && body.ReadF32(value.z);
	}

	bool ReadModelTuple(ByteReader& body, Quaternion& value)
	{
		return body.ReadF32(value.x) && body.ReadF32(value.y) && body.ReadF32(value.z) && body.ReadF32(value.w);
	}

	bool Parser::Run(Model::ModelData& data)
	{
		if (!chunks.SkipOuterHeader())
			return Fail("shorter than its 8-byte header");
		bool meshRead = false;
		std::size_t meshOffset = 0;
		std::vector<ReadAnimation> animations;
		for (;;)
		{
			ChunkReader::ChunkHeader header;
			ByteReader body;
			const ChunkReader::Step step = chunks.Next(header, body);
			Enter("chunk", chunks.ChunkOffset());
			if (step == ChunkReader::Step::End)
				break;
			if (step == ChunkReader::Step::Damaged)
				return Fail(header.tag == 0 && header.size == 0 ? "the chunk header is cut off"
																: "tag " + Hex(header.tag) + ": its size " + std::to_string(header.size) +
						   " runs past the end of the file");
			switch (header.tag)
			{
			case ModelFile::kMeshTag:
				Enter("mesh chunk", chunks.ChunkOffset());
				if (meshRead)
					return Fail("a second mesh chunk; a model has one mesh");
				if (!ReadMesh(body, data.mesh))
					return false;
				meshRead = true;
				meshOffset = chunks.ChunkOffset();
				break;
			case ModelFile::kSkeletonTag:
				Enter("skeleton chunk", chunks.ChunkOffset());
				if (data.hasSkeleton)
					return Fail("a second skeleton chunk; a model has one skeleton");
				if (!ReadSkeleton(body, data.skeleton))
					return false;
				data.hasSkeleton = true;
				break;
			case ModelFile::kAnimationTag:
				Enter("animation chunk", chunks.ChunkOffset());
				animations.push_back({std::make_unique<Model::Animation>(), chunks.ChunkOffset()});
				if (!ReadAnimationBody(body, *animations.back().record))
					return false;
				break;
			default:
				// Chunks of other kinds are skipped by their size.
				continue;
			}
			// The next header follows the fields directly, so a size that disagrees with them
			// means the file is not what it claims to be.
			if (body.Remaining() != 0)
				return Fail("its size " + std::to_string(header.size) + " leaves " + std::to_string(body.Remaining()) +
					" bytes after its fields");
		}
		if (!CheckTrackCounts(animations, data.skeleton.bones.size()) ||
			!CheckBlendIndices(data.mesh, meshOffset, data.skeleton.bones.size()))
			return false;
		// File order; a repeated name keeps its first animation.
		for (ReadAnimation& animation : animations)
		{
			const std::string name = animation.record->name;
			data.animations.insert({name, std::move(animation.record)});
		}
		data.animations.insert({std::string(), nullptr});
		return true;
	}

	bool Parser::ReadMesh(ByteReader& body, Model::Mesh& mesh)
	{
		if (!body.ReadU32(mesh.formatId))
			return CutOff(body, "vertex format");
		const VertexLayout* layout = GetVertexLayout(mesh.formatId);
		if (layout == nullptr || layout->stride <= 0)
			return Fail("vertex format " + std::to_string(mesh.formatId) + " is not known");
		mesh.stride = static_cast<unsigned>(layout->stride);
		if (!body.ReadU32(mesh.indexCount))
			return CutOff(body, "index count");
		if (mesh.indexCount % 3 != 0)
			return Fail("index count " + std::to_string(mesh.indexCount) + " is not a whole number of triangles");
		if (mesh.indexCount > body.Remaining() / 4)
			return Fail(std::to_string(mesh.indexCount) + " indices do not fit in the chunk");
		mesh.indices.resize(mesh.indexCount);
		for (std::uint32_t& index : mesh.indices)
			body.ReadU32(index);
		if (!body.ReadU32(mesh.vertexCount))
			return CutOff(body, "vertex count");
		if (mesh.vertexCount > body.Remaining() / mesh.stride)
			return Fail(std::to_string(mesh.vertexCount) + " vertices of " + std::to_string(mesh.stride) +
				" bytes do not fit in the chunk");
		mesh.vertices.resize(static_cast<std::size_t>(mesh.vertexCount) * mesh.stride);
		body.ReadBytes(mesh.vertices.size(), mesh.vertices.data());
		for (std::size_t i = 0; i < mesh.indices.size(); ++i)
			if (mesh.indices[i] >= mesh.vertexCount)
				return Fail("index " + std::to_string(i) + " names vertex " + std::to_string(mesh.indices[i]) + " of " +
					std::to_string(mesh.vertexCount));
		return true;
	}

	bool Parser::ReadSkeleton(ByteReader& body, Model::Skeleton& skeleton)
	{
		std::uint32_t boneCount = 0;
		if (!body.ReadU32(boneCount))
			return CutOff(body, "bone count");
		if (boneCount > Model::kMaxBones)
			return Fail(std::to_string(boneCount) + " bones; a model can draw at most " + std::to_string(Model::kMaxBones));
		skeleton.bones.reserve(boneCount);
		for (unsigned index = 0; index < boneCount; ++index)
		{
			skeleton.bones.push_back(std::make_unique<Model::Bone>());
			if (!ReadBone(body, index, *skeleton.bones.back()))
				return false;
		}
		skeleton.Link();
		return true;
	}

	bool Parser::ReadBone(ByteReader& body, unsigned index, Model::Bone& bone)
	{
		const std::string which = "bone " + std::to_string(index);
		if (!ReadName(body, which, bone.name))
			return false;
		if (!body.ReadU32(bone.parent) || !ReadModelTuple(body, bone.bindPosition) || !ReadModelTuple(body, bone.bindOrientation) ||
			!ReadModelTuple(body, bone.skinOffsetTranslation) || !ReadModelTuple(body, bone.skinOffsetRotation))
			return CutOff(body, (which + " record"));
		// Parents are posed before their children, so a parent must come first.
		if (bone.parent != Model::Bone::kNoParent && bone.parent >= index)
			return Fail(which + " (\"" + bone.name + "\"): parent " + std::to_string(bone.parent) + " does not come before it");
		return true;
	}

	bool Parser::ReadAnimationBody(ByteReader& body, Model::Animation& animation)
	{
		if (!ReadName(body, "animation", animation.name))
			return false;
		chunk = "animation chunk \"" + animation.name + "\"";
		if (!body.ReadF32(animation.duration))
			return CutOff(body, "duration");
		if (!std::isfinite(animation.duration))
			return Fail("its duration is not a number");
		std::uint32_t trackCount = 0;
		if (!body.ReadU32(trackCount))
			return CutOff(body, "track count");
		// Every track takes at least its key count.
		if (trackCount > body.Remaining() / 4)
			return Fail(std::to_string(trackCount) + " tracks do not fit in the chunk");
		animation.tracks.resize(trackCount);
		for (std::size_t track = 0; track < trackCount; ++track)
			if (!ReadTrack(body, track, animation.tracks[track]))
				return false;
		return true;
	}

	bool Parser::ReadTrack(ByteReader& body, std::size_t track, std::vector<Model::Key>& keys)
	{
		const std::string which = "track " + std::to_string(track);
		std::uint32_t keyCount = 0;
		if (!body.ReadU32(keyCount))
			return CutOff(body, (which + " key count"));
		if (keyCount == 0)
			return Fail(which + " has no keys");
		if (keyCount > body.Remaining() / ModelFile::kKeyBytes)
			return Fail(which + ": " + std::to_string(keyCount) + " keys do not fit in the chunk");
		keys.resize(keyCount);
		for (std::size_t k = 0; k < keyCount; ++k)
		{
			Model::Key& key = keys[k];
			body.ReadF32(key.time);
			ReadModelTuple(body, key.position);
			ReadModelTuple(body, key.rotation);
			if (!std::isfinite(key.time) || (k > 0 && key.time < keys[k - 1].time))
				return Fail(which + ": key " + std::to_string(k) + " is not in ascending time");
		}
		return true;
	}

	bool Parser::ReadName(ByteReader& body, const std::string& owner, std::string& name)
	{
		std::int8_t length = 0;
		if (!body.ReadI8(length))
			return CutOff(body, (owner + " name length"));
		if (length < 0)
			return Fail(owner + ": name length byte " + Hex(static_cast<std::uint8_t>(length)) + " is above 127");
		if (!body.ReadText(static_cast<std::size_t>(length), name))
			return CutOff(body, (owner + " name"));
		return true;
	}

	bool Parser::CheckTrackCounts(const std::vector<ReadAnimation>& animations, std::size_t boneCount)
	{
		for (const ReadAnimation& animation : animations)
			if (animation.record->tracks.size() != boneCount)
			{
				Enter("animation chunk", animation.offset);
				return Fail("\"" + animation.record->name + "\" has " + std::to_string(animation.record->tracks.size()) +
					" tracks for " + std::to_string(boneCount) + " bones");
			}
		return true;
	}

	// A skinned vertex names its bones by index into the skeleton: one past the end would make the
	// skinning read a matrix that does not exist. Without bones the mesh is drawn rigid.
	bool Parser::CheckBlendIndices(const Model::Mesh& mesh, std::size_t meshOffset, std::size_t boneCount)
	{
		const VertexLayout* layout = GetVertexLayout(mesh.formatId);
		if (boneCount == 0 || layout == nullptr || layout->blendIndices < 0)
			return true;
		constexpr int kBonesPerVertex = 4;
		for (std::size_t vertex = 0; vertex < mesh.vertexCount; ++vertex)
			for (int slot = 0; slot < kBonesPerVertex; ++slot)
			{
				const std::uint8_t bone = mesh.vertices[vertex * mesh.stride + static_cast<std::size_t>(layout->blendIndices + slot)];
				if (bone >= boneCount)
				{
					Enter("mesh chunk", meshOffset);
					return Fail("vertex " + std::to_string(vertex) + " blends bone " + std::to_string(bone) + " of " +
						std::to_string(boneCount));
				}
			}
		return true;
	}

	void Upload(Model::Mesh& mesh)
	{
		glGenBuffers(1, &mesh.vertexBuffer);
		glGenBuffers(1, &mesh.indexBuffer);
		glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
		glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.vertices.size()), mesh.vertices.data(), GL_STATIC_DRAW);
		glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.indexBuffer);
		glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(mesh.indices.size() * sizeof(std::uint32_t)),
			mesh.indices.data(), GL_STATIC_DRAW);
		glBindBuffer(GL_ARRAY_BUFFER, 0);
		glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
	}
}

void Model::Skeleton::Link()
{
	roots.clear();
	for (unsigned index = 0; index < bones.size(); ++index)
	{
		Bone& bone = *bones[index];
		bone.index = index;
		bone.children.clear();
		if (bone.parent == Bone::kNoParent)
			roots.push_back(&bone);
		else
			bones[bone.parent]->children.push_back(&bone);
		bone.bindMatrix = BuildPoseMatrix(bone.bindPosition, bone.bindOrientation);
		bone.skinOffsetMatrix = BuildPoseMatrix(bone.skinOffsetTranslation, bone.skinOffsetRotation);
	}
}

void Model::ModelData::Destroy()
{
	animations.clear();
	// At exit the window (and its context, with the buffers) is gone before the caches empty.
	if (HasGLContext())
	{
		if (mesh.vertexBuffer != 0)
			glDeleteBuffers(1, &mesh.vertexBuffer);
		if (mesh.indexBuffer != 0)
			glDeleteBuffers(1, &mesh.indexBuffer);
	}
	mesh = Mesh();
	skeleton = Skeleton();
	hasSkeleton = false;
}

Matrix4 Model::BuildPoseMatrix(const Tuple3f& position, const Quaternion& rotation)
{
	return Matrix4::FromTransform(position, Tuple3f(1.0f, 1.0f, 1.0f), rotation);
}

Model::ModelData ModelFile::Empty()
{
	Model::ModelData data;
	data.animations.insert({std::string(), nullptr});
	return data;
}

Model::ModelData ModelFile::Read(std::span<const std::uint8_t> file, std::string& problem)
{
	Parser parser(file);
	Model::ModelData data;
	if (parser.Run(data))
	{
		problem.clear();
		return data;
	}
	problem = parser.problem;
	return Empty();
}

Model::ModelData ModelFile::Load(const std::string& modelName)
{
	std::vector<std::uint8_t> bytes;
	std::string problem;
	if (!ReadDataFile(modelName, bytes, problem))
	{
		std::cerr << "Model file '" << modelName << "': " << problem << "; the model is empty\n";
		return Empty();
	}
	Model::ModelData data = Read(bytes, problem);
	if (!problem.empty())
		std::cerr << "Model file '" << modelName << "': " << problem << "; the model is left empty\n";
	// A zero-filled or foreign file reads as a well-formed model with nothing in it (its first tag
	// is the end marker, or every chunk is of an unknown kind); a silent empty model hides that.
	else if (data.mesh.stride == 0 && !data.hasSkeleton && data.animations.size() == 1)
		std::cerr << "Model file '" << modelName << "': holds no mesh, skeleton or animation, only an end marker "
					 "or chunks of unknown kinds; the model is empty\n";
	else if (data.mesh.stride != 0 && HasGLContext())
		Upload(data.mesh);
	return data;
}
