// Writes the sample model into the data folder given as the argument ("Data/Models/"); the
// ModelFile tests check that the shipped file is what this writes.
#include "Components/Graphics/SampleModel.h"
#include "Systems/Graphics/VertexLayout.h"

#include <iostream>

int main(int argumentCount, char** arguments)
{
	if (argumentCount != 2)
	{
		std::cerr << "usage: MakeSampleModels <models folder>\n";
		return 1;
	}
	const test::ModelFileWriter::Bytes bytes = test::SampleModelBytes();
	const std::string path = std::string(arguments[1]) + "/" + test::kSampleModelFile;
	std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
	std::cout << "wrote " << path << " (" << bytes.size() << " bytes)\n";
	return 0;
}
