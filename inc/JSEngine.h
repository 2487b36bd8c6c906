// JSEngine: what scripts see as the class "Engine": level changes and game settings, acting on the
// engine singleton. Level requests only set the request; the level loop acts on them when the
// frame ends. Without an engine every function does nothing and answers empty.
#pragma once

#include "Utilities/Tuple.h"

#include <string>
#include <vector>

class Engine;
class Sound;
class Window;

class JSEngine
{
public:
	JSEngine();

	// nextLevel := name, then a change to it.
	void LoadLevel(const std::string& levelName);
	void SetNextLevel(const std::string& levelName);
	// Saves the current level under that name into the user folder's levels; a path or a name
	// with ".." is refused with a diagnostic. The script is not told whether it worked.
	void SaveLevel(const std::string& levelName);
	void GotoNextLevel();
	// nextLevel := the previous level, then a change to it.
	void GotoPrevLevel();
	void ReloadLevel();
	void Exit();
	// Sends "PauseGame" engine-wide whatever the argument.
	void Pause(bool paused);
	// Sends "ChangeResolution" engine-wide with the size and the full-screen flag.
	void SetResolution(int width, int height, bool fullScreen);
	std::string CurrLevel() const;

	// The Window system's resolution list, its current size and full-screen flag.
	std::vector<Tuple2<int>> GetResolutions() const;
	int CurrentResolutionIndex() const;
	int GetWidth() const;
	int GetHeight() const;
	bool IsFullScreen() const;
	// Sends "ChangeResolution" with the current size only when the flag differs.
	void SetFullScreen(bool fullScreen);

	// The Sound system's mute switch and volumes (music true: the music volume, else the effects').
	bool IsMuted() const;
	// Sends "MuteAllSounds" engine-wide only when the switch differs (the Sound system toggles).
	void SetMuted(bool muted);
	float GetVolume(bool music) const;
	void SetVolume(float volume, bool music);

private:
	const Window* GetWindow() const;
	Sound* GetSound() const;

	Engine* engine;
};
