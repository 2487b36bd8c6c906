// The game's start-up with a frame probe for the level editor's end-to-end test. "EditorProbe"
// writes each level loaded ("LevelLoaded <name>", cue "level-<name>") with the place of every
// "EditorCrate" in it ("Crate x y z"). Each time the editor comes on, once its page has settled: the
// first time it reads the page's texture back over the pane's rectangle, compares it with the
// rendering in the PNG file its "Expected" setting names ("PageDiff <largest channel difference>") and keeps where the editor
// camera stands; the second time it writes how far the camera stands from there ("CameraMoved
// <distance>"); cues "editor-on-1" and "editor-on-2". A crate placed while the editor runs gives
// "Placed x y z" and the cue "created"; the level file holding a crate gives the cue "saved"; the
// editor going off gives "editor-off".
#include "Components/GUI/HTMLPane.h"
#include "Components/Graphics/Camera.h"
#include "Components/Graphics/PixelBuffer.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "Engine.h"
#include "Object.h"
#include "PlayerCue.h"
#include "Startup.h"
#include "System.h"
#include "Utilities/Config.h"
#include "Utilities/SearchPaths.h"

#include <GL/glew.h>
#include <SDL/SDL_image.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
	// Frames after the editor came on before its page is read: loaded, painted and uploaded.
	constexpr unsigned kSettleFrames = 30;
	constexpr unsigned kSaveCheckInterval = 10;

	std::string Text(const Tuple3f& v)
	{
		std::ostringstream text;
		text << v.x << " " << v.y << " " << v.z;
		return text.str();
	}

	// The largest difference of any channel between the pane's rectangle of the texture and the
	// BGRA rendering in the file; 256 when either cannot be read or the sizes differ.
	int PageDifference(const HTMLPane& pane, const PixelBuffer& buffer, const char* expectedFile)
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
		for (int y = 0; largest < 256 && y < rectangle.w; ++y)
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
			std::istringstream(section.GetString("Placed", "")) >> placed.x >> placed.y >> placed.z;
		}
		void Initialize() override
		{
			RegisterHandler("LevelLoaded", &EditorProbe::OnLevelLoaded);
			RegisterHandler("LevelEditorActive", &EditorProbe::OnLevelEditorActive);
		}
		void Update() override
		{
			if (settleFrames > 0 && --settleFrames == 0)
				MeasureEditor();
			if (!editorOn)
				return;
			const std::vector<unsigned> crates = ObjectIdsByName("EditorCrate");
			if (crates.size() > crateCount)
			{
				crateCount = crates.size();
				std::cerr << "Placed " << Text(ObjectFromId(crates.back()).object->GetComponent<Transform>()->GetWorldPosition()) << std::endl;
				test::LeaveCue("created");
			}
			if (crateCount > 0 && !saved && ++frames % kSaveCheckInterval == 0)
			{
				std::ifstream file(FindFile("Workshop"));
				const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
				saved = text.find("EditorCrate") != std::string::npos;
				if (saved)
					test::LeaveCue("saved");
			}
		}

	private:
		void OnLevelLoaded(Message::Reader)
		{
			std::string level = Engine::Instance()->GetCurrentLevel();
			level = level.substr(level.find_last_of('/') + 1);
			std::cerr << "LevelLoaded " << level << std::endl;
			for (unsigned id : ObjectIdsByName("EditorCrate"))
				std::cerr << "CrateOff " << (ObjectFromId(id).object->GetComponent<Transform>()->GetWorldPosition() - placed).Length() << std::endl;
			crateCount = ObjectIdsByName("EditorCrate").size();
			test::LeaveCue(("level-" + level).c_str());
		}

		void OnLevelEditorActive(Message::Reader reader)
		{
			editorOn = reader.Read<bool>();
			if (editorOn)
				settleFrames = kSettleFrames;
			else
				test::LeaveCue("editor-off");
		}

		void MeasureEditor()
		{
			++editorStarts;
			const Tuple3f camera = ObjectFromName("CameraObject").object->GetComponent<Camera>()->GetEyePosition();
			if (editorStarts == 1)
			{
				const Object page = ObjectFromName("LevelEditorHud");
				const HTMLPane* pane = page.object->GetComponent<HTMLPane>();
				const PixelBuffer* buffer = page.object->GetComponent<PixelBuffer>();
				std::cerr << "PageDiff " << (pane != nullptr && buffer != nullptr ? PageDifference(*pane, *buffer, expectedPage.c_str()) : 256) << std::endl;
				firstCamera = camera;
			}
			else
				std::cerr << "CameraMoved " << (camera - firstCamera).Length() << std::endl;
			test::LeaveCue(("editor-on-" + std::to_string(editorStarts)).c_str());
		}

		std::string expectedPage;
		Tuple3f placed;
		unsigned settleFrames = 0;
		unsigned editorStarts = 0;
		bool editorOn = false;
		std::size_t crateCount = 0;
		bool saved = false;
		unsigned frames = 0;
		Tuple3f firstCamera;
	};
}

int main(int argc, char** argv)
{
	return Startup::RunGame(argc > 0 ? argv[0] : nullptr, nullptr, [](Engine& engine) { engine.AddSystem(new EditorProbe()); });
}
