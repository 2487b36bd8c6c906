#include "Systems/Logic/CompositeNodes.h"

#include "Utilities/Random.h"

namespace
{
	bool Failed(BehaviorStatus status)
	{
		return status == Failure || status == Ready;
	}
}

void SequenceNode::Start()
{
	if (children.empty())
	{
		status = Failure;
		return;
	}
	current = 0;
	StartCurrent();
}

void SequenceNode::StartCurrent()
{
	running = children[current].node.get();
	StartChild(*running);
}

void SequenceNode::StartNextOrEnd(BehaviorStatus result)
{
	if (++current < children.size())
		StartCurrent();
	else
		status = result;
}

void SequenceNode::Update()
{
	BehaviorNode& child = *running;
	if (child.status == Running)
		child.Update();
	else if (Failed(child.status))
	{
		child.Finish();
		status = Failure;
	}
	else
	{
		child.Finish();
		StartNextOrEnd(Success);
	}
}

void OrderedSelectorNode::Update()
{
	BehaviorNode& child = *running;
	if (child.status == Running)
		child.Update();
	else if (Failed(child.status))
	{
		child.Finish();
		StartNextOrEnd(Failure);
	}
	else
	{
		child.Finish();
		status = Success;
	}
}

bool RandomOrderNode::BeginRun()
{
	untried.clear();
	for (const BehaviorChild& child : children)
		untried.push_back(child.node.get());
	return !untried.empty();
}

void RandomOrderNode::StartRandomChild()
{
	const auto index = static_cast<unsigned>(tw::Rand()) % static_cast<unsigned>(untried.size());
	currentNode = untried[index];
	// The records behind the chosen one move up a place.
	untried.erase(untried.begin() + index);
	StartChild(*currentNode);
}

void RandomSelectorNode::Start()
{
	if (!BeginRun())
	{
		status = Failure;
		return;
	}
	StartRandomChild();
}

void RandomSelectorNode::Update()
{
	if (currentNode->status == Running)
		currentNode->Update();
	else if (Failed(currentNode->status))
	{
		currentNode->Finish();
		if (untried.empty())
			status = Failure;
		else
			StartRandomChild();
	}
	else
	{
		currentNode->Finish();
		status = Success;
	}
}

void NonDeterministicNode::Start()
{
	currentNode = nullptr;
	if (!BeginRun())
		status = Failure;
}

void NonDeterministicNode::Update()
{
	if (currentNode == nullptr)
		StartRandomChild();
	else if (currentNode->status == Running)
		currentNode->Update();
	else if (Failed(currentNode->status))
	{
		currentNode->Finish();
		status = Failure;
	}
	else
	{
		currentNode->Finish();
		currentNode = nullptr;
		if (untried.empty())
			status = Success;
	}
}
