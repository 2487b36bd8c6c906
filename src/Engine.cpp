#include "Engine.h"

#include "ComponentFactory.h"
#include "Components/Origin.h"
#include "Components/Transform.h"
#include "Composition.h"
#include "FrameTimer.h"
#include "HTMLEngine/HTMLEngine.h"
#include "JSEngine.h"
#include "LevelFile.h"
#include "LevelNames.h"
#include "LoadingView.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "ObjectStore.h"
#include "Platform/OpenedFile.h"
#include "Platform/VirtualMemory.h"
#include "Serializer.h"
#include "UserLevels.h"
#include "Utilities/Config.h"
#include "Utilities/Diagnostics.h"
#include "Utilities/MemoryManager.h"
#include "Utilities/Random.h"
#include "Utilities/SearchPaths.h"
#include "Utilities/v8/ScriptTuples.h"

#include <ctime>

namespace
{
	Engine* singleton = nullptr;

	// Searched below the user folder, in this order; a user copy shadows the data folder's.
	const char* const kUserSubFolders[] = {
		"Levels/", "HUDElements/", "Levels/Physics/", "Objects/", "Groups/", "Groups/EditorCreatable/",
		"Objects/EditorCreatable/", "Components/", "Components/Collision/", "Components/Collider/",
		"Components/PhysicsMaterial/", "Images/", "Sounds/", "Sounds/BalancedSounds/", "Shaders/",
		"Shaders/Vertex/", "Shaders/Fragment/", "Models/", "PhysicsModels/", "Levels/Tutorials/",
	};

	// Searched below the data folder; the level editor's levels and the fonts live only here.
	const char* const kDataSubFolders[] = {
		"Levels/", "HUDElements/", "Levels/Physics/", "Levels/LevelEditor/", "Objects/", "Groups/",
		"Groups/EditorCreatable/", "Objects/EditorCreatable/", "Components/", "Components/Collision/",
		"Components/Collider/", "Components/PhysicsMaterial/", "Fonts/", "Images/", "Sounds/",
		"Sounds/BalancedSounds/", "Shaders/", "Shaders/Vertex/", "Shaders/Fragment/", "Models/",
		"PhysicsModels/", "Levels/Tutorials/",
	};

	// The script class "Engine": bound here so that it is present whenever the engine is.
	[[maybe_unused]] const bool engineScriptClassRegistered = [] {
		JSObject<JSEngine>::Bind("Engine", 0)
			.AddFunction("LoadLevel", &JSEngine::LoadLevel)
			.AddFunction("SaveLevel", &JSEngine::SaveLevel)
			.AddFunction("GotoNextLevel", &JSEngine::GotoNextLevel)
			.AddFunction("SetNextLevel", &JSEngine::SetNextLevel)
			.AddFunction("GotoPrevLevel", &JSEngine::GotoPrevLevel)
			.AddFunction("ReloadLevel", &JSEngine::ReloadLevel)
			.AddFunction("GetResolutions", &JSEngine::GetResolutions)
			.AddFunction("SetResolution", &JSEngine::SetResolution)
			.AddFunction("Exit", &JSEngine::Exit)
			.AddFunction("Pause", &JSEngine::Pause)
			.AddFunction("IsFullScreen", &JSEngine::IsFullScreen)
			.AddFunction("SetFullScreen", &JSEngine::SetFullScreen)
			.AddFunction("CurrentResolutionIndex", &JSEngine::CurrentResolutionIndex)
			.AddFunction("IsMuted", &JSEngine::IsMuted)
			.AddFunction("SetMuted", &JSEngine::SetMuted)
			.AddFunction("CurrLevel", &JSEngine::CurrLevel)
			.AddFunction("GetVolume", &JSEngine::GetVolume)
			.AddFunction("SetVolume", &JSEngine::SetVolume)
			.AddFunction("GetWidth", &JSEngine::GetWidth)
			.AddFunction("GetHeight", &JSEngine::GetHeight);
		return true;
	}();

	std::string WithSeparator(std::string folder)
	{
		if (!folder.empty() && folder.back() != '/' && folder.back() != '\\')
			folder += '/';
		return folder;
	}

	// What a level change freed goes back to the system at once.
	void GiveBackLevelMemory()
	{
		// The pages of the old level and the loading view leave their contexts to the script
		// heap, which would collect them only when full: megabytes a load until then.
		HTMLEngine::CollectGarbage();
		// The old level's textures, the render targets made again and the loading view's texture
		// were the driver's, from the system heap: the holes they leave there would otherwise stay
		// with the game, megabytes a load.
		Platform::TrimSystemHeap();
	}
}

