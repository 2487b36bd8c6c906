#include "Systems/Window.h"

#include "Engine.h"
#include "Utilities/Config.h"
#include "Utilities/FLException.h"
#include "Utilities/BinaryFile.h"

#include <GL/glew.h>
#include <SDL/SDL.h>

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

namespace
{
	constexpr const char* kCaption = "Tumblewreck";
	constexpr const char* kIconFile = "icon.bmp";

	// The one SDL driver that gives a window with OpenGL here. Left to choose, SDL would fall back
	// from it to a text-terminal driver, which writes escape sequences into the terminal and then
	// refuses every mode: a terminal driver is used only when the user names one.
	constexpr const char* kDisplayDriver = "x11";
	constexpr const char* kDriverVariable = "SDL_VIDEODRIVER";

	std::string NoDisplayMessage()
	{
		const char* display = std::getenv("DISPLAY");
		const std::string why = display == nullptr || *display == '\0' ? std::string("DISPLAY is not set")
																		 : "DISPLAY \"" + std::string(display) + "\" cannot be opened";
		return "no display could be opened (" + why + "); run the game on a desktop, or under a virtual display: "
			"xvfb-run -a followed by the game's command";
	}

	void InitializeVideo()
	{
		const bool driverNamed = std::getenv(kDriverVariable) != nullptr;
		if (!driverNamed)
			setenv(kDriverVariable, kDisplayDriver, 1);
		const bool started = SDL_Init(SDL_INIT_VIDEO) == 0;
		if (!driverNamed)
			unsetenv(kDriverVariable);
		if (started)
			return;
		if (!driverNamed)
			FL_THROW(NoDisplayMessage());
		// The exception's text is the game's own; SDL's reason is what tells a failed start apart.
		std::cerr << "Window: SDL's video driver \"" << std::getenv(kDriverVariable) << "\" does not start: " << SDL_GetError() << "\n";
		FL_THROW("Failed to initialize video.");
	}

	// GLEW loads the OpenGL entry points of the context just made current.
	void InitializeExtensions()
	{
		glewExperimental = GL_TRUE;
		if (glewInit() != GLEW_OK)
			FL_THROW("Failed to initialize OpenGL extensions.");
	}

	void SendWindowEngineWide(const char* name)
	{
		Message message(name);
		Engine::SendMessage(message);
	}
}

Window::Window()
{
	reloadOnLevelChange = false;
}

void Window::LoadConfig(Config& section)
{
	InitializeVideo();
	const SDL_VideoInfo* info = SDL_GetVideoInfo();
	if (!info)
		FL_THROW("Failed to get video info.");
	defaultBitsPerPixel = info->vfmt->BitsPerPixel;
	width = section.GetInt("Width", kDefaultWidth);
	height = section.GetInt("Height", kDefaultHeight);
	bitsPerPixel = section.GetInt("BPP", defaultBitsPerPixel);
	fullscreen = section.GetBool("Fullscreen", kDefaultFullscreen);
	settings = section;
}

void Window::Initialize()
{
	RegisterHandler("ChangeResolution", &Window::OnChangeResolution);
	InitializeVideo();
	SDL_WM_SetCaption(kCaption, kCaption);
	SetIcon();

	// A windowed mode opens centred on the screen. SDL reads the position as the bare word
	// "center", so it is set without quotation marks.
	setenv("SDL_VIDEO_WINDOW_POS", "center", 1);
	setenv("SDL_VIDEO_CENTERED", "1", 1);

	SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
	SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
	SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
	SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);

	if (!SetVideoMode())
	{
		// A mode the user cannot open must not stop every start before a menu could change it.
		std::cerr << "Window: the configured video mode (Width " << width << ", Height " << height << ", BPP " << bitsPerPixel
				  << ", Fullscreen " << (fullscreen ? "true" : "false") << ") was refused (" << SDL_GetError()
				  << "); opening the default mode\n";
		width = kDefaultWidth;
		height = kDefaultHeight;
		bitsPerPixel = defaultBitsPerPixel;
		fullscreen = kDefaultFullscreen;
		if (!SetVideoMode())
			FL_THROW("Failed to set video mode.");
	}
	InitializeExtensions();
	ListFullscreenModes();
}

int Window::IndexOfMode(const std::vector<Tuple2<int>>& modes, int width, int height)
{
	for (std::size_t index = 0; index < modes.size(); ++index)
		if (modes[index].x == width && modes[index].y == height)
			return static_cast<int>(index);
	return -1;
}

void Window::Shutdown()
{
	SDL_Quit();
}

bool Window::SetVideoMode()
{
	Uint32 flags = SDL_OPENGL;
	if (fullscreen)
		flags |= SDL_FULLSCREEN;
	if (!SDL_SetVideoMode(width, height, bitsPerPixel, flags))
		return false;
	const SDL_VideoInfo* info = SDL_GetVideoInfo();
	width = info->current_w;
	height = info->current_h;
	// The configuration written at exit holds the mode in use, so the next start opens it again.
	settings.SetInt("Width", width);
	settings.SetInt("Height", height);
	settings.SetInt("BPP", bitsPerPixel);
	settings.SetBool("Fullscreen", fullscreen);
	return true;
}

void Window::SetIcon()
{
	// Without a readable icon the window opens with the desktop's default one.
	std::vector<std::uint8_t> bytes;
	std::string problem;
	if (!ReadDataFile(kIconFile, bytes, problem))
		return;
	SDL_RWops* file = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
	if (!file)
		return;
	SDL_Surface* icon = SDL_LoadBMP_RW(file, 1);
	if (!icon)
		return;
	SDL_SetColorKey(icon, SDL_SRCCOLORKEY, SDL_MapRGB(icon->format, 255, 0, 255));
	SDL_WM_SetIcon(icon, nullptr);
	SDL_FreeSurface(icon);
}

void Window::ListFullscreenModes()
{
	SDL_Rect** listed = SDL_ListModes(nullptr, SDL_FULLSCREEN | SDL_OPENGL);
	// Null means no full-screen mode, -1 that any size will do: neither gives a list to offer.
	if (!listed || listed == reinterpret_cast<SDL_Rect**>(-1))
		return;
	for (SDL_Rect** mode = listed; *mode; ++mode)
		modes.emplace_back((*mode)->w, (*mode)->h);
}

void Window::OnChangeResolution(Message::Reader reader)
{
	const Tuple2<int> resolution = reader.Read<Tuple2<int>>();
	const bool requestedFullscreen = reader.Read<bool>();
	const int previousWidth = width;
	const int previousHeight = height;
	const bool previousFullscreen = fullscreen;
	width = resolution.x;
	height = resolution.y;
	fullscreen = requestedFullscreen;

	SendWindowEngineWide("LosingDevice");
	if (!SetVideoMode())
	{
		// A refused mode falls back to the previous one, so the renderer gets its device back
		// instead of the game ending on a settings choice.
		std::cerr << "Window: the video mode " << resolution.x << "x" << resolution.y
				  << (requestedFullscreen ? " full screen" : " windowed") << " was refused (" << SDL_GetError()
				  << "); keeping " << previousWidth << "x" << previousHeight << "\n";
		width = previousWidth;
		height = previousHeight;
		fullscreen = previousFullscreen;
		if (!SetVideoMode())
			FL_THROW("Failed to set video mode.");
	}
	InitializeExtensions();
	SendWindowEngineWide("LostDevice");
}
