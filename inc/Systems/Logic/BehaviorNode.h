// BehaviorNode: the base of every node of a behaviour tree. Non-player characters and the golem
// are driven by such trees: composites arrange their children, leaves act on the world by
// messages and by the owner's components. A parent keeps this contract with each child:
//   1. it sets the child Running, then calls Start, which may end the run at once;
//   2. while the child is Running it calls Update once in each of its own updates;
//   3. it looks at the child's status at the start of its next update, not right after a call;
//   4. on Success, Failure or Ready (Ready counts as failure) it calls Finish once and acts;
//   5. Finish leaves the status as it is until the child starts again or is reset;
//   6. a child abandoned while Running gets its Finish through ResetSubtree, deepest first.
#pragma once

#include "Serializer.h"
#include "Systems/Logic/BehaviorMemory.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

class Composition;

enum BehaviorStatus : int
{
	Failure = 0,
	Ready = 1,
	Running = 2,
	Success = 3,
};

// "BehaviorTree of object 'Name' (id)": how diagnostics about a tree name it.
std::string DescribeTreeOwner(const Composition* owner);

class BehaviorNode
{
public:
	struct BehaviorChild
	{
		// The registered name the child was made from; what its stored form names it.
		std::string type;
		std::unique_ptr<BehaviorNode> node;
	};

	using ChildList = std::vector<BehaviorChild, BehaviorAllocator<BehaviorChild>>;

	// A tree read under a BehaviorBlockScope keeps its nodes together.
	static void* operator new(std::size_t bytes) { return BehaviorMemory::Allocate(bytes); }
	static void operator delete(void* node) noexcept { BehaviorMemory::Free(node); }
	// The blocks align to a pointer; a node type needing more does not compile (RegisterBehavior
	// refuses one needing up to the default new alignment, which this overload does not see).
	static void* operator new(std::size_t, std::align_val_t) = delete;

	BehaviorNode() = default;
	BehaviorNode(const BehaviorNode&) = delete;
	BehaviorNode& operator=(const BehaviorNode&) = delete;
	virtual ~BehaviorNode();

	// Reads the node's own fields, then its children, by position. The base has no fields and
	// reads one nested element per child: "Behavior" (the type name), then the child's data.
	virtual void Deserialize(Serializer& serializer);
	// Writes what Deserialize reads, in the same order.
	virtual void Serialize(Serializer& serializer) const;
	virtual void Start() = 0;
	virtual void Update() = 0;
	virtual void Finish() = 0;

	// Every child of the node ends Ready; a Running child's own subtree is reset and then the
	// child finished. The node's own status and the subtrees of children not running stay.
	static void ResetSubtree(BehaviorNode& node);

	BehaviorStatus status = Ready;
	// In file order. A child whose type is not registered is not among them (see keptChildren).
	ChildList children;
	// The game object the tree acts for; set by whoever makes the node, before it reads its data.
	Composition* owner = nullptr;

protected:
	// Contract step 1.
	static void StartChild(BehaviorNode& child);
	// Reads the settings a parent keeps for the child it is about to read (after "Behavior").
	virtual void ReadChildSettings(Serializer& serializer);
	// Writes the settings of child index, after its "Behavior".
	virtual void WriteChildSettings(Serializer& serializer, std::size_t index) const;

private:
	// The stored form of a child whose type is not registered: left out of the running tree,
	// written back unchanged at its place among the children.
	struct KeptChild
	{
		// How many known children stood before it in the file.
		std::size_t position;
		std::string type;
		std::shared_ptr<const Serializer::Tree> data;
	};

	void ReadChild(Serializer& serializer, std::vector<BehaviorChild>& read);
	void WriteChild(Serializer& serializer, std::size_t index) const;

	std::vector<KeptChild> keptChildren;
};
