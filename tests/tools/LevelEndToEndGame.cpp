// The game's start-up with one more system, "LevelProbe", for playing the first level through:
// it writes on stderr each level loaded ("LevelLoaded <name>") and each "Death" of an object named
// "House" ("Death House"), and ends the game a second after a level other than the first one
// loaded. The level end-to-end test plays with real mouse buttons meanwhile, cued by the files
// "playing" (the first level loaded) and "held" (a crate taken in).
#include "Composition.h"
#include "Engine.h"
#include "Message.h"
#include "Object.h"
#include "PlayerCue.h"
#include "QuietComponent.h"
#include "Startup.h"
#include "System.h"

#include <iostream>
#include <optional>
#include <string>

namespace
{
	struct __DeathReporterName
	{
		static constexpr const char* name = "DeathReporter";
	};

	// On the houses: their "Death"; on the crates: being taken in ("PauseClock" true).
	class DeathReporter : public test::QuietComponent<DeathReporter, __DeathReporterName>
	{
	public:
		static void AttachTo(const Object& object)
		{
			object.object->AddComponent(TypeId());
			object.object->RegisterHandler("Death", &DeathReporter::OnDeath);
			object.object->RegisterHandler("PauseClock", &DeathReporter::OnPauseClock);
		}
		void OnDeath(Message::Reader) { std::cerr << "Death " << owner->GetName() << std::endl; }
		void OnPauseClock(Message::Reader reader)
		{
			if (reader.Read<bool>())
				test::LeaveCue("held");
		}
	};

	struct __LevelProbeName
	{
		static constexpr const char* name = "LevelProbe";
	};

	class LevelProbe : public SystemBase<LevelProbe, __LevelProbeName>
	{
	public:
		void LoadConfig(Config&) override {}
		void Initialize() override { RegisterHandler("LevelLoaded", &LevelProbe::OnLevelLoaded); }
		void Update() override
		{
			// About a second of frames after the next level came.
			if (framesLeft > 0 && --framesLeft == 0)
				Engine::SendMessage(Message("Shutdown"));
		}

	private:
		void OnLevelLoaded(Message::Reader)
		{
			const std::string level = Engine::Instance()->GetCurrentLevel();
			std::cerr << "LevelLoaded " << level << std::endl;
			if (firstLevel.empty())
				firstLevel = level;
			if (level == firstLevel)
				test::LeaveCue("playing");
			else if (level != firstLevel && framesLeft == 0)
				framesLeft = 60;
			for (const char* name : {"House", "Crate"})
				for (unsigned id : ObjectIdsByName(name))
					DeathReporter::AttachTo(ObjectFromId(id));
		}

		std::string firstLevel;
		unsigned framesLeft = 0;
	};
}

int main(int argc, char** argv)
{
	const std::optional<Startup::Folders> folders = Startup::PrepareFolders(argc > 0 ? argv[0] : nullptr);
	if (!folders)
		return -1;
	Engine engine(folders->dataFolder, folders->userFolder, Startup::kConfigFileName);
	DeathReporter::Register();
	Startup::AddSystems(engine);
	engine.AddSystem(new LevelProbe());
	engine.Run();
	return 0;
}
