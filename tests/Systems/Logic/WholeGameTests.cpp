// The whole shipped game, headless, from the first level to the main menu, played as a player plays
// it: breath, look and walk are the player's own messages, and nothing is moved or counted by hand.
#include "Components/GUI/HTMLPane.h"
#include "Components/Graphics/Camera.h"
#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/Blow.h"
#include "Components/Logic/GolemWorld.h"
#include "Components/Transform.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Logic/GameWorld.h"
#include "Systems/Physics/RigidBody.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

namespace
{
	using test::GameWorld;
	using test::GolemWorld;

	// Far more than a played-through game needs: a run that never reaches the menu ends here.
	constexpr unsigned kFrameLimit = 20000;
	constexpr unsigned kGameFramesPerSecond = 62;
	// The lair's walls stand this far from its middle.
	constexpr float kLairHalf = 18.0f;
	const Tuple3f kLairMiddle(0.0f, 0.0f, -4.0f);

	// What the run saw, "<frame> <what>" in order; the golem's place once a second, for the
	// comparison of two runs.
	struct Journey
	{
		std::vector<std::string> events;
		std::vector<std::string> trail;
		// Hillside's golem once the hut stood again: how far it went from where it stopped, and for how
		// many frames it was watched.
		float builderStray = 0.0f;
		unsigned builderWatched = 0;
		// The lair's golem: how far it ever was from the lair's middle, horizontally.
		float bossReach = 0.0f;
		// The page the won level shows.
		std::string wonPage;

		int FrameOf(const std::string& what) const
		{
			for (const std::string& event : events)
				if (event.substr(event.find(' ') + 1) == what)
					return std::stoi(event);
			return -1;
		}
		std::size_t Count(const std::string& what) const
		{
			return static_cast<std::size_t>(std::count_if(
				events.begin(), events.end(), [&](const std::string& event) { return event.substr(event.find(' ') + 1) == what; }));
		}
	};

	Tuple3f GamePositionOf(const Object& object)
	{
		return object.object->GetComponent<Transform>()->GetWorldPosition();
	}

	// The player: the messages its keys and mouse send, chosen each frame from what it sees. In the
	// first two levels it breathes the crate ahead in and blows it at the house; in the lair it walks
	// up to the waking stone, watches the golem until it has seen all it does, then blows kegs at the
	// scraps of the parts still whole.
	class GamePlayer
	{
	public:
		explicit GamePlayer(Journey& journey) : journey(journey) {}

		void Frame(unsigned frame)
		{
			this->frame = frame;
			const std::string level = Engine::Instance()->GetCurrentLevel();
			if (level != currentLevel)
				Arrive(level);
			++levelFrame;
			if (level == "Homestead" || level == "Hillside")
				BringTheHouseDown();
			if (level == "Lair")
				FightTheGolem();
			if (level == "Won" && journey.wonPage.empty())
				journey.wonPage = ShownPage();
		}

	private:
		enum class Breath
		{
			Idle,
			In,
			Holding,
			Out,
		};

		void Note(const std::string& what) { journey.events.push_back(std::to_string(frame) + " " + what); }

		void Arrive(const std::string& level)
		{
			currentLevel = level;
			levelFrame = 0;
			breath = Breath::Idle;
			houseState = -1;
			Note("level " + level);
			if (level != "Lair")
				return;
			// What the golem is heard doing: each leaf of its tree says something of its own.
			golemNews = &test::Listen(ObjectFromName("Golem"), {"ReeledIn", "Cyclone", "SetAnimation", "Ragdoll", "Death"});
			shakes = &test::Listen(Me(), {"Shake"});
		}

		static Object Me() { return ObjectFromName("Player"); }
		static void Send(const Message& message) { Me().SendMessage(message); }

		void Look(const Tuple3f& at)
		{
			const Tuple3f direction = (at - Me().object->GetComponent<Camera>()->GetEyePosition()).Normalize();
			Send(Message("SetDir").PushFloat(direction.x).PushFloat(direction.y).PushFloat(direction.z));
		}

		void BreatheIn()
		{
			Send(Message("SetLungState").PushU32(1));
			Send(Message("SetSucking").PushBool(true));
			breath = Breath::In;
			breathFrame = levelFrame;
		}

		// Something held: the button is let go, ready to blow.
		void HoldWhenTaken()
		{
			if (breath != Breath::In || Me().object->GetComponent<Blow>()->heldObjs.empty())
				return;
			Send(Message("SetSucking").PushBool(false));
			Send(Message("SetLungState").PushU32(0));
			breath = Breath::Holding;
		}

		// Blows, and two frames on lets the button go.
		void BreatheOut()
		{
			Send(Message("SetLungState").PushU32(2));
			breath = Breath::Out;
			breathFrame = levelFrame;
		}
		void LetGo()
		{
			if (breath == Breath::Out && levelFrame == breathFrame + 2)
				Send(Message("SetLungState").PushU32(0));
		}

