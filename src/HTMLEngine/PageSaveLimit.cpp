#include "HTMLEngine/PageSaveLimit.h"

#include "HTMLEngine/PageScript.h"
#include "HTMLEngine/ScriptRuntime.h"

#include <v8-context.h>
#include <v8-isolate.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
	std::vector<PageSaveLimit::Pane*>& Panes()
	{
		// Never destroyed: a view may end after the statics do.
		static auto* panes = new std::vector<PageSaveLimit::Pane*>();
		return *panes;
	}

	PageSaveLimit::Pane* PaneOf(v8::Local<v8::Context> context)
	{
		const PageScript* page = PageScript::Of(context);
		return page != nullptr ? page->GetSaves() : nullptr;
	}
}

namespace PageSaveLimit
{
	Pane::Pane()
	{
		Panes().push_back(this);
	}

	Pane::~Pane()
	{
		std::erase(Panes(), this);
		MakeHeld();
	}

	bool Pane::TakeTurn(std::uint32_t now)
	{
		if (lastSave.has_value() && now - *lastSave < kIntervalMilliseconds)
			return false;
		lastSave = now;
		return true;
	}

	void Pane::Hold(Save save)
	{
		held = std::move(save);
	}

	void Pane::MakeDue(std::uint32_t now)
	{
		if (held && TakeTurn(now))
			MakeHeld();
	}

	void Pane::MakeHeld()
	{
		// Taken first: the save may run page script that asks for another.
		if (const Save save = std::exchange(held, nullptr))
			save();
	}

	Pane* RequestingPane()
	{
		// Before the script runtime starts, V8 cannot even be asked for its isolate.
		if (!ScriptRuntime::IsRunning())
			return nullptr;
		v8::Isolate* isolate = ScriptRuntime::Instance().GetIsolate();
		if (!isolate->InContext())
			return nullptr;
		v8::HandleScope scope(isolate);
		// In a native function the current context is the one that made it. Once that page has
		// ended, the page whose script runs answers for it.
		if (Pane* maker = PaneOf(isolate->GetCurrentContext()))
			return maker;
		return PaneOf(isolate->GetEnteredOrMicrotaskContext());
	}

	std::uint32_t Now()
	{
		return ScriptRuntime::Now();
	}

	void MakeAllHeld()
	{
		// A copy: a save may start or end views.
		for (Pane* pane : std::vector<Pane*>(Panes()))
			if (std::find(Panes().begin(), Panes().end(), pane) != Panes().end())
				pane->MakeHeld();
	}
}
