// ScriptWatchdog: a thread that stops a script entry running longer than its budget, so that a
// page with an endless loop never hangs the game. The game thread arms it around each entry into a
// page's scripts; if the entry is still running when its deadline passes, the watchdog calls
// TerminateExecution on the isolate, which V8 allows from another thread. The budget is one for
// all that a page's entry does in a frame: the page's scripts and load event, a frame's timers,
// an event's dispatch.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace v8
{
	class Isolate;
}

class ScriptWatchdog
{
public:
	// The clock the budget is counted on: the steady clock unless set. A clock that runs slower,
	// as a thread's processor time does, gives the entry at least the budget on the steady clock.
	using Clock = std::function<std::chrono::nanoseconds()>;
	static constexpr std::chrono::milliseconds kDefaultBudget{2000};
	// The name its thread has in a debugger, top -H and /proc. A stop comes as late as the system
	// lets this thread run, and the time it waited for a processor is read there.
	static constexpr const char* kThreadName = "page watchdog";

	static std::chrono::nanoseconds SteadyClock();

	ScriptWatchdog() = default;
	~ScriptWatchdog();
	ScriptWatchdog(const ScriptWatchdog&) = delete;
	ScriptWatchdog& operator=(const ScriptWatchdog&) = delete;

	// Watches the isolate from a thread started on first Arm.
	void Watch(v8::Isolate* watched);

	// The time an outermost entry may run (at least 1 ms).
	void SetBudget(std::chrono::milliseconds budget);
	std::chrono::milliseconds GetBudget() const
	{
		return budget;
	}

	// Set while no entry runs: an entry's deadline is on the clock it began with.
	void SetClock(Clock newClock);

	// True while an entry runs.
	bool IsWatching();

	// Arms the watchdog for the duration of one entry; entries nest (only the outermost counts).
	class Entry
	{
	public:
		explicit Entry(ScriptWatchdog& watchdog);
		~Entry();
		Entry(const Entry&) = delete;
		Entry& operator=(const Entry&) = delete;

	private:
		ScriptWatchdog& watchdog;
	};

private:
	void Run();

	v8::Isolate* isolate = nullptr;
	std::chrono::milliseconds budget = kDefaultBudget;
	Clock clock = &SteadyClock;
	std::mutex mutex;
	std::condition_variable changed;
	std::thread thread;
	int depth = 0;
	bool armed = false;
	bool stopping = false;
	std::chrono::nanoseconds deadline{0};
};
