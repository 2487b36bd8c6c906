#include "JSEngine.h"

#include "Engine.h"
#include "Message.h"
#include "Sound.h"
#include "Systems/Window.h"
#include "UserLevels.h"

JSEngine::JSEngine() : engine(Engine::Instance())
{
}

void JSEngine::LoadLevel(const std::string& levelName)
{
	if (engine != nullptr)
		engine->RequestLevel(levelName);
}

void JSEngine::SetNextLevel(const std::string& levelName)
{
	LoadLevel(levelName);
}

void JSEngine::SaveLevel(const std::string& levelName)
{
	// A page is data anyone may write: it names a level, never a place to write.
	if (engine != nullptr)
		UserLevels::Save(*engine, levelName, "Engine.SaveLevel");
}

void JSEngine::GotoNextLevel()
{
	if (engine != nullptr)
		engine->RequestState(Engine::kChangeLevel);
}

void JSEngine::GotoPrevLevel()
{
	if (engine != nullptr)
		engine->RequestPreviousLevel();
}

void JSEngine::ReloadLevel()
{
	if (engine != nullptr)
		engine->RequestState(Engine::kRestartLevel);
}

void JSEngine::Exit()
{
	if (engine != nullptr)
		engine->RequestState(Engine::kQuit);
}

void JSEngine::Pause(bool)
{
	Engine::SendMessage(Message("PauseGame"));
}

void JSEngine::SetResolution(int width, int height, bool fullScreen)
{
	Message message("ChangeResolution");
	message.Push(Tuple2<int>(width, height));
	message.PushBool(fullScreen);
	Engine::SendMessage(message);
}

std::string JSEngine::CurrLevel() const
{
	return engine != nullptr ? engine->GetCurrentLevel() : std::string();
}

const Window* JSEngine::GetWindow() const
{
	return engine != nullptr ? engine->GetSystem<Window>() : nullptr;
}

std::vector<Tuple2<int>> JSEngine::GetResolutions() const
{
	const Window* window = GetWindow();
	return window != nullptr ? window->GetModes() : std::vector<Tuple2<int>>();
}

int JSEngine::CurrentResolutionIndex() const
{
	const Window* window = GetWindow();
	return window != nullptr ? window->CurrentModeIndex() : -1;
}

int JSEngine::GetWidth() const
{
	const Window* window = GetWindow();
	return window != nullptr ? window->GetWidth() : 0;
}

int JSEngine::GetHeight() const
{
	const Window* window = GetWindow();
	return window != nullptr ? window->GetHeight() : 0;
}

bool JSEngine::IsFullScreen() const
{
	const Window* window = GetWindow();
	return window != nullptr && window->IsFullscreen();
}

void JSEngine::SetFullScreen(bool fullScreen)
{
	const Window* window = GetWindow();
	if (window == nullptr || window->IsFullscreen() == fullScreen)
		return;
	SetResolution(window->GetWidth(), window->GetHeight(), fullScreen);
}

Sound* JSEngine::GetSound() const
{
	return engine != nullptr ? engine->GetSystem<Sound>() : nullptr;
}

bool JSEngine::IsMuted() const
{
	const Sound* sound = GetSound();
	return sound != nullptr && sound->muted;
}

void JSEngine::SetMuted(bool muted)
{
	const Sound* sound = GetSound();
	if (sound != nullptr && sound->muted != muted)
		Engine::SendMessage(Message("MuteAllSounds"));
}

float JSEngine::GetVolume(bool music) const
{
	const Sound* sound = GetSound();
	if (sound == nullptr)
		return 0.0f;
	return music ? sound->musicVolume : sound->effectVolume;
}

void JSEngine::SetVolume(float volume, bool music)
{
	if (Sound* sound = GetSound())
		sound->SetVolume(volume, music);
}
