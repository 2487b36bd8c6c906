// tw::unordered_vector: a growable array that erases in constant time by moving its last element
// into the hole, so element order is not kept. Callers that erase while iterating re-examine the
// position erase returns.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace tw
{
	template <class T, class Alloc = std::allocator<T>>
	class unordered_vector
	{
	public:
		using value_type = T;
		using size_type = std::uint32_t;
		using difference_type = std::ptrdiff_t;
		using reference = T&;
		using const_reference = const T&;
		using allocator_type = typename std::allocator_traits<Alloc>::template rebind_alloc<T>;

		class iterator_base
		{
		public:
			iterator_base() = default;

			friend bool operator==(const iterator_base& a, const iterator_base& b)
			{
				return a.element == b.element;
			}
			friend std::strong_ordering operator<=>(const iterator_base& a, const iterator_base& b)
			{
				return std::compare_three_way()(a.element, b.element);
			}
			friend difference_type operator-(const iterator_base& a, const iterator_base& b)
			{
				return a.element - b.element;
			}

		protected:
			explicit iterator_base(T* element) : element(element)
			{
			}

			T* element = nullptr;

			friend class unordered_vector;
		};

		class ra_iterator : public iterator_base
		{
		protected:
			using iterator_base::iterator_base;

			void Advance(difference_type offset)
			{
				this->element += offset;
			}
		};

		template <bool IsConst>
		class basic_iterator : public ra_iterator
		{
		public:
			using iterator_category = std::random_access_iterator_tag;
			using iterator_concept = std::contiguous_iterator_tag;
			using value_type = T;
			using difference_type = std::ptrdiff_t;
			using reference = std::conditional_t<IsConst, const T&, T&>;
			using pointer = std::conditional_t<IsConst, const T*, T*>;

			basic_iterator() = default;

			template <bool OtherConst>
				requires(IsConst && !OtherConst)
			basic_iterator(const basic_iterator<OtherConst>& other) : ra_iterator(other.element)
			{
			}

			reference operator*() const
			{
				return *this->element;
			}
			pointer operator->() const
			{
				return this->element;
			}
			reference operator[](difference_type offset) const
			{
				return this->element[offset];
			}
			basic_iterator& operator++()
			{
				this->Advance(1);
				return *this;
			}
			basic_iterator operator++(int)
			{
				basic_iterator before = *this;
				this->Advance(1);
				return before;
			}
			basic_iterator& operator--()
			{
				this->Advance(-1);
				return *this;
			}
			basic_iterator operator--(int)
			{
				basic_iterator before = *this;
				this->Advance(-1);
				return before;
			}
			basic_iterator& operator+=(difference_type offset)
			{
				this->Advance(offset);
				return *this;
			}
			basic_iterator& operator-=(difference_type offset)
			{
				this->Advance(-offset);
				return *this;
			}
			friend basic_iterator operator+(basic_iterator position, difference_type offset)
			{
				return position += offset;
			}
			friend basic_iterator operator+(difference_type offset, basic_iterator position)
			{
				return position += offset;
			}
			friend basic_iterator operator-(basic_iterator position, difference_type offset)
			{
				return position -= offset;
			}
			friend difference_type operator-(const basic_iterator& a, const basic_iterator& b)
			{
				return a.element - b.element;
			}

		private:
			explicit basic_iterator(T* element) : ra_iterator(element)
			{
			}

			template <bool>
			friend class basic_iterator;
			friend class unordered_vector;
		};

		using iterator = basic_iterator<false>;
		using const_iterator = basic_iterator<true>;

		unordered_vector() = default;

		// The copy's capacity equals its size.
		unordered_vector(const unordered_vector& other)
			: allocator(std::allocator_traits<allocator_type>::select_on_container_copy_construction(other.allocator))
		{
			if (other.elementCount == 0)
				return;
			elements = Allocate(other.elementCount);
			try
			{
				std::uninitialized_copy(other.elements, other.elements + other.elementCount, elements);
			}
			catch (...)
			{
				Deallocate(elements, other.elementCount);
				throw;
			}
			elementCount = other.elementCount;
			elementCapacity = other.elementCount;
		}

		unordered_vector(unordered_vector&& other) noexcept
			: elements(std::exchange(other.elements, nullptr)), elementCount(std::exchange(other.elementCount, 0)),
			  elementCapacity(std::exchange(other.elementCapacity, 0)), allocator(std::move(other.allocator))
		{
		}

		// Copy and move assignment both: the argument is built as a copy or taken over, then swapped in.
		unordered_vector& operator=(unordered_vector other) noexcept
		{
			swap(other);
			return *this;
		}

		~unordered_vector()
		{
			std::destroy_n(elements, elementCount);
			Deallocate(elements, elementCapacity);
		}

		void swap(unordered_vector& other) noexcept
		{
			using std::swap;
			swap(elements, other.elements);
			swap(elementCount, other.elementCount);
			swap(elementCapacity, other.elementCapacity);
			swap(allocator, other.allocator);
		}

		size_type size() const
		{
			return elementCount;
		}
		size_type capacity() const
		{
			return elementCapacity;
		}
		bool empty() const
		{
			return elementCount == 0;
		}

		T& operator[](size_type index)
		{
			return elements[index];
		}
		const T& operator[](size_type index) const
		{
			return elements[index];
		}
		T& back()
		{
			return elements[elementCount - 1];
		}
		const T& back() const
		{
			return elements[elementCount - 1];
		}

		iterator begin()
		{
			return iterator(elements);
		}
		iterator end()
		{
			return iterator(elements + elementCount);
		}
		const_iterator begin() const
		{
			return const_iterator(elements);
		}
		const_iterator end() const
		{
			return const_iterator(elements + elementCount);
		}
		const_iterator cbegin() const
		{
			return begin();
		}
		const_iterator cend() const
		{
			return end();
		}

		void push_back(const T& value)
		{
			Append(value);
		}
		void push_back(T&& value)
		{
			Append(std::move(value));
		}

		void pop_back()
		{
			--elementCount;
			std::destroy_at(elements + elementCount);
		}

		// The last element takes the erased one's place; the returned iterator stays at the same
		// position, which now holds that element (or is the end).
		iterator erase(const_iterator position)
		{
			T* const hole = position.element;
			T* const last = elements + elementCount - 1;
			if (hole != last)
				*hole = std::move(*last);
			std::destroy_at(last);
			--elementCount;
			return iterator(hole);
		}

		void reserve(size_type wanted)
		{
			if (wanted <= elementCapacity)
				return;
			T* const fresh = Allocate(wanted);
			try
			{
				TransferTo(fresh);
			}
			catch (...)
			{
				Deallocate(fresh, wanted);
				throw;
			}
			Adopt(fresh, wanted);
		}

		void clear()
		{
			std::destroy_n(elements, elementCount);
			elementCount = 0;
		}

	private:
		template <class Arg>
		void Append(Arg&& value)
		{
			if (elementCount < elementCapacity)
			{
				std::construct_at(elements + elementCount, std::forward<Arg>(value));
				++elementCount;
				return;
			}
			const size_type grown = GrownCapacity();
			T* const fresh = Allocate(grown);
			T* const appended = fresh + elementCount;
			// Built before the old storage goes, since value may be one of this vector's elements.
			try
			{
				std::construct_at(appended, std::forward<Arg>(value));
			}
			catch (...)
			{
				Deallocate(fresh, grown);
				throw;
			}
			try
			{
				TransferTo(fresh);
			}
			catch (...)
			{
				std::destroy_at(appended);
				Deallocate(fresh, grown);
				throw;
			}
			Adopt(fresh, grown);
			++elementCount;
		}

		size_type GrownCapacity() const
		{
			if (elementCapacity == 0)
				return 1;
			if (elementCapacity > std::numeric_limits<size_type>::max() / 2)
				throw std::length_error("unordered_vector: more than 2^32 - 1 elements");
			return elementCapacity * 2;
		}

		// Moves (or, when a move may throw, copies) the elements into fresh storage; on a throw
		// nothing is left constructed there and this vector is unchanged.
		void TransferTo(T* fresh)
		{
			if constexpr (std::is_nothrow_move_constructible_v<T>)
				std::uninitialized_move(elements, elements + elementCount, fresh);
			else
				std::uninitialized_copy(elements, elements + elementCount, fresh);
		}

		// Releases the old storage and keeps fresh, which already holds the elements.
		void Adopt(T* fresh, size_type freshCapacity)
		{
			std::destroy_n(elements, elementCount);
			Deallocate(elements, elementCapacity);
			elements = fresh;
			elementCapacity = freshCapacity;
		}

		T* Allocate(size_type elementTotal)
		{
			return std::allocator_traits<allocator_type>::allocate(allocator, elementTotal);
		}

		void Deallocate(T* storage, size_type elementTotal)
		{
			if (storage != nullptr)
				std::allocator_traits<allocator_type>::deallocate(allocator, storage, elementTotal);
		}

		T* elements = nullptr;
		size_type elementCount = 0;
		size_type elementCapacity = 0;
		[[no_unique_address]] allocator_type allocator;
	};
}
