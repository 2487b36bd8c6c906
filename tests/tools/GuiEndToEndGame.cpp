// The game's start-up with a frame probe and a reporting component for the HTML interface's
// end-to-end tests. "GuiProbe" writes each level loaded ("LevelLoaded <name>") and leaves the cue
// "level-<name>", and the cue "level-unloaded" whenever a level unloads, and writes every "Pause"
// ("Pause <0 or 1>"). On the main menu, once the page is up, it finds the start button in the
// menu's page as laid out at the window's size (the pixels of its CSS colour), reads the frame back
// and writes what share of that rectangle on screen shows the colour, then the same with the menu
// hidden (the level behind), keeps the frame as "menu.png", writes the button's centre in window
// pixels to the file "start-button", the centres of every button of the menu to "menu-buttons" (one
// "x y" a line) and leaves the cue "menu-shown". "PageReporter" writes every "ReportKey" its object
// receives ("Key <code>"), as the key test level's page sends it, and every "ReportPress" ("Press
// <event> <button> <element id>"): with "ReportPresses" set in its configuration element, the probe
// makes the menus' buttons report their mouse events so, through a "Reporter" object of its own. Two
// frames after the game takes each release of a key or a mouse button, once all that the release
// does has been done, it leaves the cue "released-<count of releases>". On the
// heads-up display test level it puts up the display ("PlayerHudObj"), measures the run of the
// health bar's colour on the bar's middle row on screen at full health, gives the "Player" a
// "HealthPercentage" of 0.25, measures again ("HealthRun <full> <quarter>") and leaves the cue
// "hud-measured". On the pause test level and in Homestead it leaves the cue "ready" once the level
// plays and "paused" at the pause and "resumed" when it ends; a second after each change it writes
// how far the falling "Box" of the pause test level moved in that second ("PausedFall" or
// "ResumedFall"), then ends the game half a second later, or, paused with "Resume" set in its
// configuration element, leaves the cue "paused-second" for the player to resume; a level change
// ends that watch. Where a veil is shown (the pause menu in Homestead, the won page) it writes what
// share of the window's outer 32-pixel border the veil darkens ("VeilCover <share>"), from the
// frame with the veil and the frame without it, keeps the veiled frame ("pause.png" or "won.png")
// and leaves the cue "veil-measured", after writing, for the pause menu, the centres of its buttons
// to "pause-buttons". On the won level it then writes the centre of the page's
// button in window pixels to the file "won-button" and leaves the cue "won-shown". Paused where no
// camera looks (a level that failed to load), it finds the pause menu's buttons in the menu's page,
// writes what share of them shows on screen ("PauseMenuShown <share>"), keeps the frame as
// "paused.png" and leaves the cue "pause-shot". A "BindingActs" message, as a configured binding
// sends it, leaves the cue "binding-acted".
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
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace
{
	struct __PageReporterName
	{
		static constexpr const char* name = "PageReporter";
	};

	class PageReporter : public test::QuietComponent<PageReporter, __PageReporterName>
	{
	public:
		bool Start() override
		{
			owner->RegisterHandler("ReportKey", &PageReporter::OnReportKey);
			owner->RegisterHandler("ReportPress", &PageReporter::OnReportPress);
			return true;
		}
		void OnReportKey(Message::Reader reader)
		{
			const int code = reader.Read<int>();
			std::cerr << "Key " << code << std::endl;
			test::LeaveCue(("key-" + std::to_string(code)).c_str());
		}
		void OnReportPress(Message::Reader reader) { std::cerr << "Press " << reader.Read<std::string>() << std::endl; }
	};

	// Makes every button of the page report its mouse events to the object "Reporter".
	constexpr const char* kReportPresses =
		"(function() { var buttons = document.getElementsByClassName('button');"
		" for (let i = 0; i < buttons.length; ++i) { const id = buttons[i].id;"
		" ['mousedown', 'mouseup', 'click'].forEach(function(type) { buttons[i].addEventListener(type, function(event) {"
		" var report = new Message('ReportPress'); report.PushString(type + ' ' + event.button + ' ' + id);"
		" new ObjectFromName('Reporter', 0).SendMessage(report); }); }); } })();";

	// Frames between the game taking a release and the cue: what the release does is done by then.
	constexpr unsigned kReleaseFrames = 2;

	using test::Near;
	using test::ReadFrame;
	using test::Rect;

	// The start button's colour in Menu.css (#c8402a).
	constexpr int kButton[3] = {0xc8, 0x40, 0x2a};
	// Frames after the main menu loaded before it is measured: the page is loaded, painted and shown.
	constexpr unsigned kSettleFrames = 30;

	// The health bar's colour in Hud.css (#d63a2f).
	constexpr int kHealthBar[3] = {0xd6, 0x3a, 0x2f};

	// The other buttons' colour in Menu.css (#2a3a5c), the pause menu's among them, and the veil's
	// colour and opacity.
	constexpr int kMenuButton[3] = {0x2a, 0x3a, 0x5c};
	constexpr double kVeil[3] = {10, 14, 24};
	constexpr double kVeilOpacity = 0.6;
	// The veil's border measured, in window pixels, and how near a veiled pixel must come to the
	// blend of the pixel without it and the veil.
	constexpr int kVeilBorder = 32;
	constexpr double kVeilTolerance = 12;

	// The centre of each rectangle in window pixels, one "x y" a line.
	void WriteCentres(const std::string& file, const std::vector<Rect>& rectangles)
	{
		std::ofstream centres(file);
		for (const Rect& rectangle : rectangles)
			centres << (rectangle.left + rectangle.right) / 2 << " " << (rectangle.top + rectangle.bottom) / 2 << "\n";
	}

	// The share of the window's outer border in which the veiled frame shows the veil over the bare one.
	double VeilCover(const std::vector<unsigned char>& veiled, const std::vector<unsigned char>& bare, int width, int height)
	{
		int covered = 0, total = 0;
		for (int y = 0; y < height; ++y)
			for (int x = 0; x < width; ++x)
			{
				if (x >= kVeilBorder && x < width - kVeilBorder && y >= kVeilBorder && y < height - kVeilBorder)
					continue;
				const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 4;
				bool blended = true;
				for (int c = 0; c < 3; ++c)
					blended = blended && std::abs(veiled[at + c] - ((1.0 - kVeilOpacity) * bare[at + c] + kVeilOpacity * kVeil[c])) <= kVeilTolerance;
				covered += blended ? 1 : 0;
				++total;
			}
		return total > 0 ? static_cast<double>(covered) / total : 0.0;
	}

	struct __GuiProbeName
	{
		static constexpr const char* name = "GuiProbe";
	};

	class GuiProbe : public SystemBase<GuiProbe, __GuiProbeName>
	{
	public:
		void LoadConfig(Config& section) override
		{
			resume = section.GetBool("Resume", false);
			reportPresses = section.GetBool("ReportPresses", false);
		}
		void Initialize() override
		{
			RegisterHandler("KeyUp", &GuiProbe::OnRelease);
			RegisterHandler("MouseUp", &GuiProbe::OnRelease);
			RegisterHandler("LevelLoaded", &GuiProbe::OnLevelLoaded);
			RegisterHandler("Pause", &GuiProbe::OnPause);
			RegisterHandler("BindingActs", &GuiProbe::OnBindingActs);
			RegisterHandler("UnloadingLevel", &GuiProbe::OnUnloadingLevel);
		}
		void Update() override
		{
			if (releaseFrames > 0 && --releaseFrames == 0)
				for (; releasesCued < releases; ++releasesCued)
					test::LeaveCue(("released-" + std::to_string(releasesCued + 1)).c_str());
			if (readyFrames > 0 && --readyFrames == 0)
				test::LeaveCue("ready");
			if (veilFrames > 0)
				MeasureVeil(--veilFrames);
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
				WriteCentres("start-button", {button});
				std::vector<Rect> buttons = test::ColourBandsOnPane(*menu.object, kMenuButton, Engine::Instance()->GetSystem<Window>()->GetWidth());
				buttons.insert(buttons.begin(), button);
				WriteCentres("menu-buttons", buttons);
				ReportPresses(*menu.object);
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
			boxFalls = level == "GuiPauseEndToEnd";
			watchesPauses = boxFalls || level == "Homestead";
			watching = false;
			if (watchesPauses)
				readyFrames = kSettleFrames;
			if (level == "Won")
				StartVeilMeasure("WonPage", "won.png");
			if (level == "GuiHudEndToEnd")
			{
				CreateObjectFromArchetype("PlayerHudObj.xml").object->Start();
				hudFrames = 2 * kSettleFrames;
			}
		}

		static float BoxHeight() { return ObjectFromName("Box").object->GetComponent<Transform>()->GetWorldPosition().y; }

		// Only a change counts: a player's start sends "Pause"(false) though nothing was paused.
		void OnPause(Message::Reader reader)
		{
			const bool asked = reader.Read<bool>();
			std::cerr << "Pause " << asked << std::endl;
			if (asked == paused)
				return;
			paused = asked;
			test::LeaveCue(paused ? "paused" : "resumed");
			if (paused && Engine::Instance()->GetSystem<Graphics>()->GetActiveCamera() == nullptr)
				pauseShotFrames = kSettleFrames;
			watching = watchesPauses;
			if (!watching)
				return;
			watchStart = GetElapsedMilliseconds();
			startHeight = boxFalls ? BoxHeight() : 0.0f;
			if (paused && !boxFalls)
				StartVeilMeasure("PauseMenu", "pause.png");
		}

		void OnBindingActs(Message::Reader) { test::LeaveCue("binding-acted"); }
		void OnRelease(Message::Reader)
		{
			++releases;
			releaseFrames = kReleaseFrames;
		}

		// With "ReportPresses" set: the page's buttons report to a "Reporter" object made for them.
		void ReportPresses(Composition& paneObject) const
		{
			if (!reportPresses)
				return;
			if (ObjectFromName("Reporter").IsDummy())
			{
				const Object reporter = CreateObject("Reporter");
				reporter.object->AddComponent(PageReporter::TypeId());
				reporter.object->Start();
			}
			paneObject.GetComponent<HTMLPane>()->GetView()->ExecuteJavascript(kReportPresses);
		}
		void OnUnloadingLevel(Message::Reader) { test::LeaveCue("level-unloaded"); }

		// A second after the pause changed: how far the box moved; half a second later the end.
		void WatchTheBox()
		{
			// The level may be changing under the watch (a new level's load ends it).
			watching = watching && (!boxFalls || !ObjectFromName("Box").IsDummy());
			const std::uint32_t elapsed = GetElapsedMilliseconds() - watchStart;
			if (watching && elapsed >= 1000)
			{
				if (boxFalls)
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

		void StartVeilMeasure(const std::string& objectName, const std::string& shotName)
		{
			veilObject = objectName;
			veilShot = shotName;
			veilFrames = kSettleFrames;
		}

		// Once the page is up: the frame with the veil, then, its object hidden, the frame without.
		void MeasureVeil(unsigned framesLeft)
		{
			const Object shown = ObjectFromName(veilObject);
			if (framesLeft > 1 || shown.IsDummy())
				return;
			const Window* window = Engine::Instance()->GetSystem<Window>();
			const int width = window->GetWidth(), height = window->GetHeight();
			if (framesLeft == 1)
			{
				veiledFrame = ReadFrame(width, height);
				test::WriteFramePng(veiledFrame, width, height, veilShot);
				shown.object->HandleMessage(Message("SetVisible").PushBool(false));
				return;
			}
			std::cerr << "VeilCover " << VeilCover(veiledFrame, ReadFrame(width, height), width, height) << std::endl;
			shown.object->HandleMessage(Message("SetVisible").PushBool(true));
			if (veilObject == "PauseMenu")
			{
				WriteCentres("pause-buttons", test::ColourBandsOnPane(*shown.object, kMenuButton, width));
				ReportPresses(*shown.object);
			}
			test::LeaveCue("veil-measured");
			if (veilObject != "WonPage")
				return;
			WriteCentres("won-button", {test::ColourOnPane(*shown.object, kMenuButton, width)});
			test::LeaveCue("won-shown");
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
		unsigned veilFrames = 0;
		std::string veilObject;
		std::string veilShot;
		std::vector<unsigned char> veiledFrame;
		bool boxFalls = false;
		bool watchesPauses = false;
		bool resume = false;
		bool reportPresses = false;
		unsigned releases = 0;
		unsigned releasesCued = 0;
		unsigned releaseFrames = 0;
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
		PageReporter::Register();
	};
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, serveKeyPage, [](Engine& engine) {
		engine.AddSystem(new GuiProbe());
		engine.AddSystem(new test::FrameCounter());
	});
}
