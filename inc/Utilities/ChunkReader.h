// ChunkReader: reads the binary chunk files of models, ragdolls and collision meshes. A file is an
// 8-byte outer header and then chunks, each a little-endian u32 tag and u32 body size followed by
// the body. ByteReader is the bounded little-endian cursor over one body: every read is checked
// against its end, so a damaged size or count can never make a reader step outside the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class ByteReader
{
public:
	ByteReader() = default;
	// offset is where bytes[0] sits in the file, for diagnostics.
	ByteReader(std::span<const std::uint8_t> bytes, std::size_t offset) : bytes(bytes), fileOffset(offset) {}

	// Each read fails, and moves nothing, when fewer bytes than it needs are left.
	bool ReadU32(std::uint32_t& value);
	bool ReadF32(float& value);
	bool ReadI8(std::int8_t& value);
	bool ReadText(std::size_t length, std::string& text);
	bool ReadBytes(std::size_t count, std::uint8_t* destination);
	bool Skip(std::size_t count);

	std::size_t Remaining() const { return bytes.size() - position; }
	// The file offset of the next byte to read.
	std::size_t FileOffset() const { return fileOffset + position; }

private:
	std::span<const std::uint8_t> bytes;
	std::size_t fileOffset = 0;
	std::size_t position = 0;
};

class ChunkReader
{
public:
	struct ChunkHeader
	{
		std::uint32_t tag = 0;
		std::uint32_t size = 0;
	};

	enum class Step
	{
		// A chunk whose whole body lies inside the file.
		Chunk,
		// The end marker (tag 0) or the end of the file right after a chunk.
		End,
		// A partial header, or a body that would run past the end of the file.
		Damaged,
	};

	explicit ChunkReader(std::span<const std::uint8_t> file) : file(file) {}

	// Reads over the outer header, whose tag and size are not examined; false when the file is
	// shorter than a header.
	bool SkipOuterHeader();
	// The next chunk's header and a reader bounded to its body; the reader then stands after it.
	Step Next(ChunkHeader& header, ByteReader& body);
	// The file offset of the last header returned by Next.
	std::size_t ChunkOffset() const { return chunkOffset; }

	static constexpr std::size_t kHeaderBytes = 8;

private:
	std::span<const std::uint8_t> file;
	std::size_t position = 0;
	std::size_t chunkOffset = 0;
};
