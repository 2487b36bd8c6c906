// The game's start-up with one more system, "LevelProbe", for playing the shipped levels through:
// it writes on stderr each level loaded ("LevelLoaded <name>"), each "Death" of an object named
// "House" ("Death House") and each change of a rebuildable house's state ("HouseState <state>"),
// and ends the game a second after a level other than the first one played loaded. The end-to-end
// tests play with real mouse buttons meanwhile, cued by the files "playing" (the first level
// loaded), "held" (a crate taken in), "released" (a crate let out again) and "rebuilt" (a house
// stands again after it came down). The main menu is not played: once its page is up, the start
// button's rectangle in window pixels goes to the file "start-button" and the cue "menu-shown" is
// left. In the level played, the probe writes how far the view turned in its first frames
// ("ViewTurn <degrees>", cue "view-measured"); after a house's death, how its pieces moved and lay
// ("Pieces <least moved> <most moved lately> <most above the floor>") and how much of the heads-up
// display shows a goal met ("ObjectiveMet <pixels>"). It keeps the frames "hud.png" (the level
// played), "suck.png" (the breath's particles streaming in) and "fall.png" (the house falling).
#include "Components/Logic/AvailableObjects.h"
#include "Components/Logic/CameraAim.h"
#include "Components/Physics/ParticleSystem.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "FrameShot.h"
#include "FrameTimer.h"
#include "Message.h"
#include "Object.h"
#include "PlayerCue.h"
#include "QuietComponent.h"
#include "Startup.h"
#include "System.h"
#include "Systems/Window.h"
#include "Utilities/Timer.h"

