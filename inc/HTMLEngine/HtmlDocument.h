// HtmlDocument: the DOM of one page, the single truth about its content: gumbo parses markup into
// it, scripts change it, and layout is rebuilt from it. The document owns every node it made,
// attached or not; a node a script never saw is freed as soon as it leaves the tree (innerHTML
// replacing the children of a counter every frame must not pile up nodes). A node's script wrapper
// is held strongly while the node is in the document and weakly while it is out of it: once a
// script can no longer reach a removed node, its wrapper is collected and the node freed at the
// next FreeCollected. Nodes carry the script handles that belong to them (wrapper, style object,
// handlers, listeners); DropScriptHandles resets them all when the page's script ends, and leaves
// the objects that scripts of other pages may still hold standing for nothing.
#pragma once

#include <v8-function.h>
#include <v8-persistent-handle.h>

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

class HtmlDocument;

class HtmlNode
{
public:
	enum class Type
	{
		Document,
		Element,
		Text,
		Comment
	};

	HtmlNode(Type type, unsigned id, std::string name) : type(type), id(id), name(std::move(name))
	{
	}

	bool IsElement() const
	{
		return type == Type::Element;
	}
	// The attribute's value, or null.
	const std::string* GetAttribute(std::string_view attribute) const;
	void SetAttribute(std::string_view attribute, std::string value);
	// The text of every text node below, in document order.
	std::string TextContent() const;
	// True when the class attribute lists className.
	bool HasClass(std::string_view className) const;

	HtmlDocument* owner = nullptr;
	const Type type;
	// Stable while the page lives: layout marks its boxes with it to find the node again.
	const unsigned id;
	// Lowercase tag name for elements; the text of text and comment nodes.
	std::string name;
	std::vector<std::pair<std::string, std::string>> attributes;
	HtmlNode* parent = nullptr;
	std::vector<HtmlNode*> children;

	// Script side: the node's object, its style object, "on..." handlers set from scripts, and
	// addEventListener's listeners as (type, function).
	v8::Global<v8::Object> wrapper;
	v8::Global<v8::Object> styleObject;
	std::vector<std::pair<std::string, v8::Global<v8::Function>>> handlers;
	std::vector<std::pair<std::string, v8::Global<v8::Function>>> listeners;
};

class HtmlDocument
{
public:
	HtmlDocument();

	HtmlNode& Root()
	{
		return *root;
	}
	const HtmlNode& Root() const
	{
		return *root;
	}
	HtmlNode* Create(HtmlNode::Type type, std::string name);
	// The body element (the document's first html > body), or null.
	HtmlNode* Body() const;

	// Tree changes; each marks the document changed. A child already in a tree leaves it first.
	// False (and nothing changes) when the change would make a node its own ancestor or ref is not
	// a child of parent.
	bool InsertBefore(HtmlNode& parent, HtmlNode& child, HtmlNode* ref);
	void Remove(HtmlNode& child);
	// Removes every child of parent (freeing those no script holds).
	void ClearChildren(HtmlNode& parent);

	HtmlNode* FindById(std::string_view id) const;
	std::vector<HtmlNode*> FindByTag(const HtmlNode& from, std::string_view tag) const;
	std::vector<HtmlNode*> FindByClass(const HtmlNode& from, std::string_view className) const;
	HtmlNode* FromId(unsigned id) const;
	// How many nodes the document holds, in the tree or not.
	std::size_t Size() const
	{
		return nodes.size();
	}

	// Set by every change of the tree, an attribute or a style; the view clears it once laid out.
	bool changed = true;

	// The script objects standing for nodes (wrappers and style objects) hold the node, a tag that
	// tells them from other native objects, and the node's id, so that a document checks an object
	// against its own nodes without reading a node that may be gone.
	static constexpr int kScriptObjectFields = 3;
	static void BindScriptObject(v8::Local<v8::Object> object, HtmlNode& node);
	// The node of this document that value stands for, or null.
	HtmlNode* NodeOf(v8::Local<v8::Value> value) const;

	// The page's script ends: every script object of a node stands for nothing from now on (another
	// page's script may hold it), and every handle is reset.
	void DropScriptHandles(v8::Isolate* isolate);
	// Sets the node's new wrapper, held as the node's place in the tree says.
	void AdoptWrapper(HtmlNode& node, v8::Isolate* isolate, v8::Local<v8::Object> wrapper);
	// Frees the removed nodes whose wrappers were collected since the last call.
	void FreeCollected();
	// Only the "on..." handlers set from scripts and the listeners.
	void DropHandlers();

private:
	void FreeUnheld(HtmlNode& node);
	bool InDocument(const HtmlNode& node) const;
	// Holds the wrappers of top and everything below it strongly or weakly.
	void HoldWrappers(HtmlNode& top, bool strongly);
	static void WrapperCollected(const v8::WeakCallbackInfo<HtmlNode>& data);

	std::unordered_map<unsigned, std::unique_ptr<HtmlNode>> nodes;
	unsigned nextId = 0;
	HtmlNode* root;
	std::vector<unsigned> collected;
};
