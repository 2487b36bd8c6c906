// DomBindings: the DOM as page scripts see it. A page's scripts get this subset (our own pages use
// only it):
//   document: getElementById, getElementsByTagName, getElementsByClassName, createElement,
//     createTextNode, body, documentElement, addEventListener / removeEventListener;
//   nodes: appendChild, insertBefore, removeChild, getAttribute, setAttribute, removeAttribute,
//     getElementsByTagName, getElementsByClassName, addEventListener / removeEventListener,
//     innerHTML, textContent, className, id, tagName, nodeName, nodeType, parentNode,
//     firstChild, lastChild, nextSibling, previousSibling, childNodes, children, style.<property>
//     (camelCase, as declarations of the style attribute) and style.cssText, and the "on..."
//     handlers (click, mousedown, mouseup, mousemove, keydown, keyup, keypress, load);
//   events: type, target, currentTarget, keyCode, charCode, which, clientX, clientY, button,
//     preventDefault(), stopPropagation(), defaultPrevented; they bubble to the window;
//   window (the global object): innerWidth, innerHeight, onload, addEventListener,
//     setTimeout / setInterval / clearTimeout / clearInterval (game milliseconds), console.log.
#pragma once

#include "HTMLEngine/PageScript.h"

#include <v8-context.h>
#include <v8-template.h>

#include <string>

namespace DomBindings
{
	v8::Local<v8::ObjectTemplate> NodeTemplate(v8::Isolate* isolate);
	v8::Local<v8::ObjectTemplate> StyleTemplate(v8::Isolate* isolate);
	v8::Local<v8::FunctionTemplate> EventTemplate(v8::Isolate* isolate);
	// window, document, console and the timer functions.
	void InstallGlobals(v8::Local<v8::Context> context, PageScript& page);

	v8::Local<v8::Object> MakeEvent(v8::Local<v8::Context> context, v8::Local<v8::FunctionTemplate> eventTemplate,
		const std::string& type, v8::Local<v8::Object> target, const PageScript::EventDetails& details);
	bool PropagationStopped(v8::Local<v8::Context> context, v8::Local<v8::Object> event);
	bool DefaultPrevented(v8::Local<v8::Context> context, v8::Local<v8::Object> event);
}