		void BringTheHouseDown()
		{
			if (levelFrame == 20)
				BreatheIn();
			HoldWhenTaken();
			if (breath == Breath::Holding)
				BreatheOut();
			LetGo();
			int state = ObjectIdsByName("House").empty() ? AvailableObjects::kDestroyed : AvailableObjects::kWhole;
			for (unsigned id : ObjectIdsByName("Hut"))
				state = ObjectFromId(id).object->GetComponent<AvailableObjects>()->GetHouseState();
			if (houseState != -1 && state != houseState)
				Note(currentLevel + " house " + std::to_string(state));
			if (houseState == AvailableObjects::kBeingRebuilt && state == AvailableObjects::kWhole)
				builderStopped = GamePositionOf(ObjectFromName("Golem"));
			houseState = state;
			if (builderStopped)
			{
				journey.builderStray = std::max(journey.builderStray, static_cast<float>(GamePositionOf(ObjectFromName("Golem")).Distance(*builderStopped)));
				++journey.builderWatched;
			}
		}

		void FightTheGolem()
		{
			const Object golem = ObjectFromName("Golem");
			ReadTheNews(golem);
			if (golem.IsDummy())
				return;
			const Tuple3f at = GamePositionOf(golem);
			journey.bossReach = std::max(journey.bossReach, static_cast<float>(Tuple3f(at.x - kLairMiddle.x, 0, at.z - kLairMiddle.z).Length()));
			if (levelFrame % kGameFramesPerSecond == 0)
				journey.trail.push_back(tw::TextOf(at));
			if (GolemWorld::Attached(golem).empty())
			{
				Send(Message("MoveForward").PushFloat(1.0f));
				return;
			}
			NoteDroppedCrates(at);
			const ::Golem& boss = GolemWorld::GolemOf(golem);
			NoteHits(boss);
			if (!SeenAllItDoes())
				return;
			const bool breathSpent = breath == Breath::Out && levelFrame > breathFrame + kGameFramesPerSecond;
			const bool nothingTaken = breath == Breath::In && levelFrame > breathFrame + 4 * kGameFramesPerSecond;
			if (breath == Breath::Idle || breathSpent || nothingTaken)
				TakeAKeg();
			HoldWhenTaken();
			if (breath == Breath::Holding && boss.IsArmed() && !boss.IsRagdolled())
				ThrowAtAPart(golem, boss);
			LetGo();
		}

		// The golem's messages and the player's shaken view, as they came.
		void ReadTheNews(const Object& golem)
		{
			if (!golem.IsDummy())
				for (; newsRead < golemNews->entries.size(); ++newsRead)
					Note("golem " + golemNews->entries[newsRead]);
			for (; shakesRead < shakes->entries.size(); ++shakesRead)
				Note("view shakes");
		}

		bool SeenAllItDoes() const
		{
			return journey.FrameOf("golem Cyclone") > 0 && journey.FrameOf("golem drops a crate") > 0 &&
				journey.FrameOf("golem SetAnimation Throw 0.1") > 0 && journey.FrameOf("golem SetAnimation Walk 0.01") > 0;
		}

		void NoteDroppedCrates(const Tuple3f& golemAt)
		{
			for (unsigned id : ObjectIdsByName("Crate"))
				if (id > lastCrate)
				{
					lastCrate = id;
					if (GamePositionOf(ObjectFromId(id)).Distance(golemAt) < 2.5)
						Note("golem drops a crate");
				}
		}

		static std::string ShownPage()
		{
			const HTMLPane* pane = ObjectFromName("WonPage").object->GetComponent<HTMLPane>();
			return pane != nullptr && pane->GetView() != nullptr ? pane->GetPageLocation() : "";
		}

		void NoteHits(const ::Golem& boss)
		{
			std::string hits = "hits";
			for (const ::Golem::DamageablePart& part : boss.GetParts())
				hits += " " + std::to_string(part.hits);
			if (hits != lastHits && !lastHits.empty())
				Note(journey.FrameOf("first hit") < 0 ? "first hit" : hits);
			lastHits = hits;
		}

		void TakeAKeg()
		{
			const Tuple3f me = GamePositionOf(Me());
			const std::vector<unsigned> kegs = ObjectIdsByName("Keg");
			if (kegs.empty())
				return;
			const auto nearer = [&me](unsigned a, unsigned b) { return GamePositionOf(ObjectFromId(a)).Distance(me) < GamePositionOf(ObjectFromId(b)).Distance(me); };
			Look(GamePositionOf(ObjectFromId(*std::min_element(kegs.begin(), kegs.end(), nearer))));
			BreatheIn();
		}

