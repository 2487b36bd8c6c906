#include "HTMLEngine/DomBindings.h"

#include "HTMLEngine/HtmlDocument.h"
#include "HTMLEngine/HtmlMarkup.h"
#include "HTMLEngine/HtmlParser.h"

#include <v8-array-buffer.h>
#include <v8-container.h>
#include <v8-exception.h>
#include <v8-external.h>
#include <v8-function.h>
#include <v8-primitive.h>

#include <algorithm>
#include <cctype>
#include <iostream>
#include <optional>

namespace
{
	using Info = v8::FunctionCallbackInfo<v8::Value>;
	using GetterInfo = v8::PropertyCallbackInfo<v8::Value>;
	using SetterInfo = v8::PropertyCallbackInfo<void>;

	v8::Local<v8::String> Text(v8::Isolate* isolate, const std::string& text)
	{
		return v8::String::NewFromUtf8(isolate, text.c_str(), v8::NewStringType::kNormal, static_cast<int>(text.size()))
			.FromMaybe(v8::String::Empty(isolate));
	}

	std::string Utf8(v8::Isolate* isolate, v8::Local<v8::String> text)
	{
		v8::String::Utf8Value bytes(isolate, text);
		return *bytes != nullptr ? std::string(*bytes, static_cast<std::size_t>(bytes.length())) : std::string();
	}

	// The text of a value a page passed. Making it may run the page's own script (a toString, a
	// valueOf, a getter on the way), which may throw or be stopped: then there is none, the
	// exception stands, and the caller does nothing more, least of all make a node's wrapper.
	std::optional<std::string> TextOf(v8::Isolate* isolate, v8::Local<v8::Value> value)
	{
		if (value.IsEmpty() || value->IsUndefined() || value->IsNull())
			return std::string();
		v8::Local<v8::String> text;
		if (!value->ToString(isolate->GetCurrentContext()).ToLocal(&text))
			return std::nullopt;
		return Utf8(isolate, text);
	}

	// The page a callback acts for. Once it has ended, a script of another page that kept one of its
	// objects or functions gets a script error instead: nothing of the page is left to act on.
	PageScript* LivePage(v8::Isolate* isolate, v8::Local<v8::Context> context)
	{
		PageScript* page = PageScript::Of(context);
		if (page == nullptr)
			isolate->ThrowException(v8::Exception::Error(Text(isolate, "the page this object belongs to has ended")));
		return page;
	}

	// A function runs in the context it was made in, which is its page's.
	PageScript* PageOf(const Info& info)
	{
		return LivePage(info.GetIsolate(), info.GetIsolate()->GetCurrentContext());
	}

	// An accessor runs in its caller's context, which may be another page's: its page is the one
	// whose context made the receiver.
	template <class Value>
	PageScript* PageOf(const v8::PropertyCallbackInfo<Value>& info)
	{
		v8::Local<v8::Context> context;
		if (!info.This()->GetCreationContext().ToLocal(&context))
			context = info.GetIsolate()->GetCurrentContext();
		return LivePage(info.GetIsolate(), context);
	}

	// The node behind a value, when it is a node of this page.
	HtmlNode* NodeOf(PageScript& page, v8::Local<v8::Value> value)
	{
		return page.GetDocument().NodeOf(value);
	}

	template <class CallbackInfo>
	HtmlNode* This(const CallbackInfo& info)
	{
		PageScript* page = PageOf(info);
		return page != nullptr ? NodeOf(*page, info.This()) : nullptr;
	}

	v8::MaybeLocal<v8::Value> WrapOrNull(PageScript& page, HtmlNode* node)
	{
		v8::Local<v8::Object> wrapper;
		if (node == nullptr)
			return v8::Null(page.GetContext()->GetIsolate());
		if (!page.Wrap(*node).ToLocal(&wrapper))
			return {};
		return wrapper;
	}

	// None when a node's wrapper cannot be made.
	v8::MaybeLocal<v8::Value> NodeList(PageScript& page, const std::vector<HtmlNode*>& nodes)
	{
		v8::Local<v8::Context> context = page.GetContext();
		v8::Local<v8::Array> list = v8::Array::New(context->GetIsolate(), static_cast<int>(nodes.size()));
		for (std::size_t i = 0; i < nodes.size(); ++i)
		{
			v8::Local<v8::Object> wrapper;
			if (!page.Wrap(*nodes[i]).ToLocal(&wrapper))
				return {};
			(void)list->CreateDataProperty(context, static_cast<uint32_t>(i), wrapper).FromMaybe(false);
		}
		return list;
	}

