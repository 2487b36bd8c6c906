// Fuzzes the particle system's stored form: the input is parsed as a component element and loaded
// as a ParticleSystem beside a PointSprite, run for three frames, saved, loaded again and saved
// again. Whatever the file holds, loading and running neither hang nor crash, and the second save
// equals the first. Randomizers are left out of the comparison: they save normalised frequencies,
// and normalising those again may move their last digit.
#include "Components/Graphics/PointSprite.h"
#include "Components/Physics/ParticleSystem.h"
#include "Composition.h"
#include "Object.h"
#include "Serializer.h"
#include "Systems/Particle/ParticleManager.h"
#include "Utilities/Diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

namespace
{
	// Loads the document as a ParticleSystem on a new object with a PointSprite, runs it and saves it.
	std::string LoadRunAndSave(std::istream& document, const std::string& name)
	{
		Serializer values;
		if (!values.LoadFromStream(document, name))
			return {};
		const Object object = CreateObject("Fuzzed");
		object.object->AddComponent(PointSprite::TypeId());
		object.object->AddComponent(ParticleSystem::TypeId(), values);
		auto* system = object.object->GetComponent<ParticleSystem>();
		for (int frame = 0; frame < 3; ++frame)
			system->Update();
		Serializer written;
		system->Serialize(written);
		std::ostringstream text;
		written.SaveToStream(text);
		return text.str();
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
	static const bool registered = [] {
		PointSprite::Register();
		ParticleManager::RegisterParticleTypes();
		return true;
	}();
	(void)registered;
	std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
	const std::string saved = LoadRunAndSave(input, "FuzzedParticles");
	if (!saved.empty())
	{
		std::istringstream again(saved);
		const std::string resaved = LoadRunAndSave(again, "FuzzedParticlesSaved");
		const bool normalised = saved.find("Randomizer") != std::string::npos;
		if (!normalised && resaved != saved)
			std::abort();
	}
	DestroyAllObjects();
	Serializer::ClearFileCache();
	tw::Diagnostics::Flush();
	return 0;
}
