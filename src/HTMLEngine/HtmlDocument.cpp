#include "HTMLEngine/HtmlDocument.h"

#include <v8-primitive.h>

#include <algorithm>
#include <functional>
#include <utility>

namespace
{
	// Visits every node below from (not from itself) in document order.
	void ForEachBelow(const HtmlNode& from, const std::function<void(HtmlNode&)>& visit)
	{
		std::vector<HtmlNode*> pending(from.children.rbegin(), from.children.rend());
		while (!pending.empty())
		{
			HtmlNode* node = pending.back();
			pending.pop_back();
			visit(*node);
			pending.insert(pending.end(), node->children.rbegin(), node->children.rend());
		}
	}

	std::vector<HtmlNode*> Collect(const HtmlNode& from, const std::function<bool(const HtmlNode&)>& matches)
	{
		std::vector<HtmlNode*> found;
		ForEachBelow(from, [&](HtmlNode& node) {
			if (node.IsElement() && matches(node))
				found.push_back(&node);
		});
		return found;
	}

	enum ScriptObjectField
	{
		kNodeField,
		kTagField,
		kIdField
	};

	const void* NodeTag()
	{
		static const int tag = 0;
		return &tag;
	}

	bool IsScriptObject(v8::Local<v8::Object> object)
	{
		return object->InternalFieldCount() == HtmlDocument::kScriptObjectFields &&
			object->GetAlignedPointerFromInternalField(kTagField) == NodeTag();
	}

	void Unbind(v8::Isolate* isolate, const v8::Global<v8::Object>& handle)
	{
		if (handle.IsEmpty())
			return;
		// Only an object made to stand for a node has the field to clear.
		if (const v8::Local<v8::Object> object = handle.Get(isolate); IsScriptObject(object))
			object->SetAlignedPointerInInternalField(kNodeField, nullptr);
	}

	bool HeldByScript(const HtmlNode& node)
	{
		bool held = !node.wrapper.IsEmpty();
		ForEachBelow(node, [&](HtmlNode& below) { held = held || !below.wrapper.IsEmpty(); });
		return held;
	}
}

const std::string* HtmlNode::GetAttribute(std::string_view attribute) const
{
	for (const auto& [key, value] : attributes)
		if (key == attribute)
			return &value;
	return nullptr;
}

void HtmlNode::SetAttribute(std::string_view attribute, std::string value)
{
	for (auto& [key, old] : attributes)
		if (key == attribute)
		{
			old = std::move(value);
			return;
		}
	attributes.emplace_back(std::string(attribute), std::move(value));
}

std::string HtmlNode::TextContent() const
{
	if (type == Type::Text)
		return name;
	std::string text;
	ForEachBelow(*this, [&](HtmlNode& node) {
		if (node.type == Type::Text)
			text += node.name;
	});
	return text;
}

bool HtmlNode::HasClass(std::string_view className) const
{
	const std::string* classes = GetAttribute("class");
	if (classes == nullptr || className.empty())
		return false;
	std::string_view rest = *classes;
	while (!rest.empty())
	{
		const std::size_t start = rest.find_first_not_of(" \t\n\r\f");
		if (start == std::string_view::npos)
			break;
		rest.remove_prefix(start);
		const std::size_t end = std::min(rest.find_first_of(" \t\n\r\f"), rest.size());
		if (rest.substr(0, end) == className)
			return true;
		rest.remove_prefix(end);
	}
	return false;
}

HtmlDocument::HtmlDocument() : root(Create(HtmlNode::Type::Document, "#document"))
{
}

HtmlNode* HtmlDocument::Create(HtmlNode::Type type, std::string name)
{
	const unsigned id = nextId++;
	auto node = std::make_unique<HtmlNode>(type, id, std::move(name));
	HtmlNode* made = node.get();
	made->owner = this;
	nodes.emplace(id, std::move(node));
	return made;
}

HtmlNode* HtmlDocument::Body() const
{
	for (HtmlNode* html : root->children)
		if (html->IsElement() && html->name == "html")
			for (HtmlNode* child : html->children)
				if (child->IsElement() && child->name == "body")
					return child;
	return nullptr;
}

bool HtmlDocument::InsertBefore(HtmlNode& parent, HtmlNode& child, HtmlNode* ref)
{
	for (const HtmlNode* ancestor = &parent; ancestor != nullptr; ancestor = ancestor->parent)
		if (ancestor == &child)
			return false;
	if (ref != nullptr && ref->parent != &parent)
		return false;
	if (child.type == HtmlNode::Type::Document || ref == &child)
		return ref == &child;
	if (child.parent != nullptr)
	{
		auto& siblings = child.parent->children;
		siblings.erase(std::find(siblings.begin(), siblings.end(), &child));
	}
	const auto at = ref != nullptr ? std::find(parent.children.begin(), parent.children.end(), ref) : parent.children.end();
	const bool wasIn = child.parent != nullptr && InDocument(child);
	parent.children.insert(at, &child);
	child.parent = &parent;
	changed = true;
	// A move between the document and a detached tree changes how its wrappers are held, either way.
	if (const bool isIn = InDocument(child); isIn != wasIn)
		HoldWrappers(child, isIn);
	return true;
}

