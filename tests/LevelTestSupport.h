// Test support for groups, level files and the level loop: small components with fields that are
// read and written (Marker, PhysicsTag, StartMessage), a Director system that runs a per-frame
// script, and a fixture with an engine over the level fixtures in tests/data/LevelData/.
#pragma once

#include "EngineTestSupport.h"

#include "Components/Transform.h"
#include "LoadingView.h"
#include "HTMLEngine/HTMLView.h"
#include "ObjectGroup.h"
#include "Serializer.h"

#include <functional>
#include <map>
#include <string>

namespace test
{
	struct __MarkerName
	{
		static constexpr const char* name = "Marker";
	};
	// One int field, "value"; logs its start.
	class Marker : public ComponentBase<Marker, __MarkerName>
	{
	public:
		bool Load(Serializer& serializer) override
		{
			serializer.Read(value);
			return true;
		}
		bool Serialize(Serializer& serializer) override
		{
			serializer.Write("value", value);
			return true;
		}
		bool Start() override
		{
			Events().push_back("Start Marker " + std::to_string(owner->GetId()));
			return true;
		}
		bool Update() override
		{
			return true;
		}
		void Detach() override
		{
		}

		int value = 0;
	};

	struct __PhysicsTagName
	{
		static constexpr const char* name = "PhysicsTag";
	};
	// Holds a physics id that takes its group's prefix, as the physics components' ids do.
	class PhysicsTag : public ComponentBase<PhysicsTag, __PhysicsTagName>
	{
	public:
		bool Load(Serializer& serializer) override
		{
			serializer.Read(physicsId);
			return true;
		}
		bool Serialize(Serializer& serializer) override
		{
			serializer.Write("physicsId", physicsId);
			return true;
		}
		bool Start() override
		{
			return true;
		}
		bool Update() override
		{
			return true;
		}
		void Detach() override
		{
		}

		static void TakeGroupPrefix(Component& component, unsigned originPhysicsId)
		{
			PhysicsTag& tag = static_cast<PhysicsTag&>(component);
			tag.physicsId = ObjectGroup::PrefixedPhysicsId(tag.physicsId, originPhysicsId);
		}

		unsigned physicsId = 0;
	};

	struct __StartMessageName
	{
		static constexpr const char* name = "StartMessage";
	};
	// Sends its message engine-wide when its object starts, and logs whether a loading page was up.
	class StartMessage : public ComponentBase<StartMessage, __StartMessageName>
	{
	public:
		bool Load(Serializer& serializer) override
		{
			serializer.Read(message);
			return true;
		}
		bool Serialize(Serializer& serializer) override
		{
			serializer.Write("message", message);
			return true;
		}
		bool Start() override
		{
			const LoadingView* view = Engine::Instance() != nullptr ? Engine::Instance()->GetLoadingView() : nullptr;
			Events().push_back("Sent " + message + (view != nullptr ? " showing " + view->GetView().GetLoadedFile() : std::string()));
			Engine::SendMessage(Message(message));
			return true;
		}
		bool Update() override
		{
			return true;
		}
		void Detach() override
		{
		}

		std::string message;
	};

	struct __DirectorName
	{
		static constexpr const char* name = "Director";
	};
	// Runs the test's script: on the n-th frame of the run it calls script[n]. Logs the messages it
	// listens to with the current level; quits on its own after kRunawayFrames.
	class Director : public SystemBase<Director, __DirectorName>
	{
	public:
		static constexpr unsigned kRunawayFrames = 1000;

		void LoadConfig(Config&) override
		{
		}
		void Initialize() override
		{
			for (const std::string& messageName : listensTo)
				RegisterHandler(messageName, &Director::OnHeard);
		}
		void Update() override
		{
			++frame;
			if (const auto step = script.find(frame); step != script.end())
				step->second();
			if (frame >= kRunawayFrames)
			{
				Events().push_back("Runaway");
				Engine::Instance()->RequestState(Engine::kQuit);
			}
		}
		void OnHeard(Message::Reader reader)
		{
			Events().push_back(std::string(reader.name) + " " + Engine::Instance()->GetCurrentLevel());
		}

		// Engine-wide messages logged with the current level's name.
		std::vector<std::string> listensTo{"LevelLoaded", "UnloadingLevel"};
		std::map<unsigned, std::function<void()>> script;
		unsigned frame = 0;
	};

	// An engine over a given data folder (the level fixtures by default) with the test components
	// registered; every group is gone before and after each test.
	class LevelTest : public EngineTest
	{
	protected:
		static constexpr const char* kFixtures = TW_TEST_DATA_DIR "LevelData/";

		void SetUp() override
		{
			EngineTest::SetUp();
			ObjectGroup::DestroyAll();
		}
		void TearDown() override
		{
			engine.reset();
			ObjectGroup::DestroyAll();
			EngineTest::TearDown();
		}

		Engine& MakeEngineOver(const std::string& dataPath)
		{
			engine = std::make_unique<Engine>(dataPath, userFolder.Path(), kConfigFile);
			Marker::Register();
			PhysicsTag::Register();
			StartMessage::Register();
			Probe::Register();
			ObjectGroup::RegisterPhysicsIdPrefixer(PhysicsTag::TypeId(), &PhysicsTag::TakeGroupPrefix);
			Events().clear();
			return *engine;
		}
		Engine& MakeEngineOverFixtures()
		{
			return MakeEngineOver(kFixtures);
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
}
