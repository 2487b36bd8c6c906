#include "JSEngine.h"

#include "Engine.h"
#include "Message.h"
#include "Utilities/Tuple.h"

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

void JSEngine::SaveLevel(const std::string& fileName)
{
	if (engine != nullptr)
		engine->SaveLevel(fileName);
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