	// Returns what was made, if anything was.
	template <class CallbackInfo, class Value>
	void Return(const CallbackInfo& info, v8::MaybeLocal<Value> made)
	{
		v8::Local<Value> value;
		if (made.ToLocal(&value))
			info.GetReturnValue().Set(value);
	}

	void Changed(PageScript& page)
	{
		page.GetDocument().changed = true;
	}

	std::string Lower(std::string text)
	{
		std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
		return text;
	}

	// A tag or attribute name the markup written back (and laid out) keeps whole: one that held a
	// '>' or a space would end its tag there, and what follows would be read as elements the page
	// never made.
	bool IsName(const std::string& name)
	{
		return !name.empty() && name.find_first_of(" \t\n\r\f<>/\"'=") == std::string::npos;
	}

	// Declarations of a style attribute: "name: value; ..." in order.
	std::vector<std::pair<std::string, std::string>> Declarations(const std::string& style)
	{
		std::vector<std::pair<std::string, std::string>> declarations;
		std::size_t start = 0;
		while (start < style.size())
		{
			const std::size_t end = std::min(style.find(';', start), style.size());
			const std::string item = style.substr(start, end - start);
			const std::size_t colon = item.find(':');
			const auto trim = [](std::string text) {
				const std::size_t first = text.find_first_not_of(" \t\r\n");
				const std::size_t last = text.find_last_not_of(" \t\r\n");
				return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
			};
			if (colon != std::string::npos && !trim(item.substr(0, colon)).empty())
				declarations.emplace_back(Lower(trim(item.substr(0, colon))), trim(item.substr(colon + 1)));
			start = end + 1;
		}
		return declarations;
	}

	// fontSize -> font-size, cssFloat -> float.
	std::string CssName(const std::string& property)
	{
		if (property == "cssFloat")
			return "float";
		std::string name;
		for (char c : property)
		{
			if (std::isupper(static_cast<unsigned char>(c)))
				name += '-';
			name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
		}
		return name;
	}

	void SetDeclaration(HtmlNode& node, const std::string& name, const std::string& value)
	{
		const std::string* style = node.GetAttribute("style");
		auto declarations = Declarations(style != nullptr ? *style : std::string());
		const auto found = std::find_if(declarations.begin(), declarations.end(), [&](const auto& d) { return d.first == name; });
		if (found != declarations.end())
			declarations.erase(found);
		if (!value.empty())
			declarations.emplace_back(name, value);
		std::string text;
		for (const auto& [key, declared] : declarations)
			text += key + ": " + declared + "; ";
		if (!text.empty())
			text.pop_back();
		node.SetAttribute("style", text);
	}

	// Accessors of nodes: name, getter and (for writable ones) setter.
	struct Accessor
	{
		const char* name;
		v8::AccessorGetterCallback get;
		v8::AccessorSetterCallback set;
	};

	void SetText(HtmlNode& node, PageScript& page, const std::string& text)
	{
		if (node.type == HtmlNode::Type::Text || node.type == HtmlNode::Type::Comment)
			node.name = text;
		else
		{
			page.GetDocument().ClearChildren(node);
			if (!text.empty())
				page.GetDocument().InsertBefore(node, *page.GetDocument().Create(HtmlNode::Type::Text, text), nullptr);
		}
		Changed(page);
	}

	constexpr char kId[] = "id";
	constexpr char kClass[] = "class";

	// The attribute as a property of the node.
	template <const char* attribute>
	void GetAttribute(v8::Local<v8::String>, const GetterInfo& info)
	{
		HtmlNode* node = This(info);
		const std::string* value = node != nullptr ? node->GetAttribute(attribute) : nullptr;
		if (node != nullptr)
			info.GetReturnValue().Set(Text(info.GetIsolate(), value != nullptr ? *value : std::string()));
	}

	template <const char* attribute>
	void SetAttribute(v8::Local<v8::String>, v8::Local<v8::Value> value, const SetterInfo& info)
	{
		HtmlNode* node = This(info);
		const std::optional<std::string> text = node != nullptr ? TextOf(info.GetIsolate(), value) : std::nullopt;
		if (text)
		{
			node->SetAttribute(attribute, *text);
			Changed(*PageOf(info));
		}
	}