Engine::Engine(const std::string& dataFolder, const std::string& userFolder, const std::string& configFileName)
	: currentLevel("MainMenu"), dataFolder(WithSeparator(dataFolder)), userFolder(WithSeparator(userFolder))
{
	if (singleton == nullptr)
		singleton = this;
	tw::SeedRand(static_cast<unsigned>(std::time(nullptr)));

	config = std::make_unique<ConfigFile>(Config::Load(this->userFolder + configFileName));
	AddSearchPaths();
	// The configuration is the user's file: its first level is confined as every level name is.
	if (const std::string firstLevel = config->GetString("FirstLevel", currentLevel); LevelNames::MayLoad(firstLevel))
		currentLevel = firstLevel;
	nextLevel = currentLevel;

	RegisterHandler("SendTo", &Engine::OnSendTo);
	RegisterHandler("Shutdown", &Engine::OnShutdown);
	RegisterHandler("NextLevel", &Engine::OnNextLevel);
	RegisterHandler("PrevLevel", &Engine::OnPrevLevel);
	RegisterHandler("RestartLevel", &Engine::OnRestartLevel);
	RegisterHandler("GotoLevel", &Engine::OnGotoLevel);

	Transform::Register();
	BoneTransform::Register();
	Origin::Register();

	loadingPage = FindFile(config->GetString("LoadScreen", "LoadingScreen.html"));
}

Engine::~Engine()
{
	Shutdown();
}

Engine* Engine::Instance()
{
	return singleton;
}

void Engine::AddSearchPaths() const
{
	AddSearchPath(userFolder);
	for (const char* subFolder : kUserSubFolders)
		AddSearchPath(userFolder + subFolder);
	AddSearchPath(dataFolder);
	for (const char* subFolder : kDataSubFolders)
		AddSearchPath(dataFolder + subFolder);
}

void Engine::RegisterHandler(const char* messageName, EngineHandler handler)
{
	handlers[MessageName(messageName)] = handler;
}

void Engine::AddSystem(System* system)
{
	System* old = FindSystem(system->GetTypeId());
	if (old == system)
		return;
	if (old != nullptr)
	{
		old->Shutdown();
		delete old;
		for (System*& stored : systems)
			if (stored == old)
				stored = system;
	}
	else
		systems.push_back(system);

	Config section = config->GetSection(system->GetName());
	system->LoadConfig(section);
	system->Initialize();
}

System* Engine::FindSystem(unsigned typeId) const
{
	for (System* system : systems)
		if (system->GetTypeId() == typeId)
			return system;
	return nullptr;
}

void Engine::SendMessage(const Message& message)
{
	if (singleton != nullptr)
		singleton->Deliver(message);
}

void Engine::Deliver(const Message& message)
{
	const MessageName& name = message.GetKey();
	const unsigned& componentEpoch = ObjectStore::Instance().ComponentEpoch();
	listeners.Deliver(
		name, [&componentEpoch](const HandlerTable::Entry&) { return componentEpoch; },
		[](const HandlerTable::Entry& entry) { return FindComponent(entry.objectId, entry.typeId); },
		[&](Component* component, HandlerTable::Handler handler) { (component->*handler)(Message::Reader(message)); });

	const auto handler = handlers.find(name);
	if (handler != handlers.end())
		(this->*handler->second)(Message::Reader(message));

	// By index: a handler may add a system while the walk runs.
	for (std::size_t index = 0; index < systems.size(); ++index)
		systems[index]->HandleMessage(message);
}

void Engine::AddListenerEntry(const std::string& messageName, const HandlerTable::Entry& entry)
{
	listeners.Add(MessageName(messageName), entry);
}

void Engine::DropObjectListeners()
{
	listeners.Drop(0);
}

void Engine::LeaveConfigurationUnwritten()
{
	config->LeaveFileUnwritten();
}

void Engine::Shutdown()
{
	UserLevels::MakeHeldSaves();
	// Writes the configuration back to its file.
	config.reset();
	DestroyAllObjects();
	// Ids restart with the next engine: a group kept past this one would hand its records to
	// whatever object next takes an old member's id.
	ObjectGroup::DestroyAll();
	for (System* system : systems)
	{
		system->Shutdown();
		delete system;
	}
	systems.clear();
	handlers.clear();
	ClearComponentFactory();
	Serializer::ClearFileCache();
	SearchPathList& searchPaths = GetSearchPaths();
	searchPaths.Erase(searchPaths.Entries().begin(), searchPaths.Entries().end());
	// A second engine leaves the first one registered.
	if (singleton == this)
		singleton = nullptr;
	tw::Diagnostics::Flush();
}

void Engine::Run()
{
	while (requestedState != kQuit)
	{
		ChangeLevel();
		RunFrames();
		UnloadLevel();
	}
}

