// Fuzzes the configuration file: the input is written as a configuration file, loaded, read the
// way the systems read their settings (sections, repeated elements, typed values with defaults)
// and written back when the handle goes.
#include "Utilities/Config.h"
#include "Utilities/Diagnostics.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace
{
	void ReadLikeTheSystems(const Config& root)
	{
		root.GetString("FirstLevel", "MainMenu");
		const Config window = root.GetSection("Window");
		window.GetInt("Width", 800);
		window.GetFloat("Gamma", 1.0f);
		window.GetBool("Fullscreen", false);
		for (const Config& button : root.GetSection("Input").GetAll("Button"))
		{
			button.GetString("Name", "");
			button.GetInt("PressLag", 0);
		}
	}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
	static const std::filesystem::path folder =
		std::filesystem::temp_directory_path() / ("tw-config-fuzz-" + std::to_string(getpid()));
	std::filesystem::create_directories(folder);
	const std::filesystem::path file = folder / "Tumblewreck.cfg";
	std::filesystem::remove(folder / "Tumblewreck.cfg.bak");
	std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
	{
		ConfigFile config = Config::Load(file.string());
		ReadLikeTheSystems(config);
	}
	// The written-back file must load again.
	ConfigFile reloaded = Config::Load(file.string());
	ReadLikeTheSystems(reloaded);
	// Each input is a run of its own: its unreadable settings must not count as repeats in the next.
	tw::Diagnostics::Flush();
	return 0;
}
