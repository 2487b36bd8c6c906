#include "HTMLEngine/HTMLEngine.h"

#include "HTMLEngine/HTMLView.h"
#include "HTMLEngine/ScriptRuntime.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace
{
	std::vector<HTMLView*>& LiveViews()
	{
		static std::vector<HTMLView*> views;
		return views;
	}
}

namespace HTMLEngineViews
{
	void Add(HTMLView* view)
	{
		LiveViews().push_back(view);
	}

	void Remove(HTMLView* view)
	{
		auto& views = LiveViews();
		views.erase(std::remove(views.begin(), views.end(), view), views.end());
	}
}

namespace HTMLEngine
{
	bool Initialize(const char*)
	{
		ScriptRuntime::Instance();
		return true;
	}

	void Update()
	{
		const std::uint32_t now = ScriptRuntime::Now();
		// A page's script may create or destroy views: walk a copy, skipping those gone since.
		const std::vector<HTMLView*> views = LiveViews();
		for (HTMLView* view : views)
			if (std::find(LiveViews().begin(), LiveViews().end(), view) != LiveViews().end())
				view->Update(now);
		if (ScriptRuntime::IsRunning())
			ScriptRuntime::Instance().CollectIfDue();
	}

	void Destroy()
	{
		for (HTMLView* view : LiveViews())
			view->DropScripts();
		ScriptRuntime::Shutdown();
	}

	HTMLView* CreateView(int width, int height, bool transparent, bool)
	{
		// A view made before Initialize (the loading view) starts the runtime itself.
		ScriptRuntime::Instance();
		return new HTMLView(width, height, transparent);
	}

	void RegisterV8Object(const std::string& className, const JSFuncDesc* first, void*)
	{
		ScriptRuntime::Instance().RegisterClass(className, first);
	}

	void RegisterV8Globals(const JSFuncDesc* first, void*)
	{
		ScriptRuntime::Instance().RegisterGlobals(first);
	}

	void AddGlobalObjInstance(const std::string& name, v8::Local<v8::Object> object)
	{
		ScriptRuntime::Instance().AddGlobalInstance(name, object);
	}

	v8::Local<v8::FunctionTemplate> ClassTemplate(const std::string& className)
	{
		return ScriptRuntime::Instance().ClassTemplate(className);
	}

	v8::Isolate* GetIsolate()
	{
		return ScriptRuntime::Instance().GetIsolate();
	}

	void CollectGarbage()
	{
		if (ScriptRuntime::IsRunning())
			ScriptRuntime::Instance().GetIsolate()->LowMemoryNotification();
	}

	void SetShutdownListener(void (*listener)())
	{
		ScriptRuntime::SetShutdownListener(listener);
	}

	Clock SetClock(Clock clock)
	{
		return ScriptRuntime::SetClock(std::move(clock));
	}

	std::chrono::milliseconds SetScriptBudget(std::chrono::milliseconds budget)
	{
		return ScriptRuntime::SetBudget(budget);
	}

	BudgetClock SetScriptBudgetClock(BudgetClock clock)
	{
		return ScriptRuntime::SetBudgetClock(std::move(clock));
	}
}
