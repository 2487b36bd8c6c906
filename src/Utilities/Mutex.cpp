#include "Utilities/Mutex.h"

bool Mutex::TryLock()
{
	return section.try_lock();
}

void Mutex::Unlock()
{
	section.unlock();
}
