// malloc_allocator: a standard allocator that takes its memory from malloc and gives it back with
// free. The memory manager keeps its own tables with it, since they must never allocate through the
// global new that the manager itself implements.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <new>

namespace tw
{
	template <class T>
	class malloc_allocator
	{
	public:
		using value_type = T;

		// malloc only promises the fundamental alignment.
		static_assert(alignof(T) <= alignof(std::max_align_t), "malloc_allocator cannot over-align");

		malloc_allocator() noexcept = default;

		template <class U>
		malloc_allocator(const malloc_allocator<U>&) noexcept
		{
		}

		T* allocate(std::size_t count)
		{
			if (count > std::numeric_limits<std::size_t>::max() / sizeof(T))
				throw std::bad_array_new_length();
			// malloc(0) may return null; asking for one byte keeps null meaning failure.
			void* memory = std::malloc(count == 0 ? 1 : count * sizeof(T));
			// Handing out null would crash on the first write; fail like any allocator instead.
			if (memory == nullptr)
				throw std::bad_alloc();
			return static_cast<T*>(memory);
		}

		void deallocate(T* memory, std::size_t) noexcept
		{
			std::free(memory);
		}

		template <class U>
		bool operator==(const malloc_allocator<U>&) const noexcept
		{
			return true;
		}
	};
}