#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>
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
		void OnDeath(Message::Reader)
		{
			std::cerr << "Death " << owner->GetName() << std::endl;
			if (owner->GetName() == "House")
				test::LeaveCue("house-down");
		}
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

	// The start button's colour in Menu.css (#c8402a); a goal met on the heads-up display (#9fe07a).
	constexpr int kStartButton[3] = {0xc8, 0x40, 0x2a};
	constexpr int kGoalMet[3] = {0x9f, 0xe0, 0x7a};
	// Frames after the main menu loaded before it is measured: the page is loaded, painted and shown.
	constexpr unsigned kMenuFrames = 30;
	// Frames of the level played after which the view is compared with the level file's, and the
	// heads-up display is kept as "hud.png".
	constexpr unsigned kViewFrames = 20;
	constexpr unsigned kHudShotFrames = 20;
	// Live "Suck" particles that make the breath's frame worth keeping.
	constexpr std::size_t kSuckShotParticles = 40;
	// Game milliseconds after the house's death: the fall's frame, a look at the pieces, and the
	// second look that finds them still, before the level changes 5 s after the death.
	constexpr std::uint32_t kFallShotMs = 500;
	constexpr std::uint32_t kPiecesFirstLookMs = 4300;
	constexpr std::uint32_t kPiecesLastLookMs = 4800;

	// From the house's death until the pieces' last look, game time advances one frame a frame, as
	// the physics does: the pieces then fall as far before each look, and before the level changes,
	// however slowly a loaded machine draws. Afterwards it runs on with the SDL clock, unbroken.
	class SteppedClock
	{
	public:
		static void Start()
		{
			stepped = GetElapsedMilliseconds();
			stepping = true;
			SetElapsedMillisecondsHook(&Now);
		}
		static void Step()
		{
			if (stepping)
				stepped += FrameTimer::kFrameMilliseconds;
		}
		static void Stop()
		{
			if (!stepping)
				return;
			offset = stepped - SDL_GetTicks();
			stepping = false;
		}

	private:
		static std::uint32_t Now() { return stepping ? stepped : SDL_GetTicks() + offset; }

		static inline std::uint32_t stepped = 0;
		static inline std::uint32_t offset = 0;
		static inline bool stepping = false;
	};

	struct Piece
	{
		unsigned id;
		Tuple3f start;
		Tuple3f lookedAt;
		float halfExtent;
	};

	Tuple3f PositionOf(unsigned id)
	{
		const Object object = ObjectFromId(id);
		return object.IsDummy() ? Tuple3f() : object.object->GetComponent<Transform>()->GetWorldPosition();
	}

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
			if (menuFrames > 0 && --menuFrames == 0)
				MeasureMenu();
			if (viewFrames > 0 && --viewFrames == 0)
				MeasureView();
			if (hudShotFrames > 0 && --hudShotFrames == 0)
				KeepFrame("hud.png");
			WatchTheBreath();
			WatchTheFall();
			// About a second of frames after the next level came.
			if (framesLeft > 0 && --framesLeft == 0)
				Engine::SendMessage(Message("Shutdown"));
		}

	private:
		void OnLevelLoaded(Message::Reader)
		{
			const std::string level = Engine::Instance()->GetCurrentLevel();
			std::cerr << "LevelLoaded " << level << std::endl;
			if (level == "MainMenu")
			{
				menuFrames = kMenuFrames;
				return;
			}
			if (firstLevel.empty())
			{
				firstLevel = level;
				if (const std::optional<CameraAim> aim = CameraAim::Active())
					levelView = aim->direction;
				viewFrames = kViewFrames;
				hudShotFrames = kHudShotFrames;
			}
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
			pieces.clear();
			for (unsigned id : ObjectIdsByName("HousePiece"))
			{
				const Transform* transform = ObjectFromId(id).object->GetComponent<Transform>();
				const Tuple3f scale = transform->GetScale();
				pieces.push_back({id, transform->GetWorldPosition(), transform->GetWorldPosition(), 0.5f * std::max({scale.x, scale.y, scale.z})});
			}
			SteppedClock::Stop();
			deathTime = 0;
			fallStage = 0;
		}

		static Window& TheWindow() { return *Engine::Instance()->GetSystem<Window>(); }

		static void KeepFrame(const char* path)
		{
			const int width = TheWindow().GetWidth(), height = TheWindow().GetHeight();
			test::WriteFramePng(test::ReadFrame(width, height), width, height, path);
		}

		static void MeasureMenu()
		{
			const Object menu = ObjectFromName("MainMenu");
			if (menu.IsDummy())
				return;
			const test::Rect button = test::ColourOnPane(*menu.object, kStartButton, TheWindow().GetWidth());
			std::ofstream("start-button") << button.left << " " << button.top << " " << button.right << " " << button.bottom << "\n";
			test::LeaveCue("menu-shown");
		}

		void MeasureView() const
		{
			const std::optional<CameraAim> aim = CameraAim::Active();
			const double cosine = aim ? std::clamp(static_cast<double>(aim->direction.Normalize().DotProduct(levelView.Normalize())), -1.0, 1.0) : -1.0;
			std::cerr << "ViewTurn " << std::acos(cosine) * 180.0 / M_PI << std::endl;
			test::LeaveCue("view-measured");
		}

		// The breath's particles, kept once while they stream in.
		void WatchTheBreath()
		{
			const Object player = ObjectFromName("Player");
			const ParticleSystem* particles = player.IsDummy() ? nullptr : player.object->GetComponent<ParticleSystem>();
			const ParticleGroup* suck = particles != nullptr ? particles->FindGroup("Suck") : nullptr;
			if (suckShotKept || suck == nullptr || suck->particles.size() < kSuckShotParticles)
				return;
			suckShotKept = true;
			KeepFrame("suck.png");
		}

		// From the house's death on: the frame of the fall, then two looks at its pieces.
		void WatchTheFall()
		{
			if (deathTime == 0)
			{
				if (!firstLevel.empty() && Engine::Instance()->GetCurrentLevel() == firstLevel && !pieces.empty() &&
					ObjectIdsByName("House").empty())
				{
					SteppedClock::Start();
					deathTime = GetElapsedMilliseconds();
				}
				return;
			}
			SteppedClock::Step();
			const std::uint32_t since = GetElapsedMilliseconds() - deathTime;
			if (fallStage == 0 && since >= kFallShotMs)
			{
				KeepFrame("fall.png");
				fallStage = 1;
			}
			else if (fallStage == 1 && since >= kPiecesFirstLookMs)
			{
				for (Piece& piece : pieces)
					piece.lookedAt = PositionOf(piece.id);
				fallStage = 2;
			}
			else if (fallStage == 2 && since >= kPiecesLastLookMs)
			{
				ReportPieces();
				SteppedClock::Stop();
				fallStage = 3;
			}
		}

		void ReportPieces() const
		{
			double leastMoved = 1e9, mostLately = 0.0, mostAbove = -1e9;
			for (const Piece& piece : pieces)
			{
				const Tuple3f now = PositionOf(piece.id);
				leastMoved = std::min(leastMoved, now.Distance(piece.start));
				mostLately = std::max(mostLately, now.Distance(piece.lookedAt));
				mostAbove = std::max(mostAbove, static_cast<double>(now.y - piece.halfExtent));
			}
			std::cerr << "Pieces " << leastMoved << " " << mostLately << " " << mostAbove << std::endl;
			const Object hud = ObjectFromName("PlayerHudObj");
			std::cerr << "ObjectiveMet " << (hud.IsDummy() ? 0 : test::PixelsNear(*hud.object, kGoalMet)) << std::endl;
		}

		std::string firstLevel;
		std::vector<unsigned> houses;
		std::vector<Piece> pieces;
		Tuple3f levelView;
		unsigned framesLeft = 0;
		unsigned menuFrames = 0;
		unsigned viewFrames = 0;
		unsigned hudShotFrames = 0;
		bool suckShotKept = false;
		std::uint32_t deathTime = 0;
		int fallStage = 0;
	};
}

int main(int argc, char** argv)
{
	const auto registerReporters = [](Engine&)
	{
		DeathReporter::Register();
		HouseStateReporter::Register();
	};
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, registerReporters, [](Engine& engine) {
		engine.AddSystem(new LevelProbe());
		engine.AddSystem(new test::FrameCounter());
	});
}