void HtmlDocument::Remove(HtmlNode& child)
{
	if (child.parent == nullptr)
		return;
	const bool wasIn = InDocument(child);
	auto& siblings = child.parent->children;
	siblings.erase(std::find(siblings.begin(), siblings.end(), &child));
	child.parent = nullptr;
	changed = true;
	if (wasIn)
		HoldWrappers(child, false);
	FreeUnheld(child);
}

void HtmlDocument::ClearChildren(HtmlNode& parent)
{
	while (!parent.children.empty())
		Remove(*parent.children.back());
}

void HtmlDocument::FreeUnheld(HtmlNode& node)
{
	// A subtree some script holds a node of stays whole: the script may put it back.
	if (HeldByScript(node))
		return;
	std::vector<unsigned> ids{node.id};
	ForEachBelow(node, [&](HtmlNode& below) { ids.push_back(below.id); });
	for (unsigned id : ids)
		nodes.erase(id);
}

HtmlNode* HtmlDocument::FindById(std::string_view id) const
{
	HtmlNode* found = nullptr;
	ForEachBelow(*root, [&](HtmlNode& node) {
		const std::string* value = node.GetAttribute("id");
		if (found == nullptr && node.IsElement() && value != nullptr && *value == id)
			found = &node;
	});
	return found;
}

std::vector<HtmlNode*> HtmlDocument::FindByTag(const HtmlNode& from, std::string_view tag) const
{
	return Collect(from, [&](const HtmlNode& node) { return tag == "*" || node.name == tag; });
}

std::vector<HtmlNode*> HtmlDocument::FindByClass(const HtmlNode& from, std::string_view className) const
{
	return Collect(from, [&](const HtmlNode& node) { return node.HasClass(className); });
}

HtmlNode* HtmlDocument::FromId(unsigned id) const
{
	const auto found = nodes.find(id);
	return found == nodes.end() ? nullptr : found->second.get();
}

void HtmlDocument::BindScriptObject(v8::Local<v8::Object> object, HtmlNode& node)
{
	object->SetAlignedPointerInInternalField(kNodeField, &node);
	object->SetAlignedPointerInInternalField(kTagField, const_cast<void*>(NodeTag()));
	object->SetInternalField(kIdField, v8::Integer::NewFromUnsigned(object->GetIsolate(), node.id));
}

HtmlNode* HtmlDocument::NodeOf(v8::Local<v8::Value> value) const
{
	if (value.IsEmpty() || !value->IsObject())
		return nullptr;
	const v8::Local<v8::Object> object = value.As<v8::Object>();
	if (!IsScriptObject(object))
		return nullptr;
	// The node is compared, never read: a wrapper of another page's node may outlive that node.
	const auto* node = static_cast<HtmlNode*>(object->GetAlignedPointerFromInternalField(kNodeField));
	const v8::Local<v8::Value> id = object->GetInternalField(kIdField);
	if (node == nullptr || !id->IsUint32())
		return nullptr;
	HtmlNode* found = FromId(id.As<v8::Uint32>()->Value());
	return found == node ? found : nullptr;
}

void HtmlDocument::DropScriptHandles(v8::Isolate* isolate)
{
	v8::HandleScope scope(isolate);
	for (auto& [id, node] : nodes)
	{
		Unbind(isolate, node->wrapper);
		Unbind(isolate, node->styleObject);
		node->wrapper.Reset();
		node->styleObject.Reset();
	}
	DropHandlers();
}

void HtmlDocument::DropHandlers()
{
	for (auto& [id, node] : nodes)
	{
		node->handlers.clear();
		node->listeners.clear();
	}
}

bool HtmlDocument::InDocument(const HtmlNode& node) const
{
	const HtmlNode* top = &node;
	while (top->parent != nullptr)
		top = top->parent;
	return top == root;
}

void HtmlDocument::HoldWrappers(HtmlNode& top, bool strongly)
{
	const auto hold = [strongly](HtmlNode& node) {
		if (node.wrapper.IsEmpty())
			return;
		if (strongly)
			node.wrapper.ClearWeak();
		else
			node.wrapper.SetWeak(&node, &WrapperCollected, v8::WeakCallbackType::kParameter);
	};
	hold(top);
	ForEachBelow(top, hold);
}

void HtmlDocument::AdoptWrapper(HtmlNode& node, v8::Isolate* isolate, v8::Local<v8::Object> wrapper)
{
	node.wrapper.Reset(isolate, wrapper);
	if (!InDocument(node))
		node.wrapper.SetWeak(&node, &WrapperCollected, v8::WeakCallbackType::kParameter);
}

void HtmlDocument::WrapperCollected(const v8::WeakCallbackInfo<HtmlNode>& data)
{
	// Only the handle may be touched while the collector runs: the node goes at FreeCollected.
	HtmlNode* node = data.GetParameter();
	node->wrapper.Reset();
	node->owner->collected.push_back(node->id);
}

void HtmlDocument::FreeCollected()
{
	for (const unsigned id : std::exchange(collected, {}))
	{
		HtmlNode* node = FromId(id);
		if (node == nullptr || !node->wrapper.IsEmpty())
			continue;
		HtmlNode* top = node;
		while (top->parent != nullptr)
			top = top->parent;
		if (top != root)
			FreeUnheld(*top);
	}
}
