// Writes model files for tests and for the shipped sample model, so no test needs art made by
// another program: a mesh of any vertex format, a skeleton, animations, chunks of other kinds, an
// end marker, and raw bytes for damaged files. Fields are little-endian, as the reader expects.
#pragma once

#include "Components/Graphics/ModelFile.h"
#include "Systems/Graphics/VertexLayout.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace test
{
	class ModelFileWriter
	{
	public:
		using Bytes = std::vector<std::uint8_t>;

		struct Bone
		{
			std::string name;
			std::uint32_t parent = Model::Bone::kNoParent;
			Tuple3f bindPosition;
			Quaternion bindOrientation;
			Tuple3f skinOffsetTranslation;
			Quaternion skinOffsetRotation;
		};
		struct Animation
		{
			std::string name;
			float duration = 1.0f;
			// One track per bone.
			std::vector<std::vector<Model::Key>> tracks;
		};

		static void U32(Bytes& out, std::uint32_t value)
		{
			for (int shift = 0; shift < 32; shift += 8)
				out.push_back(static_cast<std::uint8_t>(value >> shift));
		}
		static void F32(Bytes& out, float value) { U32(out, std::bit_cast<std::uint32_t>(value)); }
		static void Floats(Bytes& out, std::initializer_list<float> values)
		{
			for (float value : values)
				F32(out, value);
		}
		static void Name(Bytes& out, const std::string& name)
		{
			out.push_back(static_cast<std::uint8_t>(name.size()));
			out.insert(out.end(), name.begin(), name.end());
		}

		// vertexBytes must hold a whole number of vertices of the format.
		ModelFileWriter& Mesh(std::uint32_t formatId, const std::vector<std::uint32_t>& indices, std::uint32_t vertexCount,
			const Bytes& vertexBytes)
		{
			Bytes body;
			U32(body, formatId);
			U32(body, static_cast<std::uint32_t>(indices.size()));
			for (std::uint32_t index : indices)
				U32(body, index);
			U32(body, vertexCount);
			body.insert(body.end(), vertexBytes.begin(), vertexBytes.end());
			return Chunk(ModelFile::kMeshTag, body);
		}
		// A mesh of vertexCount vertices of the format's stride filled with a counting pattern; blend
		// indices all name bone 0, which every skeleton has.
		ModelFileWriter& PatternMesh(std::uint32_t formatId, const std::vector<std::uint32_t>& indices, std::uint32_t vertexCount)
		{
			const std::size_t stride = GetVertexStride(formatId);
			Bytes vertices(static_cast<std::size_t>(vertexCount) * stride);
			for (std::size_t i = 0; i < vertices.size(); ++i)
				vertices[i] = static_cast<std::uint8_t>(i * 7);
			const VertexLayout* layout = GetVertexLayout(formatId);
			if (layout != nullptr && layout->blendIndices >= 0)
				for (std::size_t vertex = 0; vertex < vertexCount; ++vertex)
					std::fill_n(vertices.begin() + static_cast<std::ptrdiff_t>(vertex * stride) + layout->blendIndices, 4, 0);
			return Mesh(formatId, indices, vertexCount, vertices);
		}
		ModelFileWriter& Skeleton(const std::vector<Bone>& bones)
		{
			Bytes body;
			U32(body, static_cast<std::uint32_t>(bones.size()));
			for (const Bone& bone : bones)
			{
				Name(body, bone.name);
				U32(body, bone.parent);
				Floats(body, {bone.bindPosition.x, bone.bindPosition.y, bone.bindPosition.z});
				Quaternion(body, bone.bindOrientation);
				Floats(body, {bone.skinOffsetTranslation.x, bone.skinOffsetTranslation.y, bone.skinOffsetTranslation.z});
				Quaternion(body, bone.skinOffsetRotation);
			}
			return Chunk(ModelFile::kSkeletonTag, body);
		}
		ModelFileWriter& AnimationChunk(const Animation& animation)
		{
			Bytes body;
			Name(body, animation.name);
			F32(body, animation.duration);
			U32(body, static_cast<std::uint32_t>(animation.tracks.size()));
			for (const std::vector<Model::Key>& track : animation.tracks)
			{
				U32(body, static_cast<std::uint32_t>(track.size()));
				for (const Model::Key& key : track)
				{
					Floats(body, {key.time, key.position.x, key.position.y, key.position.z});
					Quaternion(body, key.rotation);
				}
			}
			return Chunk(ModelFile::kAnimationTag, body);
		}
		// Any chunk, with its size taken from the body.
		ModelFileWriter& Chunk(std::uint32_t tag, const Bytes& body)
		{
			return Chunk(tag, static_cast<std::uint32_t>(body.size()), body);
		}
		// A chunk whose header claims a size of its own.
		ModelFileWriter& Chunk(std::uint32_t tag, std::uint32_t claimedSize, const Bytes& body)
		{
			U32(chunks, tag);
			U32(chunks, claimedSize);
			chunks.insert(chunks.end(), body.begin(), body.end());
			return *this;
		}
		ModelFileWriter& EndMarker()
		{
			U32(chunks, 0);
			U32(chunks, 0);
			return *this;
		}

		// The outer header, then the chunks in the order they were added.
		Bytes Build() const
		{
			Bytes file;
			U32(file, kOuterTag);
			U32(file, static_cast<std::uint32_t>(chunks.size()));
			file.insert(file.end(), chunks.begin(), chunks.end());
			return file;
		}
		void Save(const std::string& path) const
		{
			const Bytes file = Build();
			std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
		}

	private:
		// "modl"; the reader does not look at it.
		static constexpr std::uint32_t kOuterTag = 0x6D6F646C;

		static void Quaternion(Bytes& out, const ::Quaternion& q) { Floats(out, {q.x, q.y, q.z, q.w}); }
		static std::size_t GetVertexStride(std::uint32_t formatId)
		{
			const VertexLayout* layout = GetVertexLayout(formatId);
			return layout != nullptr ? static_cast<std::size_t>(layout->stride) : 0;
		}

		Bytes chunks;
	};
}