	HtmlNode* Sibling(HtmlNode* node, int step)
	{
		if (node == nullptr || node->parent == nullptr)
			return nullptr;
		const auto& siblings = node->parent->children;
		const auto at = std::find(siblings.begin(), siblings.end(), node) - siblings.begin() + step;
		return at >= 0 && at < static_cast<long>(siblings.size()) ? siblings[static_cast<std::size_t>(at)] : nullptr;
	}

	// A node related to this one (parent, a child, a sibling), or null.
	template <HtmlNode* (*relation)(HtmlNode&)>
	void Related(v8::Local<v8::String>, const GetterInfo& info)
	{
		if (HtmlNode* node = This(info))
			Return(info, WrapOrNull(*PageOf(info), relation(*node)));
	}

	const Accessor kAccessors[] = {
		{"id", GetAttribute<kId>, SetAttribute<kId>},
		{"className", GetAttribute<kClass>, SetAttribute<kClass>},
		{"innerHTML",
			[](v8::Local<v8::String>, const GetterInfo& info) {
				if (HtmlNode* node = This(info))
					info.GetReturnValue().Set(Text(info.GetIsolate(), HtmlMarkup::Inner(*node)));
			},
			[](v8::Local<v8::String>, v8::Local<v8::Value> value, const SetterInfo& info) {
				HtmlNode* node = This(info);
				const std::optional<std::string> markup = node != nullptr && node->IsElement() ? TextOf(info.GetIsolate(), value) : std::nullopt;
				if (!markup)
					return;
				PageScript& page = *PageOf(info);
				std::string error;
				if (!HtmlParser::ParseFragment(*markup, page.GetDocument(), *node, error))
					page.Report(page.GetPageName(), 0, "innerHTML of <" + node->name + "> refused: " + error);
				Changed(page);
			}},
		{"textContent",
			[](v8::Local<v8::String>, const GetterInfo& info) {
				if (HtmlNode* node = This(info))
					info.GetReturnValue().Set(Text(info.GetIsolate(), node->TextContent()));
			},
			[](v8::Local<v8::String>, v8::Local<v8::Value> value, const SetterInfo& info) {
				HtmlNode* node = This(info);
				if (const std::optional<std::string> text = node != nullptr ? TextOf(info.GetIsolate(), value) : std::nullopt)
					SetText(*node, *PageOf(info), *text);
			}},
		{"tagName",
			[](v8::Local<v8::String>, const GetterInfo& info) {
				HtmlNode* node = This(info);
				if (node != nullptr && node->IsElement())
				{
					std::string upper = node->name;
					std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
					info.GetReturnValue().Set(Text(info.GetIsolate(), upper));
				}
			},
			nullptr},
		{"nodeType",
			[](v8::Local<v8::String>, const GetterInfo& info) {
				static constexpr int kTypes[] = {9, 1, 3, 8};
				if (HtmlNode* node = This(info))
					info.GetReturnValue().Set(kTypes[static_cast<int>(node->type)]);
			},
			nullptr},
		{"parentNode", Related<[](HtmlNode& node) { return node.parent; }>, nullptr},
		{"firstChild", Related<[](HtmlNode& node) { return node.children.empty() ? nullptr : node.children.front(); }>, nullptr},
		{"lastChild", Related<[](HtmlNode& node) { return node.children.empty() ? nullptr : node.children.back(); }>, nullptr},
		{"nextSibling", Related<[](HtmlNode& node) { return Sibling(&node, 1); }>, nullptr},
		{"previousSibling", Related<[](HtmlNode& node) { return Sibling(&node, -1); }>, nullptr},
		{"childNodes", [](v8::Local<v8::String>, const GetterInfo& info) {
			 if (HtmlNode* node = This(info))
				 Return(info, NodeList(*PageOf(info), node->children));
		 }, nullptr},
		{"children", [](v8::Local<v8::String>, const GetterInfo& info) {
			 if (HtmlNode* node = This(info))
			 {
				 std::vector<HtmlNode*> elements;
				 std::copy_if(node->children.begin(), node->children.end(), std::back_inserter(elements), [](const HtmlNode* child) { return child->IsElement(); });
				 Return(info, NodeList(*PageOf(info), elements));
			 }
		 }, nullptr},
		{"style", [](v8::Local<v8::String>, const GetterInfo& info) {
			 if (HtmlNode* node = This(info); node != nullptr && node->IsElement())
				 Return(info, PageOf(info)->StyleOf(*node));
		 }, nullptr},
		{"body", [](v8::Local<v8::String>, const GetterInfo& info) {
			 if (PageScript* page = PageOf(info))
				 Return(info, WrapOrNull(*page, page->GetDocument().Body()));
		 }, nullptr},
		{"documentElement", [](v8::Local<v8::String>, const GetterInfo& info) {
			 PageScript* page = PageOf(info);
			 if (page == nullptr)
				 return;
			 const auto& top = page->GetDocument().Root().children;
			 const auto html = std::find_if(top.begin(), top.end(), [](const HtmlNode* node) { return node->IsElement(); });
			 Return(info, WrapOrNull(*page, html != top.end() ? *html : nullptr));
		 }, nullptr},
	};

