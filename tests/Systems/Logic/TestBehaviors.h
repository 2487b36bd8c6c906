// Behaviour leaves for tests, and the stored form of trees built from them. A "TestLeaf" logs its
// calls into test::Events() ("Start a", "Update a", "Finish a") and ends its run with Result
// after Updates updates (0: in Start); a "TimedLeaf" runs until Seconds of game time have passed.
// A test may give a leaf an action run at each of its calls, by the leaf's name.
#pragma once

#include "EngineTestSupport.h"
#include "Serializer.h"
#include "Systems/Logic/BehaviorNode.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Utilities/Timer.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace test
{
	inline std::map<std::string, std::function<void()>>& LeafActions()
	{
		static std::map<std::string, std::function<void()>> actions;
		return actions;
	}

	class LoggingLeaf : public BehaviorNode
	{
	public:
		void Finish() override { Log("Finish"); }

		std::string name;

	protected:
		void Log(const char* call) const
		{
			Events().push_back(std::string(call) + " " + name);
			if (const auto action = LeafActions().find(name); action != LeafActions().end())
				action->second();
		}
	};

	class TestLeaf final : public LoggingLeaf
	{
	public:
		void Deserialize(Serializer& serializer) override { serializer.Read(name).Read(result).Read(updates); }
		void Serialize(Serializer& serializer) const override
		{
			serializer.Write("Name", name).Write("Result", result).Write("Updates", updates);
		}
		void Start() override { left = updates; Log("Start"); End(); }
		void Update() override { --left; Log("Update"); End(); }

		int result = Success;
		int updates = 0;

	private:
		void End() { if (left <= 0 && status == Running) status = static_cast<BehaviorStatus>(result); }
		int left = 0;
	};

	class TimedLeaf final : public LoggingLeaf
	{
	public:
		void Deserialize(Serializer& serializer) override { serializer.Read(name).Read(seconds); }
		void Serialize(Serializer& serializer) const override { serializer.Write("Name", name).Write("Seconds", seconds); }
		void Start() override { started = GetElapsedMilliseconds(); Log("Start"); }
		void Update() override
		{
			Log("Update");
			if (GetElapsedMilliseconds() - started >= static_cast<std::uint32_t>(seconds * 1000.0f))
				status = Success;
		}

		float seconds = 1.0f;

	private:
		std::uint32_t started = 0;
	};

	inline void RegisterTestBehaviors()
	{
		RegisterBehavior<TestLeaf>("TestLeaf");
		RegisterBehavior<TimedLeaf>("TimedLeaf");
	}

	// The stored child elements of trees, as a level file holds them.
	inline std::string Child(const std::string& type, const std::string& fields)
	{
		return "<Unknown><string name=\"Behavior\">" + type + "</string>" + fields + "</Unknown>";
	}
	// A TestLeaf's own fields.
	inline std::string LeafFields(const std::string& name, int result = Success, int updates = 0)
	{
		return "<string name=\"Name\">" + name + "</string><int name=\"Result\">" + std::to_string(result) +
			"</int><int name=\"Updates\">" + std::to_string(updates) + "</int>";
	}
	inline std::string Leaf(const std::string& name, int result = Success, int updates = 0)
	{
		return Child("TestLeaf", LeafFields(name, result, updates));
	}
	inline std::string Timed(const std::string& name, float seconds)
	{
		std::ostringstream text;
		text << "<string name=\"Name\">" << name << "</string><float name=\"Seconds\">" << seconds << "</float>";
		return Child("TimedLeaf", text.str());
	}

	// A node of the type read from the stored fields and children.
	inline std::unique_ptr<BehaviorNode> ReadNode(const std::string& type, const std::string& stored)
	{
		static int documents = 0;
		std::istringstream text("<Component>" + stored + "</Component>");
		Serializer serializer;
		EXPECT_TRUE(serializer.LoadFromStream(text, "BehaviorText" + std::to_string(++documents)));
		std::unique_ptr<BehaviorNode> node = CreateBehavior(type);
		node->Deserialize(serializer);
		return node;
	}

	// A node of the type read from the stored fields for the owner, started as a parent starts it.
	inline std::unique_ptr<BehaviorNode> StartNode(const std::string& type, const std::string& stored, Composition* owner)
	{
		std::unique_ptr<BehaviorNode> node = ReadNode(type, stored);
		node->owner = owner;
		node->status = Running;
		node->Start();
		return node;
	}

	// What the stored values and children save as, read as a document and written again.
	inline std::string SavedDocument(const std::string& stored)
	{
		static int documents = 0;
		std::istringstream text("<Unknown>" + stored + "</Unknown>");
		Serializer document;
		EXPECT_TRUE(document.LoadFromStream(text, "SavedDocument" + std::to_string(++documents)));
		std::ostringstream saved;
		document.SaveToStream(saved);
		return saved.str();
	}

	// What the node writes when saved.
	inline std::string SavedNode(const BehaviorNode& node)
	{
		Serializer writer;
		node.Serialize(writer);
		std::ostringstream saved;
		writer.SaveToStream(saved);
		return saved.str();
	}

	// Drives a node as a tree drives its root, one update a frame, until its run ends; then
	// finishes it. The events of the run.
	inline Names RunToEnd(BehaviorNode& node, int maxUpdates = 100)
	{
		Events().clear();
		node.status = Running;
		node.Start();
		for (int update = 0; update < maxUpdates && node.status == Running; ++update)
			node.Update();
		node.Finish();
		return Events();
	}
}
