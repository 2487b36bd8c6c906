// The game's start-up with a frame probe and a reporting component for the HTML interface's
// end-to-end tests. "GuiProbe" writes each level loaded ("LevelLoaded <name>") and leaves the cue
// "level-<name>", and the cue "level-unloaded" whenever a level unloads. On the main menu, once the
// page is up, it finds the start button in the menu's page as laid out at the window's size (the
// pixels of its CSS colour), reads the frame back and writes what share of that rectangle on
// screen shows the colour, then the same with the menu hidden (the level behind), keeps the frame
// as "menu.png", writes the button's centre in window pixels to the file "start-button" and leaves
// the cue "menu-shown". "KeyReporter" writes every "ReportKey" its object receives ("Key <code>"),
// as the key test level's page sends it. On the heads-up display test level it puts up the display
// ("PlayerHudObj"), measures the run of the health bar's colour on the bar's middle row on screen
// at full health, gives the "Player" a "HealthPercentage" of 0.25, measures again ("HealthRun
// <full> <quarter>") and leaves the cue "hud-measured". On the pause test level it leaves the cue
// "ready" once the level plays. It leaves "paused" at every pause and "resumed" when one ends; a
// second after each "Pause" in a level with a "Box" it writes how far the box fell in that second
// ("PausedFall" or "ResumedFall"), then ends the game half a second later, or, paused with "Resume"
// set in its configuration element, leaves the cue "paused-second" for the player to resume. Paused
// where no camera looks (a level that failed to load), it finds the pause menu's buttons in the
// menu's page, writes what share of them shows on screen ("PauseMenuShown <share>"), keeps the
// frame as "paused.png" and leaves the cue "pause-shot". A "BindingActs" message, as a configured
// binding sends it, leaves the cue "binding-acted".
#include "Archetype.h"
#include "Components/GUI/HTMLPane.h"
#include "Composition.h"
#include "Engine.h"
#include "FrameShot.h"
#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/PageShot.h"
#include "Message.h"
#include "Object.h"
#include "PlayerCue.h"
#include "QuietComponent.h"
#include "Startup.h"
#include "System.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Graphics/Graphics.h"
#include "Systems/Window.h"
#include "Components/Transform.h"
#include "Utilities/Config.h"
#include "Utilities/Timer.h"

