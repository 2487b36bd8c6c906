#include "Components/Logic/BehaviorTree.h"

#include "Composition.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Utilities/Diagnostics.h"

#include <utility>

BehaviorTree::BehaviorTree(const BehaviorTree& other)
	: ComponentBase(other), rootType(other.rootType), keptData(other.keptData), active(other.active)
{
	if (other.root == nullptr)
		return;
	Serializer stored;
	other.root->Serialize(stored);
	stored.SwitchToReading();
	BuildTree(stored);
}

bool BehaviorTree::Load(Serializer& serializer)
{
	serializer.Read(rootType);
	BuildTree(serializer);
	active = true;
	owner->RegisterHandler("ActivateBehaviors", &BehaviorTree::OnActivateBehaviors);
	return true;
}

void BehaviorTree::BuildTree(Serializer& serializer)
{
	const BehaviorBlockScope ownBlocks;
	root = CreateBehavior(rootType);
	keptData.reset();
	if (root == nullptr)
	{
		tw::Diagnostics::Report(DescribeTreeOwner(owner) + ": no behaviour is registered as root type \"" + rootType +
			"\"; the object has no tree and its data is kept");
		keptData = serializer.KeepRest();
		return;
	}
	root->owner = owner;
	root->Deserialize(serializer);
}

bool BehaviorTree::Serialize(Serializer& serializer)
{
	serializer.Write("rootType", rootType);
	if (root != nullptr)
		root->Serialize(serializer);
	else if (keptData != nullptr)
		serializer.WriteKept(*keptData);
	return true;
}

bool BehaviorTree::Start()
{
	if (root != nullptr)
		CallRoot([this] { BehaviorNode::ResetSubtree(*root); });
	owner->RegisterHandler("RevaluateBehavior", &BehaviorTree::OnRevaluateBehavior);
	return true;
}

bool BehaviorTree::Update()
{
	if (!active || root == nullptr)
		return true;
	switch (root->status)
	{
	case Ready:
		root->status = Running;
		CallRoot([this] { root->Start(); });
		break;
	case Running:
		CallRoot([this] { root->Update(); });
		break;
	default:
		Revaluate();
		break;
	}
	return true;
}

void BehaviorTree::Detach()
{
	root.reset();
}

void BehaviorTree::Revaluate()
{
	insideTree = true;
	root->Finish();
	BehaviorNode::ResetSubtree(*root);
	insideTree = false;
	// A request made during the revaluation is answered by it.
	revaluateRequested = false;
	root->status = Ready;
}

template <class Call>
void BehaviorTree::CallRoot(Call call)
{
	insideTree = true;
	call();
	insideTree = false;
	if (std::exchange(revaluateRequested, false))
		Revaluate();
}

void BehaviorTree::OnActivateBehaviors(Message::Reader reader)
{
	reader.Read(active);
}

void BehaviorTree::OnRevaluateBehavior(Message::Reader)
{
	if (root == nullptr)
		return;
	if (insideTree)
		revaluateRequested = true;
	else
		Revaluate();
}
