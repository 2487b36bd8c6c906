// Engine: the one object that owns the systems and the configuration, keeps the level names and
// the level-change request, and delivers messages engine-wide (registered listeners, then the
// engine's own handlers, then every system in the order they were added). The entry function
// constructs it, adds the systems and runs it; everything else reaches it through Instance().
#pragma once

#include "HandlerTable.h"
#include "Message.h"
#include "MessageName.h"
#include "System.h"
#include "Utilities/HashMap.h"

#include <memory>
#include <string>
#include <vector>

class ConfigFile;
class LoadingView;
class OpenedFolder;

class Engine
{
public:
	// The requested and current states of the level-change loop.
	enum State : int
	{
		kQuit = 0,
		kRestartLevel = 1,
		kChangeLevel = 2,
		kRunning = 3,
	};

	// Loads the configuration from userFolder + configFileName, builds the search paths and
	// registers the engine's own component types. The first engine becomes Instance().
	Engine(const std::string& dataFolder, const std::string& userFolder, const std::string& configFileName);
	~Engine();
	Engine(const Engine&) = delete;
	Engine& operator=(const Engine&) = delete;

	// The engine singleton; null before the first engine and after its shutdown.
	static Engine* Instance();

	// Takes ownership. A system of a type already present replaces it (in its place in the frame
	// order); the system is then configured from its element of the configuration and initialised.
	void AddSystem(System* system);
	// Null when no system of type T was added.
	template <class T>
	T* GetSystem() const;
	// The systems in the order they were added: the per-frame order.
	const std::vector<System*>& GetSystems() const
	{
		return systems;
	}

	// The level-change loop: reloads the systems, loads the next level, runs frames until another
	// state is requested, unloads the level, and starts over; returns once quitting is requested.
	void Run();
	// Replaces every group and object by the level file's, starts them and sends "LevelLoaded";
	// false, leaving no objects, when the file cannot be read or holds nothing. The file is found as
	// any data file is; the level loop reads levels from the game's folders alone (LevelNames).
	bool LoadLevel(const std::string& levelName);
	// Writes the current groups as a level file; false when writing failed, which leaves the old
	// file as it was.
	bool SaveLevel(const std::string& fileName);
	// As SaveLevel, into the folder as it was opened, whatever its path leads to by now.
	bool SaveLevel(const OpenedFolder& folder, const std::string& fileName);
	// The next save names the group by the file it was placed from, as a loaded level's groups are.
	void RecordGroupFile(unsigned groupId, const std::string& fileName);
	// The loading view while a level loads or unloads, else null.
	LoadingView* GetLoadingView() const
	{
		return loadingView.get();
	}

	// Engine-wide delivery on the singleton; nothing without one.
	static void SendMessage(const Message& message);

	// Makes the handler of object objectId's component of class T hear every engine-wide message of
	// the name. An entry is dropped once its object or component has gone, and with every object.
	template <class T>
	void AddListener(const std::string& messageName, unsigned objectId, void (T::*handler)(Message::Reader));
	// Every object is gone, and ids restart at 1: no listener may reach a new object reusing an id.
	void DropObjectListeners();

	// A start that failed writes no configuration: the user's file stays as it was, or absent.
	void LeaveConfigurationUnwritten();
	// Writes the configuration back, destroys every object, shuts down and deletes every system, and
	// empties the component factory, the serializer's file cache and the search paths.
	void Shutdown();

	// Level-change requests; the level loop acts on them when the current frame ends. The last
	// request of a frame wins, unless the game is closing. A change to a level named outside the
	// game's folders is refused with a diagnostic (LevelNames).
	void RequestState(State state);
	// The window was closed or the process told to terminate: the game ends when this frame ends,
	// whatever the frame asks for after it (a held key's binding may ask for a level every frame).
	void RequestClose();
	// nextLevel := name, then a change to it.
	void RequestLevel(const std::string& levelName);
	// nextLevel := previousLevel, then a change to it.
	void RequestPreviousLevel();
	State GetRequestedState() const
	{
		return requestedState;
	}
	State GetCurrentState() const
	{
		return currentState;
	}
	const std::string& GetCurrentLevel() const
	{
		return currentLevel;
	}
	const std::string& GetNextLevel() const
	{
		return nextLevel;
	}
	const std::string& GetPreviousLevel() const
	{
		return previousLevel;
	}
	const std::string& GetUserFolder() const
	{
		return userFolder;
	}
	// Always ending in "/".
	const std::string& GetDataFolder() const
	{
		return dataFolder;
	}
	// Full path of the HTML page shown while a level loads.
	const std::string& GetLoadingPage() const
	{
		return loadingPage;
	}

private:
	using EngineHandler = void (Engine::*)(Message::Reader);

	void Deliver(const Message& message);
	void AddSearchPaths() const;
	void RegisterHandler(const char* messageName, EngineHandler handler);
	void AddListenerEntry(const std::string& messageName, const HandlerTable::Entry& entry);
	System* FindSystem(unsigned typeId) const;

	void ChangeLevel();
	// Loads currentLevel from the game's folders, through the file checked there.
	bool LoadRequestedLevel();
	void RunFrames();
	void UnloadLevel();

	void OnSendTo(Message::Reader reader);
	void OnShutdown(Message::Reader reader);
	void OnNextLevel(Message::Reader reader);
	void OnPrevLevel(Message::Reader reader);
	void OnRestartLevel(Message::Reader reader);
	void OnGotoLevel(Message::Reader reader);

	// In the order added; the frame order must not depend on how type ids happen to be numbered.
	std::vector<System*> systems;
	// Owns the configuration document and writes it back to its file when it goes.
	std::unique_ptr<ConfigFile> config;
	State currentState = kRunning;
	State requestedState = kRunning;
	// Set by RequestClose; no later request replaces the quit.
	bool closing = false;
	std::string loadingPage;
	std::string previousLevel;
	std::string currentLevel;
	std::string nextLevel;
	// The group file recorded for each object group of the loaded level, by group id; filled when
	// a level loads and read when it is saved.
	tw::hash_map<unsigned, std::string> groupNames;
	// The group loaded from the level file's last element, the default group it was saved from.
	unsigned savedDefaultGroup = 0;
	// Always ending in "/" (unless empty).
	std::string dataFolder;
	std::string userFolder;
	tw::hash_map<MessageName, EngineHandler, MessageNameHash> handlers;
	HandlerTable listeners;
	// The loading-screen view while a level loads or unloads, else null.
	std::unique_ptr<LoadingView> loadingView;
};

template <class T>
T* Engine::GetSystem() const
{
	return static_cast<T*>(FindSystem(T::TypeId()));
}

template <class T>
void Engine::AddListener(const std::string& messageName, unsigned objectId, void (T::*handler)(Message::Reader))
{
	AddListenerEntry(messageName, HandlerTable::Entry{static_cast<HandlerTable::Handler>(handler), objectId, T::TypeId()});
}
