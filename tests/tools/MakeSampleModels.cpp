// Writes the sample models into the data folder given as the argument ("Data/"): the reed and the
// golem into Models/, the golem's ragdoll into PhysicsModels/. The ModelFile and GolemPlaces tests
// check that the shipped files are what this writes.
#include "Components/Graphics/GolemSampleModel.h"
#include "Components/Graphics/SampleModel.h"
#include "Systems/Graphics/VertexLayout.h"

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
		Write(data + "/PhysicsModels/" + test::kGolemRagdollFile, test::GolemRagdollBytes());
	return written ? 0 : 1;
}
