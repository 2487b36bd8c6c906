// Golden images: a frame rendered by a test is compared with a reference PNG in tests/golden/ by
// its mean absolute error per channel. Run with TW_UPDATE_GOLDEN=1 (scripts/update-golden.sh) to
// write the references instead; never in CI.
#pragma once

#include <SDL/SDL.h>
#include <SDL/SDL_image.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace test
{
	// RGB bytes, top row first.
	struct Image
	{
		int width = 0;
		int height = 0;
		std::vector<unsigned char> rgb;
	};

	// From RGBA rows read bottom row first, as glReadPixels gives them.
	inline Image ImageFromPixels(const std::vector<unsigned char>& rgba, int width, int height)
	{
		Image image{width, height, {}};
		for (int y = height - 1; y >= 0; --y)
			for (int x = 0; x < width; ++x)
				for (int c = 0; c < 3; ++c)
					image.rgb.push_back(rgba[4 * (y * width + x) + c]);
		return image;
	}

	inline void WritePng(const Image& image, const std::string& path)
	{
		const auto chunk = [](std::ofstream& out, const char* type, const std::vector<unsigned char>& data) {
			const auto be32 = [&out](std::uint32_t v) {
				const unsigned char bytes[4] = {static_cast<unsigned char>(v >> 24), static_cast<unsigned char>(v >> 16),
					static_cast<unsigned char>(v >> 8), static_cast<unsigned char>(v)};
				out.write(reinterpret_cast<const char*>(bytes), 4);
			};
			be32(static_cast<std::uint32_t>(data.size()));
			out.write(type, 4);
			out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
			uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
			crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
			be32(static_cast<std::uint32_t>(crc));
		};
		std::vector<unsigned char> raw;
		for (int y = 0; y < image.height; ++y)
		{
			raw.push_back(0);
			raw.insert(raw.end(), image.rgb.begin() + y * image.width * 3, image.rgb.begin() + (y + 1) * image.width * 3);
		}
		uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
		std::vector<unsigned char> packed(packedSize);
		compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9);
		packed.resize(packedSize);
		const std::uint32_t w = static_cast<std::uint32_t>(image.width);
		const std::uint32_t h = static_cast<std::uint32_t>(image.height);
		const std::vector<unsigned char> header = {static_cast<unsigned char>(w >> 24), static_cast<unsigned char>(w >> 16),
			static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w), static_cast<unsigned char>(h >> 24),
			static_cast<unsigned char>(h >> 16), static_cast<unsigned char>(h >> 8), static_cast<unsigned char>(h), 8, 2, 0, 0, 0};
		std::ofstream out(path, std::ios::binary);
		out.write("\x89PNG\r\n\x1a\n", 8);
		chunk(out, "IHDR", header);
		chunk(out, "IDAT", packed);
		chunk(out, "IEND", {});
	}

	inline Image ReadPng(const std::string& path)
	{
		Image image;
		SDL_Surface* surface = IMG_Load(path.c_str());
		if (surface == nullptr || surface->format->BitsPerPixel != 24)
		{
			if (surface != nullptr)
				SDL_FreeSurface(surface);
			return image;
		}
		image.width = surface->w;
		image.height = surface->h;
		for (int y = 0; y < surface->h; ++y)
		{
			const unsigned char* row = static_cast<const unsigned char*>(surface->pixels) + y * surface->pitch;
			image.rgb.insert(image.rgb.end(), row, row + surface->w * 3);
		}
		SDL_FreeSurface(surface);
		return image;
	}

	// Mean absolute difference per channel, in 0..255; infinite when the sizes differ.
	inline double MeanAbsoluteError(const Image& a, const Image& b)
	{
		if (a.width != b.width || a.height != b.height || a.rgb.empty())
			return INFINITY;
		double sum = 0.0;
		for (std::size_t i = 0; i < a.rgb.size(); ++i)
			sum += std::abs(static_cast<int>(a.rgb[i]) - static_cast<int>(b.rgb[i]));
		return sum / static_cast<double>(a.rgb.size());
	}

	// Compares with tests/golden/<name>.png, or writes it when references are being rewritten.
	inline void ExpectMatchesGolden(const Image& rendered, const std::string& name)
	{
		const std::string path = std::string(TW_TEST_DATA_DIR "../golden/") + name + ".png";
		if (std::getenv("TW_UPDATE_GOLDEN") != nullptr)
		{
			WritePng(rendered, path);
			return;
		}
		const double error = MeanAbsoluteError(rendered, ReadPng(path));
		EXPECT_LE(error, 2.0) << name << ": mean absolute error " << error << "/255 against " << path;
		if (error > 2.0)
			WritePng(rendered, std::string(::testing::TempDir()) + name + ".actual.png");
	}
}
