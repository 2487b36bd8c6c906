// The game's start-up with one more system, "LevelProbe", for playing the shipped levels through:
// it writes on stderr each level loaded ("LevelLoaded <name>"), each "Death" of an object named
// "House" ("Death House") and each change of a rebuildable house's state ("HouseState <state>"),
// and ends the game a second after a level other than the first one loaded. The end-to-end tests
// play with real mouse buttons meanwhile, cued by the files "playing" (the first level loaded),
// "held" (a crate taken in), "released" (a crate let out again) and "rebuilt" (a house stands again
// after it came down).
#include "Components/Logic/AvailableObjects.h"
#include "Composition.h"
#include "Engine.h"
#include "Message.h"
#include "Object.h"
#include "PlayerCue.h"
#include "QuietComponent.h"
#include "Startup.h"
#include "System.h"

#include <iostream>
#include <string>
#include <vector>

namespace
{
	struct __DeathReporterName
	{
		static constexpr const char* name = "DeathReporter";
	};

	// On the houses: their "Death"; on the crates: being taken in and let out ("PauseClock").
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
			test::LeaveCue(reader.Read<bool>() ? "held" : "released");
		}
	};

	struct __HouseStateReporterName
	{
		static constexpr const char* name = "HouseStateReporter";
	};

	// On a house with a record of its pieces: writes each change of its state, and cues "rebuilt"
	// once it is whole again after it came down.
	class HouseStateReporter : public test::QuietComponent<HouseStateReporter, __HouseStateReporterName>
	{
	public:
		static void AttachTo(const Object& object)
		{
			object.object->AddComponent(TypeId());
			object.object->GetComponent<HouseStateReporter>()->reported = StateOf(object);
		}
		static void Report(const Object& object)
		{
			HouseStateReporter* reporter = object.IsDummy() ? nullptr : object.object->GetComponent<HouseStateReporter>();
			if (reporter == nullptr || StateOf(object) == reporter->reported)
				return;
			reporter->reported = StateOf(object);
			std::cerr << "HouseState " << reporter->reported << std::endl;
			if (reporter->reported == AvailableObjects::kDestroyed)
				reporter->cameDown = true;
			else if (reporter->reported == AvailableObjects::kWhole && reporter->cameDown)
				test::LeaveCue("rebuilt");
		}

	private:
		static int StateOf(const Object& object) { return object.object->GetComponent<AvailableObjects>()->GetHouseState(); }

		int reported = AvailableObjects::kWhole;
		bool cameDown = false;
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
			for (unsigned id : houses)
				HouseStateReporter::Report(ObjectFromId(id));
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
			houses.clear();
			for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
				if (object.object->GetComponent<AvailableObjects>() != nullptr)
				{
					HouseStateReporter::AttachTo(object);
					houses.push_back(object.id);
				}
		}

		std::string firstLevel;
		std::vector<unsigned> houses;
		unsigned framesLeft = 0;
	};
}

int main(int argc, char** argv)
{
	const auto registerReporters = [](Engine&)
	{
		DeathReporter::Register();
		HouseStateReporter::Register();
	};
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, registerReporters, [](Engine& engine) { engine.AddSystem(new LevelProbe()); });
}
