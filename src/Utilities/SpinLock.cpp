#include "Utilities/SpinLock.h"

#include <thread>

namespace
{
	// Tells the processor we are in a wait loop, which frees the core for its sibling thread.
	inline void CpuRelax() noexcept
	{
#if defined(__x86_64__) || defined(__i386__)
		__builtin_ia32_pause();
#endif
	}

	// Spins before giving up the time slice; a held lock is normally released within this.
	constexpr int kSpinsBeforeYield = 64;
}

void SpinLock::WaitAndLock() noexcept
{
	for (;;)
	{
		// Wait on a plain load so that the cache line is not pulled back and forth.
		for (int spin = 0; held.load(std::memory_order_relaxed); ++spin)
		{
			if (spin < kSpinsBeforeYield)
				CpuRelax();
			else
				std::this_thread::yield();
		}
		if (!held.exchange(true, std::memory_order_acquire))
			return;
	}
}
