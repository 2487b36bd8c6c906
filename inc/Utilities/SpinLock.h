// SpinLock: a lock for critical sections of a few dozen instructions taken from many threads,
// such as the memory manager's. Taking a free lock costs one atomic exchange; a waiting thread
// spins briefly and then yields, so a holder that was preempted still gets to run.
#pragma once

#include <atomic>

class SpinLock
{
public:
	SpinLock() = default;
	SpinLock(const SpinLock&) = delete;
	SpinLock& operator=(const SpinLock&) = delete;

	// Lower-case so that std::lock_guard can hold it.
	void lock() noexcept
	{
		if (held.exchange(true, std::memory_order_acquire))
			WaitAndLock();
	}

	void unlock() noexcept { held.store(false, std::memory_order_release); }

private:
	void WaitAndLock() noexcept;

	std::atomic<bool> held{false};
};
