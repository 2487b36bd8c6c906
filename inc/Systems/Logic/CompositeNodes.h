// The composite behaviour nodes that arrange their children and have no fields of their own:
// SequenceNode runs all in order and stops at the first failure, OrderedSelectorNode runs them in
// order and stops at the first success, RandomSelectorNode tries untried children at random until
// one succeeds, NonDeterministicNode runs all in random order and stops at the first failure.
// Each treats a child found Ready as failed, and starts no child when it has none (it fails).
#pragma once

#include "Systems/Logic/BehaviorNode.h"

#include <vector>

class SequenceNode : public BehaviorNode
{
public:
	void Start() override;
	void Update() override;
	void Finish() override {}

protected:
	// Ends the run at the last child, or starts the next one; result is the status at the end.
	void StartNextOrEnd(BehaviorStatus result);

	// Starts child current, which is the one being run from now on.
	void StartCurrent();

	// Index of the child being run.
	unsigned current = 0;
	// The node of child current, looked at in every update without going through the records.
	BehaviorNode* running = nullptr;
};

class OrderedSelectorNode final : public SequenceNode
{
public:
	void Update() override;
};

// What both random composites share: the children not yet tried in this run, taken at random.
class RandomOrderNode : public BehaviorNode
{
public:
	void Finish() override {}

protected:
	// Every child untried; false when there are none (the run then fails).
	bool BeginRun();
	// Takes a random untried child into currentNode and starts it.
	void StartRandomChild();

	BehaviorNode* currentNode = nullptr;
	std::vector<BehaviorNode*> untried;
};

class RandomSelectorNode final : public RandomOrderNode
{
public:
	void Start() override;
	void Update() override;
};

// Starts its first child one update after its own start, and each further child one update after
// it saw the previous one succeed.
class NonDeterministicNode final : public RandomOrderNode
{
public:
	void Start() override;
	void Update() override;
};
