#include "HTMLEngine/ScriptWatchdog.h"

#include <v8-isolate.h>

#include <pthread.h>

#include <algorithm>
#include <utility>

std::chrono::nanoseconds ScriptWatchdog::SteadyClock()
{
	return std::chrono::steady_clock::now().time_since_epoch();
}

ScriptWatchdog::~ScriptWatchdog()
{
	{
		std::lock_guard lock(mutex);
		stopping = true;
	}
	changed.notify_all();
	if (thread.joinable())
		thread.join();
}

void ScriptWatchdog::Watch(v8::Isolate* watched)
{
	isolate = watched;
}

void ScriptWatchdog::SetBudget(std::chrono::milliseconds newBudget)
{
	budget = std::max(newBudget, std::chrono::milliseconds(1));
}

void ScriptWatchdog::SetClock(Clock newClock)
{
	std::lock_guard lock(mutex);
	clock = std::move(newClock);
}

bool ScriptWatchdog::IsWatching()
{
	std::lock_guard lock(mutex);
	return depth > 0;
}

void ScriptWatchdog::Run()
{
	std::unique_lock lock(mutex);
	while (!stopping)
	{
		if (!armed)
		{
			changed.wait(lock);
			continue;
		}
		// The time left on the budget's clock is at least as long on the steady clock.
		const std::chrono::nanoseconds left = deadline - clock();
		if (left > std::chrono::nanoseconds::zero())
		{
			changed.wait_for(lock, left);
			continue;
		}
		isolate->TerminateExecution();
		armed = false;
	}
}

ScriptWatchdog::Entry::Entry(ScriptWatchdog& watchdog) : watchdog(watchdog)
{
	std::lock_guard lock(watchdog.mutex);
	if (watchdog.depth++ > 0)
		return;
	if (!watchdog.thread.joinable())
	{
		watchdog.thread = std::thread([&watchdog] { watchdog.Run(); });
		// Named here, not by the thread itself, so that it has its name before the first entry ends.
		pthread_setname_np(watchdog.thread.native_handle(), kThreadName);
	}
	watchdog.armed = true;
	watchdog.deadline = watchdog.clock() + watchdog.budget;
	watchdog.changed.notify_all();
}

ScriptWatchdog::Entry::~Entry()
{
	{
		std::lock_guard lock(watchdog.mutex);
		if (--watchdog.depth > 0)
			return;
		watchdog.armed = false;
	}
	watchdog.changed.notify_all();
	// A termination that landed as the entry ended must not stop the next one.
	watchdog.isolate->CancelTerminateExecution();
}