		// At a hanging scrap of the first part still whole.
		void ThrowAtAPart(const Object& golem, const ::Golem& boss)
		{
			for (std::size_t part = 0; part < boss.GetParts().size(); ++part)
				for (unsigned id : boss.GetParts()[part].IsComplete() ? std::vector<unsigned>() : GolemWorld::PartScraps(golem, part))
					if (!GolemWorld::RigidBodyOf(ObjectFromId(id)).HasFlag(kBodyNoGravity))
					{
						Look(GamePositionOf(ObjectFromId(id)));
						BreatheOut();
						return;
					}
		}

		Journey& journey;
		unsigned frame = 0;
		std::string currentLevel;
		unsigned levelFrame = 0;
		Breath breath = Breath::Idle;
		unsigned breathFrame = 0;
		int houseState = -1;
		std::optional<Tuple3f> builderStopped;
		test::MessageLog* golemNews = nullptr;
		test::MessageLog* shakes = nullptr;
		std::size_t newsRead = 0;
		std::size_t shakesRead = 0;
		unsigned lastCrate = 0;
		std::string lastHits;
	};

	Journey PlayTheWholeGame()
	{
		Journey journey;
		GameWorld world("<FirstLevel>Homestead</FirstLevel>");
		// No window, so nothing is drawn: the levels' images and pages are still read, and the pages
		// laid out, but no check looks at a pixel.
		world.engine.engine->AddSystem(new GUI());
		GamePlayer player(journey);
		std::map<unsigned, std::function<void()>> script;
		for (unsigned frame = 1; frame <= kFrameLimit; ++frame)
			script[frame] = [&player, frame] {
				player.Frame(frame);
				if (Engine::Instance()->GetCurrentLevel() == "MainMenu")
					Engine::Instance()->RequestState(Engine::kQuit);
			};
		world.Run(world.engine.engine->GetCurrentLevel(), script, kFrameLimit);
		return journey;
	}

	TEST(WholeGame, FromTheFirstLevelThroughTheGolemsLairToTheMainMenu)
	{
		const Journey run = PlayTheWholeGame();
		const auto frameOf = [&run](const std::string& what) { return run.FrameOf(what); };
		// Each level in turn, each once, and the menu at the end.
		std::vector<int> levels;
		for (const char* level : {"Homestead", "Hillside", "Lair", "Won", "MainMenu"})
		{
			SCOPED_TRACE(level);
			EXPECT_EQ(run.Count(std::string("level ") + level), 1u);
			levels.push_back(frameOf(std::string("level ") + level));
		}
		EXPECT_TRUE(std::is_sorted(levels.begin(), levels.end()));
		EXPECT_GT(levels.front(), 0);
		// Both houses came down; Hillside's was put back before the lair, which followed within 20 s
		// of the fall (frames of 16 ms; the change lands a frame later).
		EXPECT_GT(frameOf("Homestead house 0"), 0);
		EXPECT_GT(frameOf("Hillside house 0"), levels[1]);
		EXPECT_GT(frameOf("Hillside house 2"), frameOf("Hillside house 0"));
		EXPECT_LE(levels[2] - frameOf("Hillside house 0"), 20000 / 16 + 2);
		// Its builder then stays where it stopped until the level moves on.
		EXPECT_LT(run.builderStray, 2.0f);
		EXPECT_GT(run.builderWatched, 4 * kGameFramesPerSecond);
		// In the lair: summoned, armed, each leaf seen before the first hit, every part hit home.
		const int armed = frameOf("golem ReeledIn");
		EXPECT_GT(armed, levels[2]);
		const int firstHit = frameOf("first hit");
		for (const char* leaf : {"golem SetAnimation Walk 0.01", "golem drops a crate", "golem Cyclone", "golem SetAnimation Throw 0.1"})
		{
			SCOPED_TRACE(leaf);
			EXPECT_GT(frameOf(leaf), armed);
			EXPECT_LT(frameOf(leaf), firstHit);
		}
		EXPECT_GT(frameOf("hits 2 2"), firstHit);
		// Knocked over once a part (the second time it dies), the view shaking each time.
		EXPECT_EQ(run.Count("golem Ragdoll 1"), 2u);
		EXPECT_EQ(run.Count("view shakes"), 2u);
		EXPECT_EQ(run.Count("golem Death"), 1u);
		EXPECT_LT(frameOf("golem Death"), levels[3]);
		EXPECT_LT(run.bossReach, kLairHalf);
		EXPECT_TRUE(run.wonPage.ends_with("Won.html")) << run.wonPage;
		// Played again, the same game to the frame.
		const Journey again = PlayTheWholeGame();
		EXPECT_EQ(again.events, run.events);
		EXPECT_EQ(again.trail, run.trail);
	}
}
