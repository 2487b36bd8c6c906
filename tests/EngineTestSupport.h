// Test support for the engine core: a temporary folder, probe components and systems that log what
// happens to them into one shared event log, and a fixture that leaves the object store, the
// component factory and the engine singleton as it found them.
#pragma once

#include "Component.h"
#include "Composition.h"
#include "Engine.h"
#include "Message.h"
#include "Object.h"
#include "System.h"
#include "Utilities/Config.h"
#include "Utilities/SearchPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace test
{
	// Everything the probes saw, in order: "Detach Probe 3", "Ping from 2 Probe 3", "Update Alpha".
	inline std::vector<std::string>& Events()
	{
		static std::vector<std::string> events;
		return events;
	}

	inline std::size_t CountOf(const std::string& event)
	{
		return static_cast<std::size_t>(std::count(Events().begin(), Events().end(), event));
	}

	// A fresh folder under the system's temporary folder, removed with everything in it.
	class TempFolder
	{
	public:
		TempFolder()
		{
			static std::atomic<unsigned> counter{0};
			const std::string name = "tw-engine-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
				"-" + std::to_string(counter++) + "-" + std::to_string(reinterpret_cast<std::uintptr_t>(this));
			// Test processes run side by side and may come to the same name (the sanitizers' heap
			// hands out the same addresses): a folder that exists already belongs to another one.
			std::filesystem::path folder;
			for (unsigned attempt = 0;; ++attempt)
			{
				folder = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(attempt));
				if (std::filesystem::create_directory(folder))
					break;
			}
			path = folder.string() + "/";
		}
		~TempFolder()
		{
			std::error_code ignored;
			std::filesystem::remove_all(path, ignored);
		}
		TempFolder(const TempFolder&) = delete;
		TempFolder& operator=(const TempFolder&) = delete;

		// Always ending in "/".
		const std::string& Path() const
		{
			return path;
		}
		void WriteFile(const std::string& relativePath, const std::string& text) const
		{
			const std::filesystem::path file = path + relativePath;
			std::filesystem::create_directories(file.parent_path());
			std::ofstream(file, std::ios::binary) << text;
		}
		std::string ReadFile(const std::string& relativePath) const
		{
			std::ifstream file(path + relativePath, std::ios::binary);
			std::ostringstream text;
			text << file.rdbuf();
			return text.str();
		}

	private:
		std::string path;
	};

	// A component that logs its life and every message it handles. Any registered handler name is
	// handled by OnAny, which can also run an action given by the test.
	template <class NameTag>
	class ProbeBase : public ComponentBase<ProbeBase<NameTag>, NameTag>
	{
	public:
		ProbeBase() = default;
		ProbeBase(const ProbeBase& other) = default;
		~ProbeBase() override
		{
			Log("Delete");
		}

		bool Load(Serializer&) override
		{
			Log("Load");
			return true;
		}
		bool Serialize(Serializer&) override
		{
			return true;
		}
		bool Start() override
		{
			Log("Start");
			return true;
		}
		bool Update() override
		{
			return true;
		}
		void Release() override
		{
			Log("Release");
		}
		void Detach() override
		{
			Log("Detach");
		}

		void OnAny(Message::Reader reader)
		{
			Log(std::string(reader.name) + " from " + std::to_string(reader.objectId));
			if (action)
				action(reader);
		}

		unsigned OwnerId() const
		{
			return this->owner->GetId();
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

	struct __ProbeName
	{
		static constexpr const char* name = "Probe";
	};
	struct __OtherProbeName
	{
		static constexpr const char* name = "OtherProbe";
	};
	using Probe = ProbeBase<__ProbeName>;
	using OtherProbe = ProbeBase<__OtherProbeName>;

	// A system that logs its calls and every message it handles ("Ping" and "Shutdown").
	template <class NameTag>
	class ProbeSystem : public SystemBase<ProbeSystem<NameTag>, NameTag>
	{
	public:
		~ProbeSystem() override
		{
			Events().push_back(std::string("Delete ") + NameTag::name);
		}
		void LoadConfig(Config& section) override;
		void Initialize() override
		{
			Events().push_back(std::string("Initialize ") + NameTag::name);
			this->RegisterHandler("Ping", &ProbeSystem::OnAny);
			this->RegisterHandler("Shutdown", &ProbeSystem::OnAny);
		}
		void Update() override
		{
			Events().push_back(std::string("Update ") + NameTag::name);
		}
		void Shutdown() override
		{
			Events().push_back(std::string("Shutdown ") + NameTag::name);
		}
		void OnAny(Message::Reader reader)
		{
			Events().push_back(std::string(reader.name) + " " + NameTag::name);
		}

		// The "Greeting" setting of the system's configuration element.
		std::string greeting;
	};

	struct __AlphaName
	{
		static constexpr const char* name = "Alpha";
	};
	struct __BetaName
	{
		static constexpr const char* name = "Beta";
	};
	struct __GammaName
	{
		static constexpr const char* name = "Gamma";
	};
	using Alpha = ProbeSystem<__AlphaName>;
	using Beta = ProbeSystem<__BetaName>;
	using Gamma = ProbeSystem<__GammaName>;

	// Starts every test with an empty store, the probe types registered and an empty event log,
	// and ends it with every object destroyed.
	class StoreTest : public ::testing::Test
	{
	protected:
		void SetUp() override
		{
			DestroyAllObjects();
			Probe::Register();
			OtherProbe::Register();
			Events().clear();
		}
		void TearDown() override
		{
			DestroyAllObjects();
			Events().clear();
		}

		// A new object carrying the probe components named.
		template <class... Components>
		Object MakeObject(const std::string& name)
		{
			Object made = CreateObject(name);
			(made.object->AddComponent(Components::TypeId()), ...);
			return made;
		}
	};

	// A StoreTest with an engine over a temporary user and data folder.
	class EngineTest : public StoreTest
	{
	protected:
		static constexpr const char* kConfigFile = "Tumblewreck.cfg";

		void SetUp() override
		{
			SearchPathList& searchPaths = GetSearchPaths();
			searchPaths.Erase(searchPaths.Entries().begin(), searchPaths.Entries().end());
			StoreTest::SetUp();
		}
		void TearDown() override
		{
			engine.reset();
			StoreTest::TearDown();
		}

		// Writes the configuration file the engine will load; call before MakeEngine.
		void WriteConfig(const std::string& xml) const
		{
			userFolder.WriteFile(kConfigFile, xml);
		}
		// The engine clears the component factory when it goes, so the probes are registered anew.
		Engine& MakeEngine()
		{
			engine = std::make_unique<Engine>(dataFolder.Path(), userFolder.Path(), kConfigFile);
			Probe::Register();
			OtherProbe::Register();
			Events().clear();
			return *engine;
		}

		TempFolder userFolder;
		TempFolder dataFolder;
		std::unique_ptr<Engine> engine;
	};
}

template <class NameTag>
void test::ProbeSystem<NameTag>::LoadConfig(Config& section)
{
	greeting = section.GetString("Greeting", "");
	Events().push_back(std::string("LoadConfig ") + NameTag::name);
}