#include <GL/glew.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace
{
	struct __KeyReporterName
	{
		static constexpr const char* name = "KeyReporter";
	};

	class KeyReporter : public test::QuietComponent<KeyReporter, __KeyReporterName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("ReportKey", &KeyReporter::OnReportKey);
			return true;
		}
		void OnReportKey(Message::Reader reader)
		{
			const int code = reader.Read<int>();
			std::cerr << "Key " << code << std::endl;
			test::LeaveCue(("key-" + std::to_string(code)).c_str());
		}
	};

	using test::Near;
	using test::ReadFrame;
	using test::Rect;

	// The start button's colour in Menu.css (#c8402a).
	constexpr int kButton[3] = {0xc8, 0x40, 0x2a};
	// Frames after the main menu loaded before it is measured: the page is loaded, painted and shown.
	constexpr unsigned kSettleFrames = 30;

	// The pause menu's buttons' colour in Menu.css (#2a3a5c).
	constexpr int kMenuButton[3] = {0x2a, 0x3a, 0x5c};

	// The health bar's colour in Hud.css (#d63a2f).
	constexpr int kHealthBar[3] = {0xd6, 0x3a, 0x2f};

	struct __GuiProbeName
	{
		static constexpr const char* name = "GuiProbe";
	};

	class GuiProbe : public SystemBase<GuiProbe, __GuiProbeName>
	{
	public:
		void LoadConfig(Config& section) override { resume = section.GetBool("Resume", false); }
		void Initialize() override
		{
			RegisterHandler("LevelLoaded", &GuiProbe::OnLevelLoaded);
			RegisterHandler("Pause", &GuiProbe::OnPause);
			RegisterHandler("BindingActs", &GuiProbe::OnBindingActs);
			RegisterHandler("UnloadingLevel", &GuiProbe::OnUnloadingLevel);
		}
		void Update() override
		{
			if (readyFrames > 0 && --readyFrames == 0)
				test::LeaveCue("ready");
			WatchTheBox();
			if (pauseShotFrames > 0 && --pauseShotFrames == 0)
				ShootPauseMenu();
			if (hudFrames > 0)
				MeasureHud(--hudFrames);
			if (menuFrames == 0 || --menuFrames > 2)
				return;
			const Object menu = ObjectFromName("MainMenu");
			if (menu.IsDummy())
				return;
			if (menuFrames == 2)
				MeasureMenu(*menu.object);
			else if (menuFrames == 1)
			{
				std::cerr << "Behind " << ShareOnScreen(button, kButton) << std::endl;
				menu.object->HandleMessage(Message("SetVisible").PushBool(true));
				std::ofstream("start-button") << (button.left + button.right) / 2 << " " << (button.top + button.bottom) / 2 << "\n";
				test::LeaveCue("menu-shown");
				menuFrames = 0;
			}
		}

	private:
		void OnLevelLoaded(Message::Reader)
		{
			std::string level = Engine::Instance()->GetCurrentLevel();
			level = level.substr(level.find_last_of('/') + 1);
			std::cerr << "LevelLoaded " << level << std::endl;
			test::LeaveCue(("level-" + level).c_str());
			if (level == "MainMenu")
				menuFrames = kSettleFrames;
			if (level == "GuiPauseEndToEnd")
				readyFrames = kSettleFrames;
			if (level == "GuiHudEndToEnd")
			{
				CreateObjectFromArchetype("PlayerHudObj.xml").object->Start();
				hudFrames = 2 * kSettleFrames;
			}
		}

		static float BoxHeight() { return ObjectFromName("Box").object->GetComponent<Transform>()->GetWorldPosition().y; }

		void OnPause(Message::Reader reader)
		{
			paused = reader.Read<bool>();
			test::LeaveCue(paused ? "paused" : "resumed");
			if (paused && Engine::Instance()->GetSystem<Graphics>()->GetActiveCamera() == nullptr)
				pauseShotFrames = kSettleFrames;
			watching = !ObjectFromName("Box").IsDummy();
			if (!watching)
				return;
			watchStart = GetElapsedMilliseconds();
			startHeight = BoxHeight();
		}

		void OnBindingActs(Message::Reader) { test::LeaveCue("binding-acted"); }
		void OnUnloadingLevel(Message::Reader) { test::LeaveCue("level-unloaded"); }

		// A second after the pause changed: how far the box moved; half a second later the end.
		void WatchTheBox()
		{
			// The level may have changed under the watch.
			watching = watching && !ObjectFromName("Box").IsDummy();
			const std::uint32_t elapsed = GetElapsedMilliseconds() - watchStart;
			if (watching && elapsed >= 1000)
			{
				std::cerr << (paused ? "PausedFall " : "ResumedFall ") << std::abs(BoxHeight() - startHeight) << std::endl;
				watching = false;
				ending = !(paused && resume);
				if (!ending)
					test::LeaveCue("paused-second");
			}
			if (ending && elapsed >= 1500)
			{
				ending = false;
				Engine::SendMessage(Message("Shutdown"));
			}
		}

		// At full health once the display is up, then at a quarter after it had time to repaint.
		void MeasureHud(unsigned framesLeft)
		{
			if (framesLeft == kSettleFrames)
			{
				fullRun = HealthRun();
				ObjectFromName("Player").object->HandleMessage(Message("HealthPercentage").PushFloat(0.25f));
			}
			else if (framesLeft == 0)
			{
				std::cerr << "HealthRun " << fullRun << " " << HealthRun() << std::endl;
				test::LeaveCue("hud-measured");
			}
		}

		// The longest run of the bar's colour on screen along the bar's middle row, the row found in
		// the display's page (a 4:3 window shows the page pixel for pixel).
		int HealthRun() const
		{
			const HTMLView* view = ObjectFromName("PlayerHudObj").object->GetComponent<HTMLPane>()->GetView();
			int top = -1, bottom = -1;
			for (int y = 0; y < view->GetHeight(); ++y)
				for (int x = 0; x < view->GetWidth(); ++x)
				{
					const std::uint8_t* pixel = view->GetPixels() + y * view->GetBytesPerRow() + x * 4;
					if (Near(kHealthBar, pixel[2], pixel[1], pixel[0]))
					{
						top = top < 0 ? y : top;
						bottom = y;
					}
				}
			const Window* window = Engine::Instance()->GetSystem<Window>();
			const int width = window->GetWidth(), height = window->GetHeight();
			const int row = (top + bottom) / 2;
			if (top < 0 || row >= height)
				return 0;
			const std::vector<unsigned char> frame = ReadFrame(width, height);
			int longest = 0, run = 0;
			for (int x = 0; x < width; ++x)
			{
				const unsigned char* pixel = &frame[(static_cast<std::size_t>(height - 1 - row) * width + x) * 4];
				run = Near(kHealthBar, pixel[0], pixel[1], pixel[2]) ? run + 1 : 0;
				longest = std::max(longest, run);
			}
			return longest;
		}

		void ShootPauseMenu()
		{
			const Object menu = ObjectFromId(Engine::Instance()->GetSystem<GUI>()->GetPauseMenuId());
			if (menu.IsDummy())
				return;
			const Rect buttons = test::ColourOnPane(*menu.object, kMenuButton, Engine::Instance()->GetSystem<Window>()->GetWidth());
			std::cerr << "PauseMenuShown " << ShareOnScreen(buttons, kMenuButton, "paused.png") << std::endl;
			test::LeaveCue("pause-shot");
		}

		// The button in window pixels: found in the page's own pixels, placed as the plane shows it.
		void MeasureMenu(Composition& menu)
		{
			button = test::ColourOnPane(menu, kButton, Engine::Instance()->GetSystem<Window>()->GetWidth());
			std::cerr << "Button " << button.left << " " << button.top << " " << button.right << " " << button.bottom << std::endl;
			std::cerr << "Shown " << ShareOnScreen(button, kButton, "menu.png") << std::endl;
			menu.HandleMessage(Message("SetVisible").PushBool(false));
		}

		// The share of the rectangle in the frame last drawn that shows the colour; the frame is kept
		// as a PNG of that name when one is given.
		static double ShareOnScreen(const Rect& area, const int (&colour)[3], const char* keepAs = nullptr)
		{
			const Window* window = Engine::Instance()->GetSystem<Window>();
			const int width = window->GetWidth(), height = window->GetHeight();
			const std::vector<unsigned char> pixels = ReadFrame(width, height);
			if (keepAs != nullptr)
				test::WriteFramePng(pixels, width, height, keepAs);
			int inside = 0, total = 0;
			for (int y = std::max(area.top, 0); y < std::min(area.bottom, height); ++y)
				for (int x = std::max(area.left, 0); x < std::min(area.right, width); ++x)
				{
					const unsigned char* pixel = &pixels[(static_cast<std::size_t>(height - 1 - y) * width + x) * 4];
					++total;
					inside += Near(colour, pixel[0], pixel[1], pixel[2]) ? 1 : 0;
				}
			return total > 0 ? static_cast<double>(inside) / total : 0.0;
		}

		unsigned menuFrames = 0;
		Rect button;
		unsigned hudFrames = 0;
		int fullRun = 0;
		unsigned readyFrames = 0;
		unsigned pauseShotFrames = 0;
		bool resume = false;
		bool paused = false;
		bool watching = false;
		bool ending = false;
		std::uint32_t watchStart = 0;
		float startHeight = 0.0f;
	};

	// The key test level's page: every key pressed goes to the object "Reporter" in a message the
	// page builds.
	constexpr const char* kKeyPage =
		"<body><script>document.body.addEventListener('keydown', function(e) {"
		" var report = new Message('ReportKey'); report.PushInt(e.keyCode);"
		" new ObjectFromName('Reporter', 0).SendMessage(report); });</script></body>";
}

int main(int argc, char** argv)
{
	// Into the user folder: pages load only from the game's folders.
	const auto serveKeyPage = [](Engine& engine)
	{
		std::ofstream(engine.GetUserFolder() + "KeyPage.html") << kKeyPage;
		KeyReporter::Register();
	};
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, serveKeyPage, [](Engine& engine) { engine.AddSystem(new GuiProbe()); });
}
