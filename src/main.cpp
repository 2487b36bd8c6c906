// The game's entry function: folders and crash report, the engine with its eight systems, the
// level loop. The engine's destruction writes the configuration back and shuts the systems down.
#include "Engine.h"
#include "Startup.h"

#include <optional>

int main(int argc, char** argv)
{
	const std::optional<Startup::Folders> folders = Startup::PrepareFolders(argc > 0 ? argv[0] : nullptr);
	if (!folders)
		return -1;
	Engine engine(folders->dataFolder, folders->userFolder, Startup::kConfigFileName);
	Startup::AddSystems(engine);
	engine.Run();
	return 0;
}