	// "on..." handler properties: a function set from script, or the attribute's text.
	constexpr const char* kHandlers[] = {"onclick", "onmousedown", "onmouseup", "onmousemove", "onkeydown", "onkeyup",
		"onkeypress", "onload"};

	void HandlerGetter(v8::Local<v8::String> property, const GetterInfo& info)
	{
		HtmlNode* node = This(info);
		const std::string name = Utf8(info.GetIsolate(), property);
		if (node == nullptr)
			return;
		for (auto& [key, handler] : node->handlers)
			if (key == name)
				return info.GetReturnValue().Set(handler.Get(info.GetIsolate()));
		info.GetReturnValue().SetNull();
	}

	void HandlerSetter(v8::Local<v8::String> property, v8::Local<v8::Value> value, const SetterInfo& info)
	{
		HtmlNode* node = This(info);
		if (node == nullptr)
			return;
		const std::string name = Utf8(info.GetIsolate(), property);
		std::erase_if(node->handlers, [&](const auto& entry) { return entry.first == name; });
		if (value->IsFunction())
			node->handlers.emplace_back(name, v8::Global<v8::Function>(info.GetIsolate(), value.As<v8::Function>()));
	}

	struct Method
	{
		const char* name;
		v8::FunctionCallback call;
	};

	void Insert(const Info& info, HtmlNode* ref)
	{
		HtmlNode* parent = This(info);
		if (parent == nullptr)
			return;
		PageScript& page = *PageOf(info);
		HtmlNode* child = NodeOf(page, info[0]);
		if (child == nullptr || !page.GetDocument().InsertBefore(*parent, *child, ref))
		{
			info.GetIsolate()->ThrowException(v8::Exception::Error(Text(info.GetIsolate(), "the node cannot be inserted there")));
			return;
		}
		info.GetReturnValue().Set(info[0]);
	}

	void Listen(const Info& info, bool add)
	{
		PageScript* page = PageOf(info);
		if (page == nullptr)
			return;
		HtmlNode* node = NodeOf(*page, info.This());
		const std::optional<std::string> type = TextOf(info.GetIsolate(), info[0]);
		if (!type || !info[1]->IsFunction())
			return;
		v8::Local<v8::Function> listener = info[1].As<v8::Function>();
		if (node == nullptr)
		{
			// The window (the global object).
			if (add)
				page->AddWindowListener(*type, listener);
			return;
		}
		std::erase_if(node->listeners, [&](const auto& entry) { return entry.first == *type && entry.second == listener; });
		if (add)
			node->listeners.emplace_back(*type, v8::Global<v8::Function>(info.GetIsolate(), listener));
	}

	void Search(const Info& info, bool byClass)
	{
		HtmlNode* from = This(info);
		if (from == nullptr)
			return;
		PageScript& page = *PageOf(info);
		const std::optional<std::string> key = TextOf(info.GetIsolate(), info[0]);
		if (key)
			Return(info, NodeList(page, byClass ? page.GetDocument().FindByClass(*from, *key)
												: page.GetDocument().FindByTag(*from, Lower(*key))));
	}

