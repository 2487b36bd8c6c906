// The game's start-up with a frame probe for the level editor's end-to-end test in a level with a
// player. "EditorProbe" writes each level loaded ("LevelLoaded <name>", cue "level-<name>", then the
// cue "settled" once its bodies have had time to come to rest) with how far every "EditorCrate" in
// it stands from its "Placed" setting ("CrateOff <distance>") and the number of pause menus in it
// ("PauseMenus <n>"); with a "Placed" setting it also matches every object of the level by name to
// the nearest place listed in the file its "Stood" setting names, leaving out the place listed in
// the file its "Deleted" setting names ("Revived <name>" when an object of that name stands there
// again, "Misplaced <name> <distance>" beyond 0.02, "Gone <name>" for each listed place left over,
// then "Compared <n> Unmatched <n>"). On the main menu, once its page is up, it writes the centre
// of the start button in window pixels to the file "start-button" and leaves the cue "menu-shown".
// Each time the editor comes on, once its page has settled: the first time it reads the page's
// texture back over the pane's rectangle, rows "FirstRow" to "LastRow", compares it with the
// rendering in the PNG file its "Expected" setting names ("PageDiff <largest channel difference>"),
// lists where every object of the level stands into the "Stood" file and keeps where the editor
// camera stands; the second time it writes how far the camera stands from there ("CameraMoved
// <distance>"); cues "editor-on-1" and "editor-on-2". While the editor runs: a mode change gives
// "Mode <m>" and the cue "mode-<m>"; the camera 10 units from where it started gives "CameraTravel
// <distance>" and the cue "moved"; a crate placed gives "Placed x y z" and the cue "created"; the
// pause menu opening for the n-th time gives the cue "menu-open-<n>", and closing "PhysicsUpdating
// <0|1>", the crate's drift since it was placed ("CrateDrift <distance>") and the cue "menu-closed";
// an object selected gives "Selected <name>" and the cue "selected", and once it is gone "Deleted
// <name>", its place in the "Deleted" file and the cue "deleted"; the level file holding a crate
// gives the cue "saved"; the editor going off gives "editor-off". A restart of the level gives the
// cue "restarting" as it unloads; once a crate was placed, a level loaded gives the number of
// crates in it ("RestartedCrates <n>") and the cue "restarted", and the level file written again
// after that gives the number of crates it holds ("ResavedCrates <n>") and the cue "saved-2".
#include "Components/GUI/HTMLPane.h"
#include "Components/GUI/LevelEditorBrain.h"
#include "Components/GUI/SelectionMode.h"
#include "Components/Graphics/Camera.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "FrameShot.h"
#include "Object.h"
#include "PlayerCue.h"
#include "Startup.h"
#include "System.h"
#include "Utilities/Config.h"
#include "Systems/GUI/GUI.h"
#include "Systems/Physics/Physics.h"
#include "Systems/Window.h"
#include "Utilities/SearchPaths.h"

