#include "Components/Logic/Blow.h"
#include "Components/Logic/HouseDestroyed.h"
#include "Components/QuietComponent.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Window.h"

#include <gtest/gtest.h>

namespace
{
	using namespace test;

	struct __ReporterName
	{
		static constexpr const char* name = "Reporter";
	};

	// Logs "<frame> <object> <message>" for every message it is given to listen to.
	class Reporter : public QuietComponent<Reporter, __ReporterName>
	{
	public:
		static std::vector<std::string>& Log()
		{
			static std::vector<std::string> log;
			return log;
		}
		static unsigned& Frame()
		{
			static unsigned frame = 0;
			return frame;
		}
		static void Attach(const std::string& objectName, std::initializer_list<const char*> names)
		{
			for (unsigned id : ObjectIdsByName(objectName))
			{
				ObjectFromId(id).object->AddComponent(TypeId());
				for (const char* name : names)
					ObjectFromId(id).object->RegisterHandler(name, &Reporter::OnHeard);
			}
		}
		void OnHeard(Message::Reader reader) { Log().push_back(std::to_string(Frame()) + " " + owner->GetName() + " " + reader.name); }
	};

	struct Outcome
	{
		std::vector<std::string> log;
		int destroyedAfterDeath = -1;
		int housesInNextLevel = -1;
		int nextLevelFrame = 0;
	};

	constexpr unsigned kFrames = 2000;

	// How the crate ahead of the player reaches the house: set flying by hand as a blow shoots a
	// held object, or breathed in, held and blown out by the player's own breath.
	enum class Shot
	{
		ByHand,
		ByBreath
	};

	// Plays the shipped first level: the crate ahead of the player is shot at the house, and the
	// run goes on until the next level has played a while.
	Outcome PlayFirstLevel(Shot shot)
	{
		Outcome outcome;
		GameWorld world("<FirstLevel>Homestead</FirstLevel><Window><Width>160</Width><Height>120</Height></Window>");
		// The level's textures load into an OpenGL context: a window, and the renderer again over it.
		world.engine.engine->AddSystem(new Window());
		world.engine.engine->AddSystem(new Graphics());
		Reporter::Register();
		Reporter::Log().clear();
		std::map<unsigned, std::function<void()>> actions;
		actions[1] = [] {
			Reporter::Attach("House", {"Damage", "Death", "HouseDestroyed"});
			Reporter::Attach("Player", {"HouseDestroyed", "ObjectiveComplete", "AllObjectivesComplete"});
			Reporter::Attach("HousePiece", {"Explode"});
		};
		// Breathing in from frame 20 until the crate is held, then out.
		unsigned breathedOut = 0;
		if (shot == Shot::ByHand)
			actions[20] = [] {
				const Object crate = ObjectFromName("Crate");
				crate.SendMessage(Message("SetPos").Push(Tuple3f(0.0f, 1.5f, -3.0f)));
				crate.SendMessage(Message("SetVelocity").Push(Tuple3f(0.0f, 0.0f, -30.0f)));
			};
		else
			actions[20] = [] {
				const Object player = ObjectFromName("Player");
				player.SendMessage(Message("SetLungState").PushU32(1));
				player.SendMessage(Message("SetSucking").PushBool(true));
			};
		std::map<unsigned, std::function<void()>> script;
		for (unsigned frame = 1; frame <= kFrames; ++frame)
			script[frame] = [&, frame] {
				Reporter::Frame() = frame;
				if (const auto action = actions.find(frame); action != actions.end())
					action->second();
				const Object player = ObjectFromName("Player");
				const Blow* blow = player.IsDummy() ? nullptr : player.object->GetComponent<Blow>();
				if (shot == Shot::ByBreath && breathedOut == 0 && blow != nullptr && !blow->heldObjs.empty())
				{
					breathedOut = frame;
					player.SendMessage(Message("SetSucking").PushBool(false));
					player.SendMessage(Message("SetLungState").PushU32(0));
					player.SendMessage(Message("SetLungState").PushU32(2));
				}
				const auto& log = Reporter::Log();
				if (outcome.destroyedAfterDeath < 0 && std::any_of(log.begin(), log.end(), [](const std::string& entry) { return entry.ends_with("House Death"); }))
					outcome.destroyedAfterDeath = HousesDestroyed();
				if (Engine::Instance()->GetCurrentLevel() == "Hillside" && outcome.nextLevelFrame == 0)
				{
					outcome.nextLevelFrame = frame;
					outcome.housesInNextLevel = TotalHouses();
					Engine::Instance()->RequestState(Engine::kQuit);
				}
			};
		world.Run(world.engine.engine->GetCurrentLevel(), script, kFrames);
		outcome.log = Reporter::Log();
		return outcome;
	}

	// Every step of the chain from the house's damage to the next level, and a second run alike.
	void ExpectTheHouseDownAndTheNextLevel(Shot shot)
	{
		const Outcome first = PlayFirstLevel(shot);
		ASSERT_FALSE(first.log.empty());
		auto frameOf = [&](const std::string& what) {
			for (const std::string& entry : first.log)
				if (entry.ends_with(what))
					return std::stoi(entry);
			return -1;
		};
		EXPECT_GT(frameOf("House Damage"), 0);
		EXPECT_GT(frameOf("House Death"), 0);
		EXPECT_EQ(first.destroyedAfterDeath, 1);
		EXPECT_GT(frameOf("Player HouseDestroyed"), 0);
		EXPECT_GT(frameOf("Player ObjectiveComplete"), 0);
		EXPECT_GT(frameOf("HousePiece Explode"), 0);
		const int complete = frameOf("Player AllObjectivesComplete");
		ASSERT_GT(complete, 0);
		EXPECT_EQ(first.housesInNextLevel, 1);
		// The achieved "NextLevel()" waits 1 s (63 frames of 16 ms); the change lands a frame later.
		EXPECT_GE(first.nextLevelFrame - complete, 63);
		EXPECT_LE(first.nextLevelFrame - complete, 70);
		EXPECT_NE(std::find(Events().begin(), Events().end(), "LevelLoaded Hillside"), Events().end());
		const Outcome second = PlayFirstLevel(shot);
		EXPECT_EQ(second.log, first.log);
	}

	TEST(PlayableLevel, AShotCrateBringsTheHouseDownAndTheNextLevelFollows)
	{
		ExpectTheHouseDownAndTheNextLevel(Shot::ByHand);
	}

	TEST(PlayableLevel, SuckBlowDestroyHouseCompletesObjective)
	{
		ExpectTheHouseDownAndTheNextLevel(Shot::ByBreath);
	}
}