	const Method kMethods[] = {
		{"appendChild", [](const Info& info) { Insert(info, nullptr); }},
		{"insertBefore",
			[](const Info& info) {
				PageScript* page = PageOf(info);
				if (page == nullptr)
					return;
				HtmlNode* ref = NodeOf(*page, info[1]);
				if (ref == nullptr && !info[1]->IsNullOrUndefined())
				{
					info.GetIsolate()->ThrowException(v8::Exception::Error(Text(info.GetIsolate(), "insertBefore: the reference is not a node")));
					return;
				}
				Insert(info, ref);
			}},
		{"removeChild",
			[](const Info& info) {
				HtmlNode* parent = This(info);
				if (parent == nullptr)
					return;
				PageScript& page = *PageOf(info);
				HtmlNode* child = NodeOf(page, info[0]);
				if (child == nullptr || child->parent != parent)
				{
					info.GetIsolate()->ThrowException(v8::Exception::Error(Text(info.GetIsolate(), "removeChild: not a child of this node")));
					return;
				}
				page.GetDocument().Remove(*child);
				info.GetReturnValue().Set(info[0]);
			}},
		{"getAttribute",
			[](const Info& info) {
				HtmlNode* node = This(info);
				const std::optional<std::string> name = node != nullptr ? TextOf(info.GetIsolate(), info[0]) : std::nullopt;
				if (!name)
					return;
				if (const std::string* value = node->GetAttribute(Lower(*name)))
					info.GetReturnValue().Set(Text(info.GetIsolate(), *value));
				else
					info.GetReturnValue().SetNull();
			}},
		{"setAttribute",
			[](const Info& info) {
				HtmlNode* node = This(info);
				if (node == nullptr || !node->IsElement())
					return;
				const std::optional<std::string> name = TextOf(info.GetIsolate(), info[0]);
				const std::optional<std::string> value = name ? TextOf(info.GetIsolate(), info[1]) : std::nullopt;
				if (value && !IsName(*name))
					info.GetIsolate()->ThrowException(v8::Exception::Error(Text(info.GetIsolate(), "setAttribute: invalid attribute name")));
				else if (value)
				{
					node->SetAttribute(Lower(*name), *value);
					Changed(*PageOf(info));
				}
			}},
		{"removeAttribute",
			[](const Info& info) {
				HtmlNode* node = This(info);
				if (const std::optional<std::string> text = node != nullptr ? TextOf(info.GetIsolate(), info[0]) : std::nullopt)
				{
					const std::string name = Lower(*text);
					std::erase_if(node->attributes, [&](const auto& attribute) { return attribute.first == name; });
					Changed(*PageOf(info));
				}
			}},
		{"addEventListener", [](const Info& info) { Listen(info, true); }},
		{"removeEventListener", [](const Info& info) { Listen(info, false); }},
		{"getElementsByTagName", [](const Info& info) { Search(info, false); }},
		{"getElementsByClassName", [](const Info& info) { Search(info, true); }},
		{"getElementById",
			[](const Info& info) {
				PageScript* page = PageOf(info);
				if (const std::optional<std::string> id = page != nullptr ? TextOf(info.GetIsolate(), info[0]) : std::nullopt)
					Return(info, WrapOrNull(*page, page->GetDocument().FindById(*id)));
			}},
		{"createElement",
			[](const Info& info) {
				PageScript* page = PageOf(info);
				const std::optional<std::string> text = page != nullptr ? TextOf(info.GetIsolate(), info[0]) : std::nullopt;
				if (!text)
					return;
				const std::string tag = Lower(*text);
				if (!IsName(tag))
				{
					info.GetIsolate()->ThrowException(v8::Exception::Error(Text(info.GetIsolate(), "createElement: invalid tag name")));
					return;
				}
				Return(info, page->Wrap(*page->GetDocument().Create(HtmlNode::Type::Element, tag)));
			}},
		{"createTextNode",
			[](const Info& info) {
				PageScript* page = PageOf(info);
				if (const std::optional<std::string> text = page != nullptr ? TextOf(info.GetIsolate(), info[0]) : std::nullopt)
					Return(info, page->Wrap(*page->GetDocument().Create(HtmlNode::Type::Text, *text)));
			}},
	};

	void StyleGetter(v8::Local<v8::Name> property, const GetterInfo& info)
	{
		HtmlNode* node = This(info);
		if (node == nullptr || !property->IsString())
			return;
		const std::string name = Utf8(info.GetIsolate(), property.As<v8::String>());
		const std::string* style = node->GetAttribute("style");
		if (name == "cssText")
			return info.GetReturnValue().Set(Text(info.GetIsolate(), style != nullptr ? *style : std::string()));
		std::string value;
		for (const auto& [key, declared] : Declarations(style != nullptr ? *style : std::string()))
			if (key == CssName(name))
				value = declared;
		info.GetReturnValue().Set(Text(info.GetIsolate(), value));
	}

