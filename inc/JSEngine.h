// JSEngine: what scripts see as the class "Engine": level changes and game settings, acting on the
// engine singleton. Level requests only set the request; the level loop acts on them when the
// frame ends. Without an engine every function does nothing and answers empty.
#pragma once

#include <string>

class Engine;

class JSEngine
{
public:
	JSEngine();

	// nextLevel := name, then a change to it.
	void LoadLevel(const std::string& levelName);
	void SetNextLevel(const std::string& levelName);
	// Writes the current level to the file; the script is not told whether it worked.
	void SaveLevel(const std::string& fileName);
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

private:
	Engine* engine;
};
