// Writes the sample models into the data folder given as the argument ("Data/"): the reed and the
// golem's two models into Models/, the golem's ragdoll into PhysicsModels/, and its stone texture
// and the keg's staves into Images/. The ModelFile and GolemPlaces tests check that the shipped models are what this writes.
#include "Components/Graphics/GolemSampleModel.h"
#include "Components/Graphics/SampleModel.h"
#include "HTMLEngine/PageShot.h"
#include "Systems/Graphics/VertexLayout.h"
#include "Utilities/Random.h"

#include <algorithm>
#include <fstream>
#include <iostream>

namespace
{
	bool Write(const std::string& path, const test::ModelFileWriter::Bytes& bytes)
	{
		std::ofstream file(path, std::ios::binary);
		file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
		if (!file)
		{
			std::cerr << "MakeSampleModels: cannot write " << path << "\n";
			return false;
		}
		std::cout << "wrote " << path << " (" << bytes.size() << " bytes)\n";
		return true;
	}

	// Rough grey stone laid in staggered courses with dark joints, each block of its own shade.
	// Straight BGRA rows, opaque.
	std::vector<std::uint8_t> GolemStone(int size)
	{
		const int kSize = size, kCourse = 16, kBlock = 32;
		tw::RandomSequence noise(60);
		const int kBlocksACourse = kSize / kBlock;
		std::vector<int> blockShade(kSize / kCourse * kBlocksACourse);
		for (int& shade : blockShade)
			shade = noise.Next() % 40 - 20;
		std::vector<std::uint8_t> image;
		for (int y = 0; y < kSize; ++y)
			for (int x = 0; x < kSize; ++x)
			{
				const int course = y / kCourse;
				const int shifted = (x + (course % 2) * kBlock / 2) % kSize;
				const bool joint = y % kCourse < 2 || shifted % kBlock < 2;
				const int grain = noise.Next() % 24;
				const int shade = joint ? -60 : blockShade[course * kBlocksACourse + shifted / kBlock] + grain;
				for (const int base : {100, 112, 118})
					image.push_back(static_cast<std::uint8_t>(std::clamp(base + shade, 0, 255)));
				image.push_back(255);
			}
		return image;
	}

	// A keg's side, wrapped once round a cylinder from the top down: dark red staves, each of its
	// own shade with a dark seam, held by two black iron hoops, so that a keg never passes for a
	// crate. Straight BGRA rows, opaque.
	std::vector<std::uint8_t> KegStaves(int size)
	{
		const int kStave = 8, kHoop = 6, kHoopInset = 6;
		tw::RandomSequence noise(61);
		std::vector<int> staveShade(size / kStave);
		for (int& shade : staveShade)
			shade = noise.Next() % 30 - 15;
		std::vector<std::uint8_t> image;
		for (int y = 0; y < size; ++y)
			for (int x = 0; x < size; ++x)
			{
				const int fromEnd = std::min(y, size - 1 - y);
				const bool hoop = fromEnd >= kHoopInset && fromEnd < kHoopInset + kHoop;
				const bool seam = x % kStave == 0;
				const int grain = noise.Next() % 16;
				int blue = 24, green = 28, red = 150 + staveShade[x / kStave] + grain;
				if (hoop)
					blue = green = red = (fromEnd == kHoopInset ? 90 : 40) + grain / 2;
				else if (seam)
					red -= 70;
				for (const int channel : {blue, green, red})
					image.push_back(static_cast<std::uint8_t>(std::clamp(channel, 0, 255)));
				image.push_back(255);
			}
		return image;
	}

	bool WriteImage(const std::string& path, const std::vector<std::uint8_t>& bgra, int size)
	{
		if (!test::WriteBgraPng(bgra, size, size, path))
		{
			std::cerr << "MakeSampleModels: cannot write " << path << "\n";
			return false;
		}
		std::cout << "wrote " << path << "\n";
		return true;
	}
}

int main(int argumentCount, char** arguments)
{
	if (argumentCount != 2)
	{
		std::cerr << "usage: MakeSampleModels <data folder>\n";
		return 1;
	}
	const std::string data = arguments[1];
	const bool written = Write(data + "/Models/" + test::kSampleModelFile, test::SampleModelBytes()) &&
		Write(data + "/Models/" + test::kGolemModelFile, test::GolemModelBytes()) &&
		Write(data + "/Models/" + test::kGolemSkinFile, test::GolemSkinBytes()) &&
		Write(data + "/PhysicsModels/" + test::kGolemRagdollFile, test::GolemRagdollBytes());
	if (!written)
		return 1;
	constexpr int kTextureSize = 64;
	const bool drawn = WriteImage(data + "/Images/" + test::kGolemTextureFile, GolemStone(kTextureSize), kTextureSize) &&
		WriteImage(data + "/Images/Keg.png", KegStaves(kTextureSize), kTextureSize);
	return drawn ? 0 : 1;
}
