#include "Archetype.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/GameplayWorld.h"
#include "Components/Logic/HouseDestroyed.h"
#include "Components/Logic/PlayerDeath.h"
#include "Components/QuietComponent.h"
#include "Components/Transform.h"
#include "Systems/Logic/ShippedLevelWorld.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>

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
		// The houses brought down as the player hears of one: the house goes at the end of that
		// frame, and its going sets the count back to 0.
		static int& CountedAtNews()
		{
			static int counted = -1;
			return counted;
		}
		void OnHeard(Message::Reader reader)
		{
			Log().push_back(std::to_string(Frame()) + " " + owner->GetName() + " " + reader.name);
			if (owner->GetName() == "Player" && std::string(reader.name) == "HouseDestroyed")
				CountedAtNews() = HousesDestroyed();
		}
	};

	// Where a house piece is, and whether it has settled there.
	struct PieceState
	{
		Tuple3f start;
		Tuple3f position;
		Tuple3f previous;
		float halfExtent = 0.0f;
	};

	struct LevelOutcome
	{
		std::vector<std::string> log;
		int destroyedAtNews = -1;
		std::vector<PieceState> pieces;
		bool houseGone = false;
		int housesInNextLevel = -1;
		int nextLevelFrame = 0;
	};

	constexpr unsigned kLevelFrames = 2000;

	// How the crate ahead of the player reaches the house: set flying by hand as a blow shoots a
	// held object, or breathed in, held and blown out by the player's own breath.
	enum class LevelShot
	{
		ByHand,
		ByBreath
	};

	// Plays the shipped first level: the crate ahead of the player is shot at the house, and the
	// run goes on until the next level has played a while.
	LevelOutcome PlayFirstLevelShooting(LevelShot shot)
	{
		LevelOutcome outcome;
		ShippedLevelWorld world("Homestead");
		Reporter::Register();
		Reporter::Log().clear();
		Reporter::CountedAtNews() = -1;
		std::map<unsigned, std::function<void()>> actions;
		actions[1] = [&outcome] {
			Reporter::Attach("House", {"Damage", "Death", "HouseDestroyed"});
			Reporter::Attach("Player", {"HouseDestroyed", "ObjectiveComplete", "AllObjectivesComplete"});
			Reporter::Attach("HousePiece", {"Explode"});
			for (unsigned id : ObjectIdsByName("HousePiece"))
			{
				const Transform* transform = ObjectFromId(id).object->GetComponent<Transform>();
				const Tuple3f scale = transform->GetScale();
				outcome.pieces.push_back({transform->GetWorldPosition(), transform->GetWorldPosition(), transform->GetWorldPosition(),
					0.5f * std::max({scale.x, scale.y, scale.z})});
			}
		};
		// Breathing in from frame 20 until the crate is held, then out.
		unsigned breathedOut = 0;
		if (shot == LevelShot::ByHand)
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
		for (unsigned frame = 1; frame <= kLevelFrames; ++frame)
			script[frame] = [&, frame] {
				Reporter::Frame() = frame;
				if (const auto action = actions.find(frame); action != actions.end())
					action->second();
				const Object player = ObjectFromName("Player");
				const Blow* blow = player.IsDummy() ? nullptr : player.object->GetComponent<Blow>();
				if (shot == LevelShot::ByBreath && breathedOut == 0 && blow != nullptr && !blow->heldObjs.empty())
				{
					breathedOut = frame;
					player.SendMessage(Message("SetSucking").PushBool(false));
					player.SendMessage(Message("SetLungState").PushU32(0));
					player.SendMessage(Message("SetLungState").PushU32(2));
				}
				// The button let go again: a held one would blow a gust at the house's remains each
				// time the lungs refill.
				else if (shot == LevelShot::ByBreath && breathedOut != 0 && frame == breathedOut + 2)
					player.SendMessage(Message("SetLungState").PushU32(0));
				if (Engine::Instance()->GetCurrentLevel() == "Homestead")
				{
					const std::vector<unsigned> ids = ObjectIdsByName("HousePiece");
					for (std::size_t piece = 0; piece < ids.size() && piece < outcome.pieces.size(); ++piece)
					{
						outcome.pieces[piece].previous = outcome.pieces[piece].position;
						outcome.pieces[piece].position = ObjectFromId(ids[piece]).object->GetComponent<Transform>()->GetWorldPosition();
					}
					outcome.houseGone = ObjectIdsByName("House").empty();
				}
				if (Engine::Instance()->GetCurrentLevel() == "Hillside" && outcome.nextLevelFrame == 0)
				{
					outcome.nextLevelFrame = frame;
					outcome.housesInNextLevel = TotalHouses();
					Engine::Instance()->RequestState(Engine::kQuit);
				}
			};
		world.Play(script, kLevelFrames);
		outcome.log = Reporter::Log();
		outcome.destroyedAtNews = Reporter::CountedAtNews();
		return outcome;
	}

	// Every step of the chain from the house's damage to the next level, and a second run alike.
	void ExpectTheHouseDownAndTheNextLevel(LevelShot shot)
	{
		const LevelOutcome first = PlayFirstLevelShooting(shot);
		ASSERT_FALSE(first.log.empty());
		auto frameOf = [&](const std::string& what) {
			for (const std::string& entry : first.log)
				if (entry.ends_with(what))
					return std::stoi(entry);
			return -1;
		};
		EXPECT_GT(frameOf("House Damage"), 0);
		EXPECT_GT(frameOf("House Death"), 0);
		EXPECT_EQ(first.destroyedAtNews, 1);
		EXPECT_TRUE(first.houseGone) << "the house stands on after its death";
		// Before the level changes, every piece has flown and lies still on the floor.
		ASSERT_FALSE(first.pieces.empty());
		for (const PieceState& piece : first.pieces)
		{
			EXPECT_GT(piece.position.Distance(piece.start), 1.0f) << "a piece from " << piece.start;
			EXPECT_LT(piece.position.Distance(piece.previous), 0.01f) << "a piece still moving at " << piece.position;
			EXPECT_LT(piece.position.y, piece.halfExtent + 0.05f) << "a piece not on the floor at " << piece.position;
		}
		EXPECT_GT(frameOf("Player HouseDestroyed"), 0);
		EXPECT_GT(frameOf("Player ObjectiveComplete"), 0);
		EXPECT_GT(frameOf("HousePiece Explode"), 0);
		const int complete = frameOf("Player AllObjectivesComplete");
		ASSERT_GT(complete, 0);
		EXPECT_EQ(first.housesInNextLevel, 1);
		// The achieved "NextLevel()" waits 5 s (313 frames of 16 ms), time to see the house fall;
		// the change lands a frame later.
		EXPECT_GE(first.nextLevelFrame - complete, 313);
		EXPECT_LE(first.nextLevelFrame - complete, 320);
		EXPECT_NE(std::find(Events().begin(), Events().end(), "LevelLoaded Hillside"), Events().end());
		const LevelOutcome second = PlayFirstLevelShooting(shot);
		EXPECT_EQ(second.log, first.log);
	}

	TEST(PlayableLevel, AShotCrateBringsTheHouseDownAndTheNextLevelFollows)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		ExpectTheHouseDownAndTheNextLevel(LevelShot::ByHand);
	}

	TEST(PlayableLevel, SuckBlowDestroyHouseCompletesObjective)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		ExpectTheHouseDownAndTheNextLevel(LevelShot::ByBreath);
	}

	// Whether the hut heard a hit that counts (damage above 0) and raised dust.
	bool CountsAndRaisesDust(const std::string& heard)
	{
		return std::regex_search(heard, std::regex("(^|; )Damage [1-9]")) && heard.find("DamageTaken") != std::string::npos;
	}

	// What Hillside's hut heard of one crate the player breathed in and blew at it from a given
	// distance before its front, up to the hit that counts. The crate grows back from its
	// breathed-in size as it flies, and its mass with it, which is what the hut's damage rule weighs.
	std::string BlowACrateAtTheHut(float distance)
	{
		// The hut's front faces +z; the player turns its back to it to breathe the crate in.
		constexpr float kHutFront = -18.0f;
		ShippedLevelWorld world("Hillside");
		MessageLog* hut = nullptr;
		std::string heard;
		auto face = [](float z) { ObjectFromName("Player").SendMessage(Message("SetDir").PushFloat(0.0f).PushFloat(-0.1f).PushFloat(z)); };
		auto breath = [](unsigned state) { ObjectFromName("Player").SendMessage(Message("SetLungState").PushU32(state)); };
		unsigned held = 0;
		std::map<unsigned, std::function<void()>> script;
		script[60] = [&] {
			hut = &Listen(ObjectFromName("Hut"), {"Damage", "DamageTaken"});
			ObjectFromName("Player").SendMessage(Message("SetPos").Push(Tuple3f(0.0f, 1.0f, kHutFront + 6.0f)));
			face(1.0f);
			const Object crate = CreateObjectFromArchetype("Crate.xml");
			crate.object->Start();
			crate.SendMessage(Message("SetPos").Push(Tuple3f(0.0f, 0.5f, kHutFront + 8.5f)));
			breath(1);
			ObjectFromName("Player").SendMessage(Message("SetSucking").PushBool(true));
		};
		world.Play(script, 400, [&](unsigned frame) {
			const Object me = ObjectFromName("Player");
			if (frame < 60 || me.IsDummy() || ObjectFromName("Hut").IsDummy())
				return;
			heard.clear();
			for (const std::string& entry : hut->entries)
				heard += entry + "; ";
			if (held == 0 && !me.object->GetComponent<Blow>()->heldObjs.empty())
			{
				held = frame;
				me.SendMessage(Message("SetSucking").PushBool(false));
				breath(0);
				me.SendMessage(Message("SetPos").Push(Tuple3f(0.0f, 1.0f, kHutFront + distance)));
				face(-1.0f);
			}
			if (held != 0 && (frame == held + 30 || frame == held + 32))
				breath(frame == held + 30 ? 2 : 0);
			if (CountsAndRaisesDust(heard))
				Engine::Instance()->RequestState(Engine::kQuit);
		});
		return heard;
	}

	// A hit that counts (damage above 0) raises dust.
	TEST(PlayableLevel, ACrateBlownAtTheHutFromNearOrFarCountsAndRaisesDust)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		for (float distance : {1.5f, 2.5f, 4.0f, 8.0f, 12.0f})
		{
			SCOPED_TRACE(distance);
			const std::string heard = BlowACrateAtTheHut(distance);
			EXPECT_TRUE(CountsAndRaisesDust(heard)) << heard;
		}
	}

	// Once Hillside's hut is down, the display says what comes while the golem rebuilds it, and the
	// lair follows within 20 s of game time (frames of 16 ms).
	TEST(PlayableLevel, HillsideSaysWhatFollowsTheHutAndMovesOnWithinTwentySeconds)
	{
		TW_SKIP_WITHOUT_DISPLAY();
		constexpr unsigned kBlowFrame = 60;
		constexpr unsigned kLongestWait = 20000 / 16;
		ShippedLevelWorld world("Hillside");
		MessageLog* display = nullptr;
		MessageLog* player = nullptr;
		unsigned completeFrame = 0, lairFrame = 0;
		std::map<unsigned, std::function<void()>> script;
		script[kBlowFrame] = [&] {
			display = &Listen(ObjectFromName("PlayerHudObj"), {"CallJSFunction"});
			player = &Listen(ObjectFromName("Player"), {"AllObjectivesComplete"});
			ObjectFromName("Hut").SendMessage(Message("Damage").PushInt(1000).Push(Tuple3f(0.0f, 1.0f, -17.0f)));
		};
		std::vector<std::string> shown;
		world.Play(script, kBlowFrame + kLongestWait + 10, [&](unsigned frame) {
			if (player != nullptr && completeFrame == 0 && player->Count("AllObjectivesComplete") > 0)
				completeFrame = frame;
			if (completeFrame != 0 && frame == completeFrame + 5)
				shown = display->Named("CallJSFunction");
			if (lairFrame == 0 && Engine::Instance()->GetCurrentLevel() == "Lair")
			{
				lairFrame = frame;
				Engine::Instance()->RequestState(Engine::kQuit);
			}
		});
		ASSERT_GT(completeFrame, 0u) << "the hut never came down";
		ASSERT_EQ(shown.size(), 1u);
		EXPECT_NE(shown[0].find("ShowNews('The roof is off the hut! The golem comes to rebuild it."), std::string::npos) << shown[0];
		ASSERT_GT(lairFrame, completeFrame) << "still in Hillside " << kLongestWait << " frames after the hut fell";
		EXPECT_LE(lairFrame - completeFrame, kLongestWait + 2);
	}

	// Death takes the player back to the start of the level it died in, whichever level that is,
	// after the display has said so for a while.
	TEST(PlayableLevel, APlayerWhoDiesIsToldAndStartsTheSameLevelAgain)
	{
		constexpr unsigned kDeathFrame = 100;
		constexpr unsigned kRestartFrames = PlayerDeath::kRestartDelay / 16;
		for (const char* level : {"Homestead", "Hillside", "Lair"})
		{
			SCOPED_TRACE(level);
			GameWorld world;
			std::string levelAfter;
			std::vector<std::string> shownBeforeRestart;
			bool freshPlayer = false;
			MessageLog* display = nullptr;
			std::map<unsigned, std::function<void()>> script;
			// Past the guard that keeps a player unharmed for its first second.
			script[kDeathFrame] = [&] {
				const Object me = ObjectFromName("Player");
				Listen(me, {"Death"});
				display = &Listen(ObjectFromName("PlayerHudObj"), {"CallJSFunction"});
				me.SendMessage(Message("Damage").PushInt(1000).Push(Tuple3f(0.0f, 0.0f, 0.0f)));
			};
			script[kDeathFrame + kRestartFrames - 10] = [&] {
				if (ObjectFromName("Player").object->GetComponent<MessageLog>() != nullptr)
					shownBeforeRestart = display->Named("CallJSFunction");
			};
			script[kDeathFrame + kRestartFrames + 60] = [&] {
				levelAfter = Engine::Instance()->GetCurrentLevel();
				const Object me = ObjectFromName("Player");
				freshPlayer = !me.IsDummy() && me.object->GetComponent<MessageLog>() == nullptr;
				Engine::Instance()->RequestState(Engine::kQuit);
			};
			world.Run(level, script, kDeathFrame + kRestartFrames + 70);
			EXPECT_EQ(std::count(shownBeforeRestart.begin(), shownBeforeRestart.end(), "CallJSFunction ShowDeath(); void(0);"), 1)
				<< "the death is not shown while the level waits";
			EXPECT_EQ(levelAfter, level);
			EXPECT_TRUE(freshPlayer) << "the level did not start again";
		}
	}
}
