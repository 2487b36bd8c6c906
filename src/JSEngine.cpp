#include "JSEngine.h"

#include "Engine.h"
#include "Message.h"
#include "Utilities/ScriptClassRegistry.h"
#include "Utilities/Tuple.h"

namespace
{
	[[maybe_unused]] const bool engineScriptClassRegistered = [] {
		ScriptClassRegistry::Instance()
			.Register("Engine", 0)
			.AddFunction("LoadLevel", 1)
			.AddFunction("SaveLevel", 1)
			.AddFunction("GotoNextLevel", 0)
			.AddFunction("SetNextLevel", 1)
			.AddFunction("GotoPrevLevel", 0)
			.AddFunction("ReloadLevel", 0)
			.AddFunction("GetResolutions", 0)
			.AddFunction("SetResolution", 3)
			.AddFunction("Exit", 0)
			.AddFunction("Pause", 1)
			.AddFunction("IsFullScreen", 0)
			.AddFunction("SetFullScreen", 1)
			.AddFunction("CurrentResolutionIndex", 0)
			.AddFunction("IsMuted", 0)
			.AddFunction("SetMuted", 1)
			.AddFunction("CurrLevel", 0)
			.AddFunction("GetVolume", 1)
			.AddFunction("SetVolume", 2)
			.AddFunction("GetWidth", 0)
			.AddFunction("GetHeight", 0);
		return true;
	}();
}

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
