// The fuzz targets' view of their input: typed values read one after another from the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fuzz
{
	// Reads the next value from the bytes; zero once they run out.
	class ByteReader
	{
	public:
		ByteReader(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
		template <class T>
		T Next()
		{
			T value{};
			const std::size_t taken = sizeof(T) < size - offset ? sizeof(T) : size - offset;
			std::memcpy(&value, data + offset, taken);
			offset += taken;
			return value;
		}
		bool Empty() const { return offset >= size; }

	private:
		const std::uint8_t* data;
		std::size_t size;
		std::size_t offset = 0;
	};
}
