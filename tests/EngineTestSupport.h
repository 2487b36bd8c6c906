// Test support for the engine core: probe components and systems that log what
// happens to them into one shared event log, small components with one saved field, and fixtures
// that leave the object store, the groups, the component factory and the engine as they found them.
#pragma once

#include "Component.h"
#include "Composition.h"
#include "Components/Transform.h"
#include "Engine.h"
#include "HTMLEngine/HTMLView.h"
#include "LoadingView.h"
#include "Message.h"
#include "Object.h"
#include "ObjectGroup.h"
#include "Serializer.h"
#include "System.h"
#include "Utilities/Config.h"
#include "Utilities/SearchPaths.h"

#include "QuietComponent.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace test
{
	using Names = std::vector<std::string>;

	// Everything the probes saw, in order: "Detach Probe 3", "Ping from 2 Probe 3", "Update Alpha".
	inline Names& Events()
	{
		static Names events;
		return events;
	}

	inline std::size_t CountOf(const std::string& event)
	{
		return static_cast<std::size_t>(std::count(Events().begin(), Events().end(), event));
	}

	// A component that logs its life and every message it handles. Any registered handler name is
	// handled by OnAny, which can also run an action given by the test.
	template <class NameTag>
	class ProbeBase : public QuietComponent<ProbeBase<NameTag>, NameTag>
	{
	public:
		~ProbeBase() override { Log("Delete"); }
		bool Start() override { Log("Start"); return true; }
		void Release() override { Log("Release"); }
		void Detach() override { Log("Detach"); }
		void OnAny(Message::Reader reader)
		{
			Log(std::string(reader.name) + " from " + std::to_string(reader.objectId));
			if (action)
				action(reader);
		}

		int value = 0;
		std::function<void(Message::Reader&)> action;

	private:
		void Log(const std::string& what) const
		{
			const unsigned ownerId = this->owner != nullptr ? this->owner->GetId() : 0;
			Events().push_back(what + " " + NameTag::name + " " + std::to_string(ownerId));
		}
	};

	struct __ProbeName { static constexpr const char* name = "Probe"; };
	struct __OtherProbeName { static constexpr const char* name = "OtherProbe"; };
	using Probe = ProbeBase<__ProbeName>;
	using OtherProbe = ProbeBase<__OtherProbeName>;

	// A component with one field saved under NameTag::field.
	template <class Derived, class NameTag, class T>
	class FieldComponent : public QuietComponent<Derived, NameTag>
	{
	public:
		bool Load(Serializer& serializer) override { serializer.Read(value); return true; }
		bool Serialize(Serializer& serializer) override { serializer.Write(NameTag::field, value); return true; }

		T value{};
	};

	struct __MarkerName { static constexpr const char* name = "Marker"; static constexpr const char* field = "value"; };
	// Logs its start.
	class Marker : public FieldComponent<Marker, __MarkerName, int>
	{
	public:
		bool Start() override { Events().push_back("Start Marker " + std::to_string(owner->GetId())); return true; }
	};

	struct __PhysicsTagName { static constexpr const char* name = "PhysicsTag"; static constexpr const char* field = "physicsId"; };
	// Holds a physics id that takes its group's prefix, as the physics components' ids do.
	class PhysicsTag : public FieldComponent<PhysicsTag, __PhysicsTagName, unsigned>
	{
	public:
		static void TakeGroupPrefix(Component& tag, unsigned originPhysicsId)
		{
			static_cast<PhysicsTag&>(tag).value = ObjectGroup::PrefixedPhysicsId(static_cast<PhysicsTag&>(tag).value, originPhysicsId);
		}
	};

	struct __StartMessageName { static constexpr const char* name = "StartMessage"; static constexpr const char* field = "message"; };
	// Sends its message engine-wide when its object starts, and logs whether a loading page was up.
	class StartMessage : public FieldComponent<StartMessage, __StartMessageName, std::string>
	{
	public:
		bool Start() override
		{
			const LoadingView* view = Engine::Instance() != nullptr ? Engine::Instance()->GetLoadingView() : nullptr;
			Events().push_back("Sent " + value + (view != nullptr ? " showing " + view->GetView().GetLoadedFile() : std::string()));
			Engine::SendMessage(Message(value));
			return true;
		}
	};

	// A system that logs its calls and every message it handles ("Ping" and "Shutdown").
	template <class NameTag>
	class ProbeSystem : public SystemBase<ProbeSystem<NameTag>, NameTag>
	{
	public:
		~ProbeSystem() override { Log("Delete"); }
		void LoadConfig(Config& section) override { greeting = section.GetString("Greeting", ""); Log("LoadConfig"); }
		void Initialize() override { Log("Initialize"); this->RegisterHandler("Ping", &ProbeSystem::OnAny); this->RegisterHandler("Shutdown", &ProbeSystem::OnAny); }
		void Update() override { Log("Update"); }
		void Shutdown() override { Log("Shutdown"); }
		void OnAny(Message::Reader reader) { Log(reader.name); }

		// The "Greeting" setting of the system's configuration element.
		std::string greeting;

	private:
		static void Log(const std::string& what) { Events().push_back(what + " " + NameTag::name); }
	};

	struct __AlphaName { static constexpr const char* name = "Alpha"; };
	struct __BetaName { static constexpr const char* name = "Beta"; };
	struct __GammaName { static constexpr const char* name = "Gamma"; };
	using Alpha = ProbeSystem<__AlphaName>;
	using Beta = ProbeSystem<__BetaName>;
	using Gamma = ProbeSystem<__GammaName>;

	struct __DirectorName { static constexpr const char* name = "Director"; };
	// Runs the test's script: on the n-th frame of the run it calls script[n]. Logs the messages it
	// listens to with the current level; quits on its own after runawayFrames.
	class Director : public SystemBase<Director, __DirectorName>
	{
	public:
		static constexpr unsigned kRunawayFrames = 1000;

		void LoadConfig(Config&) override {}
		void Initialize() override { for (const std::string& messageName : listensTo) RegisterHandler(messageName, &Director::OnHeard); }
		void Update() override
		{
			if (const auto step = script.find(++frame); step != script.end())
				step->second();
			if (frame >= runawayFrames)
			{
				Events().push_back("Runaway");
				Engine::Instance()->RequestState(Engine::kQuit);
			}
		}
		void OnHeard(Message::Reader reader) { Events().push_back(std::string(reader.name) + " " + Engine::Instance()->GetCurrentLevel()); }

		// Engine-wide messages logged with the current level's name.
		Names listensTo{"LevelLoaded", "UnloadingLevel"};
		std::map<unsigned, std::function<void()>> script;
		unsigned frame = 0;
		unsigned runawayFrames = kRunawayFrames;
	};

	// Starts every test with an empty store, no groups, the test components registered and an empty
	// event log, and ends it with every object destroyed.
	class StoreTest : public ::testing::Test
	{
	protected:
		void SetUp() override { StoreTest::TearDown(); RegisterTestComponents(); }
		void TearDown() override { ObjectGroup::DestroyAll(); DestroyAllObjects(); Events().clear(); }

		static void RegisterTestComponents()
		{
			Probe::Register();
			OtherProbe::Register();
			Marker::Register();
			PhysicsTag::Register();
			StartMessage::Register();
			ObjectGroup::RegisterPhysicsIdPrefixer(PhysicsTag::TypeId(), &PhysicsTag::TakeGroupPrefix);
		}

		// A new object carrying the components named.
		template <class... Components>
		static Object MakeObject(const std::string& name)
		{
			Object made = CreateObject(name);
			(made.object->AddComponent(Components::TypeId()), ...);
			return made;
		}

		// The objects of the name, in the order they took it.
		static std::vector<Object> Named(const std::string& name)
		{
			std::vector<Object> found;
			for (unsigned id : ObjectIdsByName(name))
				if (const Object object = ObjectFromId(id); !object.IsDummy())
					found.push_back(object);
			return found;
		}
		static Object OnlyNamed(const std::string& name)
		{
			const std::vector<Object> found = Named(name);
			EXPECT_EQ(found.size(), 1u) << name;
			return found.empty() ? ObjectFromId(0) : found.front();
		}
	};

	// A StoreTest with an engine over a temporary user folder and a data folder.
	class EngineTest : public StoreTest
	{
	protected:
		static constexpr const char* kConfigFile = "Tumblewreck.cfg";
		// Levels, archetypes and a group file that the level tests share.
		static constexpr const char* kFixtures = TW_TEST_DATA_DIR "LevelData/";

		void SetUp() override
		{
			SearchPathList& searchPaths = GetSearchPaths();
			searchPaths.Erase(searchPaths.Entries().begin(), searchPaths.Entries().end());
			StoreTest::SetUp();
		}
		void TearDown() override { engine.reset(); StoreTest::TearDown(); }

		// Writes the configuration file the engine will load; call before MakeEngine.
		void WriteConfig(const std::string& xml) const { userFolder.WriteFile(kConfigFile, xml); }
		// Over the temporary data folder unless told otherwise. The engine clears the component
		// factory when it goes, so the test components are registered anew.
		Engine& MakeEngine(const std::string& dataPath = "")
		{
			engine = std::make_unique<Engine>(dataPath.empty() ? dataFolder.Path() : dataPath, userFolder.Path(), kConfigFile);
			RegisterTestComponents();
			Events().clear();
			return *engine;
		}

		TempFolder userFolder;
		TempFolder dataFolder;
		std::unique_ptr<Engine> engine;
	};
}
