// What the benchmarks of engine-run components share: an engine on a scratch user folder holding
// the configuration given, and objects whose components load from values as a level gives them.
#pragma once

#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "Serializer.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace bench
{
	// folderName: the scratch folder under the system's temporary folder.
	inline std::unique_ptr<Engine> MakeEngine(const std::string& folderName, const std::string& configText = "<Config/>")
	{
		const std::filesystem::path user = std::filesystem::temp_directory_path() / folderName;
		std::filesystem::create_directories(user);
		std::ofstream(user / "Tumblewreck.cfg") << configText;
		return std::make_unique<Engine>("", user.string() + "/", "Tumblewreck.cfg");
	}

	// Adds a component of the type loaded from the values of its element.
	inline void AddLoaded(const Object& object, unsigned typeId, const std::string& values)
	{
		std::istringstream text("<Component>" + values + "</Component>");
		Serializer serializer;
		serializer.LoadFromStream(text, "BenchComponent");
		object.object->AddComponent(typeId, serializer);
		// Parsed documents are kept by name: the next text must not be taken for this one, and
		// a benchmark that loads in every iteration must not pile them up.
		Serializer::ClearFileCache();
	}
}
