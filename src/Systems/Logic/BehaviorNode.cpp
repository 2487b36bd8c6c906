#include "Systems/Logic/BehaviorNode.h"

#include "Composition.h"
#include "Systems/Logic/BehaviorRegistry.h"
#include "Utilities/Diagnostics.h"

namespace
{
	constexpr const char* kTypeKey = "Behavior";
}

std::string DescribeTreeOwner(const Composition* owner)
{
	const std::string name = owner != nullptr ? owner->GetName() : std::string();
	const unsigned id = owner != nullptr ? owner->GetId() : 0;
	return "BehaviorTree of object '" + name + "' (" + std::to_string(id) + ")";
}

BehaviorNode::~BehaviorNode() = default;

void BehaviorNode::Deserialize(Serializer& serializer)
{
	children.clear();
	keptChildren.clear();
	std::vector<BehaviorChild> read;
	while (serializer.NextElement())
	{
		serializer.EnterNode("", "");
		ReadChild(serializer, read);
		serializer.LeaveNode();
	}
	// The list is made to measure once the children are read: in a tree's block it follows
	// them, with no space left behind by its growth.
	children.reserve(read.size());
	for (BehaviorChild& child : read)
		children.push_back(std::move(child));
}

void BehaviorNode::ReadChild(Serializer& serializer, std::vector<BehaviorChild>& read)
{
	const std::string type = serializer.ReadString();
	std::unique_ptr<BehaviorNode> child = CreateBehavior(type);
	if (child == nullptr)
	{
		tw::Diagnostics::Report(DescribeTreeOwner(owner) + ": no behaviour is registered as \"" + type +
			"\"; it is left out of the tree and saved back as it was");
		keptChildren.push_back({read.size(), type, serializer.KeepRest()});
		return;
	}
	ReadChildSettings(serializer);
	child->owner = owner;
	child->Deserialize(serializer);
	read.push_back({type, std::move(child)});
}

void BehaviorNode::Serialize(Serializer& serializer) const
{
	std::size_t kept = 0;
	for (std::size_t index = 0; index <= children.size(); ++index)
	{
		for (; kept < keptChildren.size() && keptChildren[kept].position == index; ++kept)
		{
			serializer.EnterNode("", "");
			serializer.Write(kTypeKey, keptChildren[kept].type);
			serializer.WriteKept(*keptChildren[kept].data);
			serializer.LeaveNode();
		}
		if (index < children.size())
			WriteChild(serializer, index);
	}
}

void BehaviorNode::WriteChild(Serializer& serializer, std::size_t index) const
{
	serializer.EnterNode("", "");
	serializer.Write(kTypeKey, children[index].type);
	WriteChildSettings(serializer, index);
	children[index].node->Serialize(serializer);
	serializer.LeaveNode();
}

void BehaviorNode::ReadChildSettings(Serializer&)
{
}

void BehaviorNode::WriteChildSettings(Serializer&, std::size_t) const
{
}

void BehaviorNode::ResetSubtree(BehaviorNode& node)
{
	for (BehaviorChild& child : node.children)
	{
		if (child.node->status == Running)
		{
			ResetSubtree(*child.node);
			child.node->Finish();
		}
		child.node->status = Ready;
	}
}

void BehaviorNode::StartChild(BehaviorNode& child)
{
	child.status = Running;
	child.Start();
}
