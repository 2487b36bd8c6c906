// Fuzzes the serializer's parse path: the input's first bytes choose a walk of reads, enters and
// leaves (misuse included), the rest is parsed as a data file from memory. Whatever loads must
// save, and its saved text must load and save again to the very same text. The level loader then
// reads the same document into an engine with the Logic, Physics and GUI systems: whatever it holds,
// loading must end (run with -timeout to catch a hang), and its objects start and play three frames.
#include "Components/Origin.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "LevelFile.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "Sound.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Input/HeadTracking.h"
#include "Systems/Logic/Logic.h"
#include "Systems/Physics/Physics.h"
#include "Utilities/Diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <string_view>

namespace
{
	constexpr std::size_t kWalkSteps = 12;

	void Step(Serializer& serializer, unsigned char operation)
	{
		switch (operation % 12)
		{
		case 0: serializer.EnterNode("", ""); break;
		case 1: serializer.LeaveNode(); break;
		case 2: serializer.SkipNode(); break;
		case 3: serializer.ReadString(); break;
		case 4: { float value = 0; serializer.Read(value); break; }
		case 5: { int value = 0; serializer.Read(value); break; }
		case 6: { Tuple3f value; serializer.Read(value); break; }
		case 7: { Tuple4i value; serializer.Read(value); break; }
		case 8: { bool value = false; serializer.Read(value); break; }
		case 9: serializer.HasMore(); break;
		case 10: serializer.PeekValue(); break;
		default: serializer.Rewind(); break;
		}
	}

	constexpr int kFramesPlayed = 3;

	// Made once: an engine over a scratch user folder with an empty configuration.
	Engine& GameEngine()
	{
		static Engine* engine = [] {
			const std::filesystem::path folder = std::filesystem::temp_directory_path() / "SerializerFuzzUser";
			std::filesystem::create_directories(folder);
			std::ofstream(folder / "Tumblewreck.cfg") << "<Config/>";
			auto* made = new Engine("", folder.string() + "/", "Tumblewreck.cfg");
			made->AddSystem(new Logic());
			made->AddSystem(new Physics());
			made->AddSystem(new GUI());
			return made;
		}();
		return *engine;
	}

	void PlayLoadedObjects()
	{
		for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
			object.object->Start();
		for (int frame = 0; frame < kFramesPlayed; ++frame)
		{
			for (System* system : GameEngine().GetSystems())
				system->Update();
			ProcessObjectChanges();
			tw::Diagnostics::EndFrame();
		}
		tw::Diagnostics::Flush();
	}

	std::string SavedText(const Serializer& serializer)
	{
		std::ostringstream out;
		if (!serializer.SaveToStream(out))
			__builtin_trap();
		return out.str();
	}
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
	// Diagnostics are expected on almost every input; printing them would only slow the run.
	std::cerr.rdbuf(nullptr);
	GameEngine();
	// Without a Sound system the sound components only read and write their data.
	Sound::RegisterComponents();
	// Without an Input system head tracking only reads its data and takes its dots.
	HeadTracking::Register();
	return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
	const std::size_t walkSize = size < kWalkSteps ? size : kWalkSteps;
	const std::string_view walk(reinterpret_cast<const char*>(data), walkSize);
	std::istringstream document(std::string(reinterpret_cast<const char*>(data) + walkSize, size - walkSize));

	Serializer::ClearFileCache();
	Serializer reader;
	if (!reader.LoadFromStream(document, "fuzz.xml"))
		return 0;
	for (char operation : walk)
		Step(reader, static_cast<unsigned char>(operation));
	reader.HasMore();

	const std::string firstSave = SavedText(reader);
	std::istringstream saved(firstSave);
	Serializer reloaded;
	if (!reloaded.LoadFromStream(saved, "fuzz-saved.xml"))
		__builtin_trap();
	if (SavedText(reloaded) != firstSave)
		__builtin_trap();

	// From the file cache, where the parse above left it.
	std::string nextLevel;
	std::string previousLevel;
	LevelFile::GroupNames groupNames;
	unsigned savedDefaultGroup = 0;
	for (System* system : GameEngine().GetSystems())
		system->Reload();
	LevelFile(nextLevel, previousLevel, groupNames, savedDefaultGroup).Load("fuzz.xml");
	PlayLoadedObjects();
	ObjectGroup::DestroyAll();
	DestroyAllObjects();
	return 0;
}