	void StyleSetter(v8::Local<v8::Name> property, v8::Local<v8::Value> value, const GetterInfo& info)
	{
		HtmlNode* node = This(info);
		if (node == nullptr || !property->IsString())
			return;
		const std::optional<std::string> text = TextOf(info.GetIsolate(), value);
		if (!text)
			return;
		const std::string name = Utf8(info.GetIsolate(), property.As<v8::String>());
		if (name == "cssText")
			node->SetAttribute("style", *text);
		else
			SetDeclaration(*node, CssName(name), *text);
		Changed(*PageOf(info));
		info.GetReturnValue().Set(value);
	}

	v8::Local<v8::Private> Flag(v8::Isolate* isolate, const char* name)
	{
		return v8::Private::ForApi(isolate, Text(isolate, name));
	}

	bool FlagSet(v8::Local<v8::Context> context, v8::Local<v8::Object> event, const char* name)
	{
		v8::Local<v8::Value> value;
		return event->GetPrivate(context, Flag(context->GetIsolate(), name)).ToLocal(&value) && value->IsTrue();
	}

	void Timer(const Info& info, bool repeat)
	{
		PageScript* page = PageOf(info);
		if (page == nullptr)
			return;
		int id = 0;
		const double delay = info[1]->IsNumber() ? info[1].As<v8::Number>()->Value() : 0.0;
		page->AddTimer(info[0], delay, repeat, id);
		info.GetReturnValue().Set(id);
	}

	void ClearTimer(const Info& info)
	{
		PageScript* page = PageOf(info);
		if (page != nullptr && info[0]->IsNumber())
			page->ClearTimer(static_cast<int>(info[0].As<v8::Number>()->Value()));
	}
}

namespace DomBindings
{
	v8::Local<v8::ObjectTemplate> NodeTemplate(v8::Isolate* isolate)
	{
		v8::Local<v8::ObjectTemplate> made = v8::ObjectTemplate::New(isolate);
		made->SetInternalFieldCount(HtmlDocument::kScriptObjectFields);
		for (const Accessor& accessor : kAccessors)
			made->SetAccessor(Text(isolate, accessor.name), accessor.get, accessor.set);
		for (const char* handler : kHandlers)
			made->SetAccessor(Text(isolate, handler), HandlerGetter, HandlerSetter);
		for (const Method& method : kMethods)
			made->Set(Text(isolate, method.name), v8::FunctionTemplate::New(isolate, method.call));
		made->SetAccessor(Text(isolate, "nodeName"), [](v8::Local<v8::String>, const GetterInfo& info) {
			if (HtmlNode* node = This(info))
			{
				std::string name = node->IsElement() ? node->name : node->type == HtmlNode::Type::Text ? "#text" : node->name;
				if (node->IsElement())
					std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
				info.GetReturnValue().Set(Text(info.GetIsolate(), node->type == HtmlNode::Type::Comment ? "#comment" : name));
			}
		});
		return made;
	}

	v8::Local<v8::ObjectTemplate> StyleTemplate(v8::Isolate* isolate)
	{
		v8::Local<v8::ObjectTemplate> made = v8::ObjectTemplate::New(isolate);
		made->SetInternalFieldCount(HtmlDocument::kScriptObjectFields);
		made->SetHandler(v8::NamedPropertyHandlerConfiguration(StyleGetter, StyleSetter));
		return made;
	}

	v8::Local<v8::FunctionTemplate> EventTemplate(v8::Isolate* isolate)
	{
		v8::Local<v8::FunctionTemplate> made = v8::FunctionTemplate::New(isolate);
		made->SetClassName(Text(isolate, "Event"));
		made->PrototypeTemplate()->Set(Text(isolate, "preventDefault"), v8::FunctionTemplate::New(isolate, [](const Info& info) {
			v8::Local<v8::Context> context = info.GetIsolate()->GetCurrentContext();
			(void)info.This()->SetPrivate(context, Flag(info.GetIsolate(), "prevented"), v8::True(info.GetIsolate())).FromMaybe(false);
			(void)info.This()->CreateDataProperty(context, Text(info.GetIsolate(), "defaultPrevented"), v8::True(info.GetIsolate())).FromMaybe(false);
		}));
		made->PrototypeTemplate()->Set(Text(isolate, "stopPropagation"), v8::FunctionTemplate::New(isolate, [](const Info& info) {
			(void)info.This()->SetPrivate(info.GetIsolate()->GetCurrentContext(), Flag(info.GetIsolate(), "stopped"), v8::True(info.GetIsolate())).FromMaybe(false);
		}));
		return made;
	}