#include <GL/glew.h>
#include <SDL/SDL_image.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	// Frames after the editor came on before its page is read: loaded, painted and uploaded.
	constexpr unsigned kSettleFrames = 30;
	constexpr unsigned kSaveCheckInterval = 10;
	// Frames after a level loaded before its bodies are taken to rest.
	constexpr unsigned kRestFrames = 120;
	constexpr float kTravel = 10.0f;
	constexpr float kPlaceTolerance = 0.02f;
	constexpr int kStartButton[3] = {0xc8, 0x40, 0x2a};
	constexpr const char* kLevel = "Homestead";

	std::string Text(const Tuple3f& v)
	{
		std::ostringstream text;
		text << v.x << " " << v.y << " " << v.z;
		return text.str();
	}

	struct Placement
	{
		std::string name;
		Tuple3f position;
	};

	// Every object of the level with a place: the interface's own objects are not the level's.
	std::vector<Placement> LevelPlacements()
	{
		std::vector<Placement> placements;
		for (Object object = FirstObject(); !object.IsDummy(); object = NextObject(object))
			if (const Transform* transform = object.object->GetComponent<Transform>(); transform != nullptr && !object.object->IsInterface())
				placements.push_back({object.object->GetName(), transform->GetWorldPosition()});
		return placements;
	}

	void WritePlacements(const std::string& file, const std::vector<Placement>& placements)
	{
		std::ofstream out(file);
		for (const Placement& placement : placements)
			out << placement.name << " " << Text(placement.position) << "\n";
	}

	std::vector<Placement> ReadPlacements(const std::string& file)
	{
		std::vector<Placement> placements;
		std::ifstream in(file);
		for (Placement placement; in >> placement.name >> placement.position.x >> placement.position.y >> placement.position.z;)
			placements.push_back(placement);
		return placements;
	}

	// The listed place of that name nearest the position.
	std::vector<Placement>::iterator Nearest(std::vector<Placement>& places, const Placement& to)
	{
		auto nearest = places.end();
		for (auto candidate = places.begin(); candidate != places.end(); ++candidate)
			if (candidate->name == to.name && (nearest == places.end() ||
					(candidate->position - to.position).Length() < (nearest->position - to.position).Length()))
				nearest = candidate;
		return nearest;
	}

	// Each object of the level against the nearest unmatched listed place of its name; the deleted
	// objects' places are no object's.
	void ComparePlacements(const std::string& stoodFile, const std::string& deletedFile)
	{
		std::vector<Placement> stood = ReadPlacements(stoodFile);
		std::vector<Placement> deleted = ReadPlacements(deletedFile);
		for (const Placement& gone : deleted)
			if (const auto listed = Nearest(stood, gone); listed != stood.end() && (listed->position - gone.position).Length() <= kPlaceTolerance)
				stood.erase(listed);
		unsigned compared = 0;
		for (const Placement& now : LevelPlacements())
		{
			if (const auto gone = Nearest(deleted, now); gone != deleted.end() && (gone->position - now.position).Length() <= kPlaceTolerance)
				std::cerr << "Revived " << now.name << std::endl;
			const auto nearest = Nearest(stood, now);
			if (nearest == stood.end())
				continue;
			const float distance = (nearest->position - now.position).Length();
			if (distance > kPlaceTolerance)
				std::cerr << "Misplaced " << now.name << " " << distance << std::endl;
			stood.erase(nearest);
			++compared;
		}
		for (const Placement& gone : stood)
			std::cerr << "Gone " << gone.name << std::endl;
		std::cerr << "Compared " << compared << " Unmatched " << stood.size() << std::endl;
	}

	// The largest difference of any channel between the rows of the pane's rectangle of the texture
	// and of the BGRA rendering in the file; 256 when either cannot be read or the sizes differ.
	int PageDifference(const HTMLPane& pane, const PixelBuffer& buffer, const char* expectedFile, int firstRow, int lastRow)
	{
		SDL_Surface* loaded = IMG_Load(expectedFile);
		if (loaded == nullptr)
		{
			std::cerr << "The rendering \"" << expectedFile << "\" cannot be read: " << IMG_GetError() << std::endl;
			return 256;
		}
		SDL_Surface* expected = SDL_CreateRGBSurface(SDL_SWSURFACE, loaded->w, loaded->h, 32, 0x00ff0000, 0x0000ff00, 0x000000ff, 0xff000000);
		SDL_SetAlpha(loaded, 0, 255);
		SDL_BlitSurface(loaded, nullptr, expected, nullptr);
		SDL_FreeSurface(loaded);
		const Tuple2<int>& size = buffer.GetBufferDimensions();
		const Tuple4<int>& rectangle = pane.GetDimensions();
		std::vector<std::uint8_t> texture(static_cast<std::size_t>(size.x) * size.y * 4);
		glBindTexture(GL_TEXTURE_2D, buffer.GetGLTexture());
		glPixelStorei(GL_PACK_ALIGNMENT, 1);
		glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, texture.data());
		int largest = expected->w == rectangle.z && expected->h == rectangle.w ? 0 : 256;
		if (largest > 0)
			std::cerr << "The rendering is " << expected->w << " x " << expected->h << ", the pane " << rectangle.z << " x " << rectangle.w << std::endl;
		for (int y = std::max(firstRow, 0); largest < 256 && y < std::min(lastRow, rectangle.w); ++y)
			for (int x = 0; x < rectangle.z; ++x)
			{
				const std::uint8_t* shown = &texture[(static_cast<std::size_t>(y + rectangle.y) * size.x + x + rectangle.x) * 4];
				const std::uint8_t* rendered = static_cast<const std::uint8_t*>(expected->pixels) + y * expected->pitch + x * 4;
				for (int channel = 0; channel < 4; ++channel)
					largest = std::max(largest, std::abs(shown[channel] - rendered[channel]));
			}
		SDL_FreeSurface(expected);
		return largest;
	}

	struct __EditorProbeName
	{
		static constexpr const char* name = "EditorProbe";
	};

	class EditorProbe : public SystemBase<EditorProbe, __EditorProbeName>
	{
	public:
		void LoadConfig(Config& section) override
		{
			expectedPage = section.GetString("Expected", "");
			firstRow = section.GetInt("FirstRow", 0);
			lastRow = section.GetInt("LastRow", 0);
			stoodFile = section.GetString("Stood", "");
			deletedFile = section.GetString("Deleted", "");
			const std::string placedText = section.GetString("Placed", "");
			comparing = !placedText.empty();
			std::istringstream(placedText) >> placed.x >> placed.y >> placed.z;
		}
		void Initialize() override
		{
			RegisterHandler("LevelLoaded", &EditorProbe::OnLevelLoaded);
			RegisterHandler("LevelEditorActive", &EditorProbe::OnLevelEditorActive);
			RegisterHandler("UnloadingLevel", &EditorProbe::OnUnloadingLevel);
		}
		void Update() override
		{
			if (restFrames > 0 && --restFrames == 0)
				test::LeaveCue("settled");
			if (settleFrames > 0 && --settleFrames == 0)
				MeasureEditor();
			if (menuFrames > 0 && --menuFrames == 0)
				ShowStartButton();
			if (!editorOn || editorStarts == 0)
				return;
			WatchMode();
			WatchSelection();
			WatchCamera();
			WatchCrates();
			WatchPauseMenu();
			WatchSave();
		}

	private:
		void OnLevelLoaded(Message::Reader)
		{
			std::string level = Engine::Instance()->GetCurrentLevel();
			level = level.substr(level.find_last_of('/') + 1);
			std::cerr << "LevelLoaded " << level << std::endl;
			for (unsigned id : ObjectIdsByName("EditorCrate"))
				std::cerr << "CrateOff " << (ObjectFromId(id).object->GetComponent<Transform>()->GetWorldPosition() - placed).Length() << std::endl;
			std::cerr << "PauseMenus " << ObjectIdsByName("PauseMenu").size() << std::endl;
			if (comparing)
				ComparePlacements(stoodFile, deletedFile);
			if (level == "MainMenu")
				menuFrames = kSettleFrames;
			crateCount = ObjectIdsByName("EditorCrate").size();
			restFrames = kRestFrames;
			test::LeaveCue(("level-" + level).c_str());
			if (crate != 0)
			{
				std::cerr << "RestartedCrates " << crateCount << std::endl;
				std::error_code ignored;
				firstSaveWritten = std::filesystem::last_write_time(FindFile(kLevel), ignored);
				test::LeaveCue("restarted");
			}
		}

		void OnUnloadingLevel(Message::Reader)
		{
			if (Engine::Instance()->GetRequestedState() == Engine::kRestartLevel)
				test::LeaveCue("restarting");
		}

		void OnLevelEditorActive(Message::Reader reader)
		{
			editorOn = reader.Read<bool>();
			if (editorOn)
				settleFrames = kSettleFrames;
			else
				test::LeaveCue("editor-off");
		}

		Tuple3f CameraPosition() const
		{
			return ObjectFromName("CameraObject").object->GetComponent<Camera>()->GetEyePosition();
		}

		void MeasureEditor()
		{
			++editorStarts;
			const Tuple3f camera = CameraPosition();
			if (editorStarts == 1)
			{
				const Object page = ObjectFromName("LevelEditorHud");
				const HTMLPane* pane = page.object->GetComponent<HTMLPane>();
				const PixelBuffer* buffer = page.object->GetComponent<PixelBuffer>();
				std::cerr << "PageDiff "
						  << (pane != nullptr && buffer != nullptr ? PageDifference(*pane, *buffer, expectedPage.c_str(), firstRow, lastRow) : 256)
						  << std::endl;
				WritePlacements(stoodFile, LevelPlacements());
				firstCamera = camera;
				mode = Mode();
			}
			else
				std::cerr << "CameraMoved " << (camera - firstCamera).Length() << std::endl;
			test::LeaveCue(("editor-on-" + std::to_string(editorStarts)).c_str());
		}

		static unsigned Mode()
		{
			const Object editor = ObjectFromName("LevelEditor");
			const std::optional<unsigned> mode = editor.IsDummy() ? std::nullopt : LevelEditorBrain::ModeOf(*editor.object);
			return mode.value_or(0);
		}

		void WatchMode()
		{
			if (const unsigned now = Mode(); now != mode)
			{
				mode = now;
				std::cerr << "Mode " << mode << std::endl;
				test::LeaveCue(("mode-" + std::to_string(mode)).c_str());
			}
		}

		static void ShowStartButton()
		{
			const Object menu = ObjectFromName("MainMenu");
			if (menu.IsDummy())
				return;
			const test::Rect button = test::ColourOnPane(*menu.object, kStartButton, Engine::Instance()->GetSystem<Window>()->GetWidth());
			std::ofstream("start-button") << (button.left + button.right) / 2 << " " << (button.top + button.bottom) / 2 << "\n";
			test::LeaveCue("menu-shown");
		}

		void WatchSelection()
		{
			const Object editor = ObjectFromName("LevelEditor");
			const SelectionMode* selection = editor.IsDummy() ? nullptr : editor.object->GetComponent<SelectionMode>();
			const Object chosen = ObjectFromId(selection != nullptr ? selection->GetCurrObjID() : 0);
			if (!chosen.IsDummy() && chosen.id != selected.id)
			{
				selected = {chosen.id, {chosen.object->GetName(), chosen.object->GetComponent<Transform>()->GetWorldPosition()}};
				std::cerr << "Selected " << selected.place.name << std::endl;
				test::LeaveCue("selected");
			}
			if (selected.id != 0 && ObjectFromId(selected.id).IsDummy())
			{
				std::cerr << "Deleted " << selected.place.name << std::endl;
				WritePlacements(deletedFile, {selected.place});
				selected = {};
				test::LeaveCue("deleted");
			}
		}

		void WatchCamera()
		{
			const float travel = (CameraPosition() - firstCamera).Length();
			if (!travelled && travel >= kTravel)
			{
				travelled = true;
				std::cerr << "CameraTravel " << travel << std::endl;
				test::LeaveCue("moved");
			}
		}

		void WatchCrates()
		{
			const std::vector<unsigned> crates = ObjectIdsByName("EditorCrate");
			if (crates.size() > crateCount)
			{
				crateCount = crates.size();
				crate = crates.back();
				crateAt = ObjectFromId(crate).object->GetComponent<Transform>()->GetWorldPosition();
				std::cerr << "Placed " << Text(crateAt) << std::endl;
				test::LeaveCue("created");
			}
		}

		void WatchPauseMenu()
		{
			const bool open = Engine::Instance()->GetSystem<GUI>()->GetPauseMenuId() != 0;
			if (open && !menuOpen)
				test::LeaveCue(("menu-open-" + std::to_string(++menuOpenings)).c_str());
			if (!open && menuOpen)
			{
				std::cerr << "PhysicsUpdating " << Engine::Instance()->GetSystem<Physics>()->IsUpdating() << std::endl;
				if (const Object placedCrate = ObjectFromId(crate); !placedCrate.IsDummy())
					std::cerr << "CrateDrift " << (placedCrate.object->GetComponent<Transform>()->GetWorldPosition() - crateAt).Length() << std::endl;
				test::LeaveCue("menu-closed");
			}
			menuOpen = open;
		}

		void WatchSave()
		{
			if (++frames % kSaveCheckInterval != 0 || (!saved && crateCount == 0))
				return;
			const std::string path = FindFile(kLevel);
			std::ifstream file(path);
			const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
			if (!saved)
			{
				saved = text.find("EditorCrate") != std::string::npos;
				if (saved)
					test::LeaveCue("saved");
				return;
			}
			std::error_code ignored;
			if (resaved || firstSaveWritten == std::filesystem::file_time_type() ||
				std::filesystem::last_write_time(path, ignored) == firstSaveWritten)
				return;
			resaved = true;
			std::size_t crates = 0;
			for (std::size_t at = text.find("EditorCrate"); at != std::string::npos; at = text.find("EditorCrate", at + 1))
				++crates;
			std::cerr << "ResavedCrates " << crates << std::endl;
			test::LeaveCue("saved-2");
		}

		std::string expectedPage;
		int firstRow = 0;
		int lastRow = 0;
		std::string stoodFile;
		std::string deletedFile;
		unsigned menuFrames = 0;
		struct
		{
			unsigned id = 0;
			Placement place;
		} selected;
		bool comparing = false;
		Tuple3f placed;
		unsigned restFrames = 0;
		unsigned settleFrames = 0;
		unsigned editorStarts = 0;
		bool editorOn = false;
		unsigned mode = 0;
		bool travelled = false;
		std::size_t crateCount = 0;
		unsigned crate = 0;
		Tuple3f crateAt;
		bool menuOpen = false;
		unsigned menuOpenings = 0;
		bool saved = false;
		bool resaved = false;
		// When the first save had written the level file, as a restart found it.
		std::filesystem::file_time_type firstSaveWritten;
		unsigned frames = 0;
		Tuple3f firstCamera;
	};
}

int main(int argc, char** argv)
{
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, nullptr, [](Engine& engine) {
		engine.AddSystem(new EditorProbe());
		engine.AddSystem(new test::FrameCounter());
	});
}
