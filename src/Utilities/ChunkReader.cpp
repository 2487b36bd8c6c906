#include "Utilities/ChunkReader.h"

#include <algorithm>
#include <bit>

namespace
{
	std::uint32_t LittleEndianU32(const std::uint8_t* bytes)
	{
		return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
			static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
	}
}

bool ByteReader::ReadU32(std::uint32_t& value)
{
	if (Remaining() < 4)
		return false;
	value = LittleEndianU32(bytes.data() + position);
	position += 4;
	return true;
}

bool ByteReader::ReadF32(float& value)
{
	std::uint32_t bits = 0;
	if (!ReadU32(bits))
		return false;
	value = std::bit_cast<float>(bits);
	return true;
}

bool ByteReader::ReadI8(std::int8_t& value)
{
	if (Remaining() < 1)
		return false;
	value = static_cast<std::int8_t>(bytes[position++]);
	return true;
}

bool ByteReader::ReadText(std::size_t length, std::string& text)
{
	if (Remaining() < length)
		return false;
	text.assign(reinterpret_cast<const char*>(bytes.data() + position), length);
	position += length;
	return true;
}

bool ByteReader::ReadBytes(std::size_t count, std::uint8_t* destination)
{
	if (Remaining() < count)
		return false;
	std::copy_n(bytes.data() + position, count, destination);
	position += count;
	return true;
}

bool ByteReader::Skip(std::size_t count)
{
	if (Remaining() < count)
		return false;
	position += count;
	return true;
}

bool ChunkReader::SkipOuterHeader()
{
	if (file.size() < kHeaderBytes)
		return false;
	position = kHeaderBytes;
	return true;
}

ChunkReader::Step ChunkReader::Next(ChunkHeader& header, ByteReader& body)
{
	chunkOffset = position;
	const std::size_t left = file.size() - position;
	if (left == 0)
		return Step::End;
	if (left < kHeaderBytes)
		return Step::Damaged;
	header.tag = LittleEndianU32(file.data() + position);
	header.size = LittleEndianU32(file.data() + position + 4);
	if (header.tag == 0)
		return Step::End;
	if (header.size > left - kHeaderBytes)
		return Step::Damaged;
	const std::size_t bodyStart = position + kHeaderBytes;
	body = ByteReader(file.subspan(bodyStart, header.size), bodyStart);
	position = bodyStart + header.size;
	return Step::Chunk;
}
