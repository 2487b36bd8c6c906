// The behaviour registry: the process-wide table from a node type name (as stored trees name
// them, "SequenceNode", "Idle") to the cloner that makes fresh nodes of that type. The Logic
// system fills it when it initialises and empties it when it shuts down; tests may register
// node types of their own.
#pragma once

#include "Systems/Logic/BehaviorNode.h"

#include <memory>
#include <string>

class BehaviorCloner
{
public:
	virtual ~BehaviorCloner() = default;
	// A new node: Ready, no children, no owner, the type's own defaults.
	virtual std::unique_ptr<BehaviorNode> Clone() const = 0;
};

template <class T>
class BehaviorClonerType final : public BehaviorCloner
{
	// A node of 16-byte alignment is made with the plain operator new, from a block piece aligned
	// to 8 only.
	static_assert(alignof(T) <= BehaviorMemory::kAlignment,
		"a behaviour node type may need no more alignment than BehaviorMemory::kAlignment: its nodes are made in blocks aligned to that");

public:
	std::unique_ptr<BehaviorNode> Clone() const override
	{
		return std::make_unique<T>();
	}
};

// Takes ownership; a name already registered keeps its first cloner and the new one is deleted.
void RegisterBehaviorCloner(const std::string& typeName, std::unique_ptr<BehaviorCloner> cloner);

template <class T>
void RegisterBehavior(const std::string& typeName)
{
	RegisterBehaviorCloner(typeName, std::make_unique<BehaviorClonerType<T>>());
}

// A new node of the registered type; null when no type is registered under the name.
std::unique_ptr<BehaviorNode> CreateBehavior(const std::string& typeName);
bool IsBehaviorRegistered(const std::string& typeName);
// Deletes every cloner and empties the registry.
void ClearBehaviorRegistry();
