// Who holds a system paused: the game ("Pause", from the pause menu and the player's controller)
// and the level editor ("PausePhysics", "PauseParticles", "PauseLogic"). The system runs only while
// neither holds it, so the pause menu's "Resume" cannot lift the editor's pause, nor the editor
// switched off lift the pause menu's.
#pragma once

class PauseHolds
{
public:
	enum class Holder
	{
		Game,
		Editor
	};

	void Set(Holder holder, bool held) { (holder == Holder::Game ? game : editor) = held; }
	bool Any() const { return game || editor; }
	void Clear() { game = editor = false; }

private:
	bool game = false;
	bool editor = false;
};
