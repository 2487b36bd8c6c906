// BehaviorTree: gives a game object a behaviour tree. It builds the tree from the object's stored
// data ("rootType", then the root's fields and children), drives the root once a frame from the
// Logic system's update, and restarts it whenever a run ends: a run that ends in frame n is
// finished and reset in frame n + 1 and started again in frame n + 2. "ActivateBehaviors" (bool)
// freezes and thaws the tree; "RevaluateBehavior" abandons the current run.
#pragma once

#include "Component.h"
#include "Message.h"
#include "Serializer.h"
#include "Systems/Logic/BehaviorNode.h"

#include <memory>
#include <string>

struct __BehaviorTreeName
{
	static constexpr const char* name = "BehaviorTree";
};

class BehaviorTree : public ComponentBase<BehaviorTree, __BehaviorTreeName>
{
public:
	BehaviorTree() = default;
	// The copy builds a tree of its own from the original's stored form.
	BehaviorTree(const BehaviorTree& other);
	BehaviorTree& operator=(const BehaviorTree&) = delete;

	// Builds the tree; an unregistered "rootType" leaves no tree and keeps the data to save back.
	bool Load(Serializer& serializer) override;
	bool Serialize(Serializer& serializer) override;
	// Resets the subtree and binds "RevaluateBehavior".
	bool Start() override;
	bool Update() override;
	// Deletes the tree.
	void Detach() override;

	// Null until a tree was built.
	BehaviorNode* GetRoot() const { return root.get(); }
	const std::string& GetRootType() const { return rootType; }
	bool IsActive() const { return active; }

private:
	void OnActivateBehaviors(Message::Reader reader);
	void OnRevaluateBehavior(Message::Reader reader);

	// Builds the tree of rootType from the data at the serializer's cursor.
	void BuildTree(Serializer& serializer);
	// The root's Finish, then its subtree reset; the root ends Ready.
	void Revaluate();
	// Calls one of the root's operations; a "RevaluateBehavior" that arrives meanwhile acts when
	// it returns, so no node is reset while it runs.
	template <class Call>
	void CallRoot(Call call);

	std::unique_ptr<BehaviorNode> root;
	std::string rootType;
	// The stored form after "rootType" when no tree could be built from it.
	std::shared_ptr<const Serializer::Tree> keptData;
	bool active = false;
	bool insideTree = false;
	bool revaluateRequested = false;
};