void Engine::ChangeLevel()
{
	if (requestedState == kRestartLevel)
	{
		nextLevel = currentLevel;
		currentState = requestedState = kRunning;
	}
	// By index: a system's initialisation may add a system.
	for (std::size_t index = 0; index < systems.size(); ++index)
		if (systems[index]->ReloadsOnLevelChange())
			systems[index]->Reload();
	if (loadingView == nullptr)
		loadingView = std::make_unique<LoadingView>(loadingPage);
	previousLevel = currentLevel;
	currentLevel = nextLevel;
	// A level that fails to load leaves an empty world; the systems (and menu pages) run on.
	LoadRequestedLevel();
	ProcessObjectChanges();
	loadingView.reset();
	GiveBackLevelMemory();
	// Whatever starting objects or "LevelLoaded" handlers asked for while the level loaded is dropped.
	currentState = requestedState = kRunning;
}

void Engine::RunFrames()
{
	FrameTimer& timer = FrameTimer::Instance();
	// A request only changes requestedState: the frame in which it is made runs to its end.
	while (currentState == requestedState)
	{
		timer.StartFrame();
		for (std::size_t index = 0; index < systems.size(); ++index)
			systems[index]->Update();
		ProcessObjectChanges();
		tw::Diagnostics::EndFrame();
		timer.EndFrame();
	}
}

void Engine::UnloadLevel()
{
	// A page's save held back by its limit saves this level: it is made while the level is whole.
	UserLevels::MakeHeldSaves();
	SendMessage(Message("UnloadingLevel"));
	loadingView = std::make_unique<LoadingView>(loadingPage);
	loadingView->Draw();
	DestroyAllObjects();
	// No group outlives its level either; with every object gone this only frees the records.
	ObjectGroup::DestroyAll();
	loadingView.reset();
	MemoryManager::Instance().FreeEmptyPages();
}

bool Engine::LoadLevel(const std::string& levelName)
{
	return LevelFile(nextLevel, previousLevel, groupNames, savedDefaultGroup).Load(levelName);
}

// Every level the loop loads is checked here, the first level, its fallback and a restart included:
// a request is checked when it is made, but the name may have been found elsewhere then.
bool Engine::LoadRequestedLevel()
{
	LevelFile level(nextLevel, previousLevel, groupNames, savedDefaultGroup);
	const std::unique_ptr<OpenedFile> file = LevelNames::Open(currentLevel);
	if (!file)
	{
		level.Clear();
		return false;
	}
	return level.Load(*file, currentLevel);
}

bool Engine::SaveLevel(const std::string& fileName)
{
	return LevelFile(nextLevel, previousLevel, groupNames, savedDefaultGroup).Save(fileName);
}

bool Engine::SaveLevel(const OpenedFolder& folder, const std::string& fileName)
{
	return LevelFile(nextLevel, previousLevel, groupNames, savedDefaultGroup).Save(folder, fileName);
}

void Engine::RecordGroupFile(unsigned groupId, const std::string& fileName)
{
	groupNames[groupId] = fileName;
}

void Engine::RequestState(State state)
{
	if (closing)
		return;
	// The next level was named by a level file, a page or a binding.
	if (state == kChangeLevel && !LevelNames::MayLoad(nextLevel))
		return;
	requestedState = state;
}

void Engine::RequestClose()
{
	requestedState = kQuit;
	closing = true;
}

void Engine::RequestLevel(const std::string& levelName)
{
	if (closing || !LevelNames::MayLoad(levelName))
		return;
	nextLevel = levelName;
	requestedState = kChangeLevel;
}

void Engine::RequestPreviousLevel()
{
	RequestLevel(previousLevel);
}

void Engine::OnSendTo(Message::Reader reader)
{
	Object target;
	if (reader.CurrentTypeId() == tw::TypeIdOf<std::string>())
	{
		const std::string name = reader.Read<std::string>();
		const unsigned index = reader.CurrentTypeId() == tw::TypeIdOf<unsigned>() ? reader.Read<unsigned>() : 0;
		target = ObjectFromName(name, index);
	}
	else
		target = ObjectFromId(reader.Read<unsigned>());

	// A whole message is larger than any payload, so the inner message travels as a pointer;
	// delivery is synchronous, so the sender's message outlives the handler.
	if (reader.CurrentTypeId() != tw::TypeIdOf<Message*>())
		return;
	const Message* inner = reader.Read<Message*>();
	if (inner == nullptr)
		return;
	if (target.IsDummy())
		SendMessage(*inner);
	else
		target.object->HandleMessage(*inner);
}

void Engine::OnShutdown(Message::Reader)
{
	RequestState(kQuit);
}

void Engine::OnNextLevel(Message::Reader)
{
	RequestState(kChangeLevel);
}

void Engine::OnPrevLevel(Message::Reader)
{
	RequestPreviousLevel();
}

void Engine::OnRestartLevel(Message::Reader)
{
	RequestState(kRestartLevel);
}

void Engine::OnGotoLevel(Message::Reader reader)
{
	// Without a level name the request would unload into a level named "".
	std::string levelName;
	if (!reader.Read(levelName) || levelName.empty())
	{
		tw::Diagnostics::Report("\"GotoLevel\" names no level; the request is ignored.");
		return;
	}
	RequestLevel(levelName);
}
