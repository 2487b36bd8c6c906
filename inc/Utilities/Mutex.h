// Mutex: a try-lock every game object carries. The engine runs its game on one thread, so
// nothing takes it today; it is recursive, like the critical section it stands in for.
#pragma once

#include <mutex>

class Mutex
{
public:
	Mutex() = default;
	virtual ~Mutex() = default;
	Mutex(const Mutex&) = delete;
	Mutex& operator=(const Mutex&) = delete;

	// True when the calling thread now holds the mutex.
	virtual bool TryLock();
	virtual void Unlock();

private:
	std::recursive_mutex section;
};