	v8::Local<v8::Object> MakeEvent(v8::Local<v8::Context> context, v8::Local<v8::FunctionTemplate> eventTemplate,
		const std::string& type, v8::Local<v8::Object> target, const PageScript::EventDetails& details)
	{
		v8::Isolate* isolate = context->GetIsolate();
		v8::Local<v8::Function> constructor;
		v8::Local<v8::Object> event;
		if (!eventTemplate->GetFunction(context).ToLocal(&constructor) || !constructor->NewInstance(context).ToLocal(&event))
			return {};
		// Data properties: setters a page put on Object.prototype never run.
		const auto set = [&](const char* name, v8::Local<v8::Value> value) {
			(void)event->CreateDataProperty(context, Text(isolate, name), value).FromMaybe(false);
		};
		set("type", Text(isolate, type));
		set("target", target);
		set("currentTarget", target);
		set("keyCode", v8::Integer::New(isolate, details.keyCode));
		set("charCode", v8::Integer::New(isolate, details.charCode));
		set("which", v8::Integer::New(isolate, details.charCode != 0 ? details.charCode : details.keyCode));
		set("clientX", v8::Integer::New(isolate, details.clientX));
		set("clientY", v8::Integer::New(isolate, details.clientY));
		set("button", v8::Integer::New(isolate, details.button));
		set("defaultPrevented", v8::False(isolate));
		return event;
	}

	bool PropagationStopped(v8::Local<v8::Context> context, v8::Local<v8::Object> event)
	{
		return FlagSet(context, event, "stopped");
	}

	bool DefaultPrevented(v8::Local<v8::Context> context, v8::Local<v8::Object> event)
	{
		return FlagSet(context, event, "prevented");
	}

	void InstallGlobals(v8::Local<v8::Context> context, PageScript& page)
	{
		v8::Isolate* isolate = context->GetIsolate();
		v8::Local<v8::Object> global = context->Global();
		const auto define = [&](v8::Local<v8::Object> on, const char* name, v8::Local<v8::Value> value) {
			(void)on->CreateDataProperty(context, Text(isolate, name), value).FromMaybe(false);
		};
		const auto function = [&](v8::Local<v8::Object> on, const char* name, v8::FunctionCallback call) {
			v8::Local<v8::Function> made;
			if (v8::FunctionTemplate::New(isolate, call)->GetFunction(context).ToLocal(&made))
				define(on, name, made);
		};
		define(global, "window", global);
		if (v8::Local<v8::Object> document; page.Wrap(page.GetDocument().Root()).ToLocal(&document))
			define(global, "document", document);
		v8::Local<v8::Object> console = v8::Object::New(isolate);
		function(console, "log", [](const Info& info) {
			std::string line;
			for (int i = 0; i < info.Length(); ++i)
			{
				if (i > 0)
					line += ' ';
				const std::optional<std::string> text = TextOf(info.GetIsolate(), info[i]);
				if (!text)
					return;
				line += *text;
			}
			std::cout << line << std::endl;
		});
		define(global, "console", console);
		function(global, "setTimeout", [](const Info& info) { Timer(info, false); });
		function(global, "setInterval", [](const Info& info) { Timer(info, true); });
		function(global, "clearTimeout", ClearTimer);
		function(global, "clearInterval", ClearTimer);
		function(global, "addEventListener", [](const Info& info) { Listen(info, true); });
		const auto size = [&](const char* name, v8::AccessorNameGetterCallback get) {
			(void)global->SetAccessor(context, Text(isolate, name), get).FromMaybe(false);
		};
		size("innerWidth", [](v8::Local<v8::Name>, const GetterInfo& info) {
			if (PageScript* page = PageOf(info))
				info.GetReturnValue().Set(page->viewWidth);
		});
		size("innerHeight", [](v8::Local<v8::Name>, const GetterInfo& info) {
			if (PageScript* page = PageOf(info))
				info.GetReturnValue().Set(page->viewHeight);
		});
	}
}
