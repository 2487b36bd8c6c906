// The open-addressed table behind tw::hash_map and tw::hash_set: double hashing over a prime number
// of slots, and a doubly linked list through the used slots that iteration follows from the most
// recently inserted element to the oldest. A rebuild re-inserts newest first, reversing that order.
#pragma once

#include "Utilities/HashFunctions.h"
#include "Utilities/Primes.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>

namespace tw
{
	enum class SlotState : std::uint32_t
	{
		Used = 0,
		Empty = 1,
		Deleted = 2,
	};

	// One slot of a table: the element lives in it only while the state is Used.
	template <class T>
	struct hash_slot
	{
		union
		{
			T element;
		};
		SlotState state = SlotState::Empty;
		hash_slot* newer = nullptr;
		hash_slot* older = nullptr;

		hash_slot() noexcept
		{
		}
		~hash_slot()
		{
		}
		hash_slot(const hash_slot&) = delete;
		hash_slot& operator=(const hash_slot&) = delete;
	};

	namespace detail
	{
		struct SelectFirst
		{
			template <class Pair>
			const auto& operator()(const Pair& pair) const
			{
				return pair.first;
			}
		};

		struct SelectSelf
		{
			template <class T>
			const T& operator()(const T& value) const
			{
				return value;
			}
		};

		// Value: the stored element; KeyOf extracts its key. ConstElements makes iterator read-only
		// (sets, whose elements are their keys).
		template <class Value, class Key, class KeyOf, class Hash, class Equal, class Alloc, bool ConstElements>
		class hash_table
		{
		public:
			using key_type = Key;
			using value_type = Value;
			using size_type = std::uint32_t;
			using difference_type = std::ptrdiff_t;
			using hasher = Hash;
			using key_equal = Equal;
			using slot_type = hash_slot<Value>;
			// Whatever element type the allocator names, the table allocates slots with it.
			using allocator_type = typename std::allocator_traits<Alloc>::template rebind_alloc<slot_type>;

			static constexpr size_type kMinCapacity = 23;

			class iterator_base
			{
			public:
				iterator_base() = default;

				friend bool operator==(const iterator_base& a, const iterator_base& b)
				{
					return a.slot == b.slot;
				}

			protected:
				explicit iterator_base(slot_type* slot) : slot(slot)
				{
				}

				slot_type* slot = nullptr;

				friend class hash_table;
			};

			// Moves along the links: forward goes to older elements, backward to newer ones.
			class bd_iterator : public iterator_base
			{
			protected:
				using iterator_base::iterator_base;

				void StepOlder()
				{
					this->slot = this->slot->older;
				}
				void StepNewer()
				{
					this->slot = this->slot->newer;
				}
			};

			template <bool IsConst>
			class basic_iterator : public bd_iterator
			{
			public:
				using iterator_category = std::bidirectional_iterator_tag;
				using value_type = Value;
				using difference_type = std::ptrdiff_t;
				using reference = std::conditional_t<IsConst, const Value&, Value&>;
				using pointer = std::conditional_t<IsConst, const Value*, Value*>;

				basic_iterator() = default;

				template <bool OtherConst>
					requires(IsConst && !OtherConst)
				basic_iterator(const basic_iterator<OtherConst>& other) : bd_iterator(other.slot)
				{
				}

				reference operator*() const
				{
					return this->slot->element;
				}
				pointer operator->() const
				{
					return &this->slot->element;
				}
				basic_iterator& operator++()
				{
					this->StepOlder();
					return *this;
				}
				basic_iterator operator++(int)
				{
					basic_iterator before = *this;
					this->StepOlder();
					return before;
				}
				// The end iterator holds no slot, so it cannot step back to the oldest element.
				basic_iterator& operator--()
				{
					this->StepNewer();
					return *this;
				}
				basic_iterator operator--(int)
				{
					basic_iterator before = *this;
					this->StepNewer();
					return before;
				}

			private:
				explicit basic_iterator(slot_type* slot) : bd_iterator(slot)
				{
				}

				template <bool>
				friend class basic_iterator;
				friend class hash_table;
			};

			using iterator = basic_iterator<ConstElements>;
			using const_iterator = basic_iterator<true>;

			hash_table() : slots(AllocateSlots(kMinCapacity)), slotTotal(kMinCapacity)
			{
			}

			// The copy keeps the capacity, slot positions (deleted marks included) and iteration order.
			hash_table(const hash_table& other)
				: hashKey(other.hashKey), equal(other.equal),
				  allocator(std::allocator_traits<allocator_type>::select_on_container_copy_construction(other.allocator))
			{
				if (other.slots == nullptr)
					return;
				slots = AllocateSlots(other.slotTotal);
				slotTotal = other.slotTotal;
				try
				{
					for (slot_type* source = other.oldest; source != nullptr; source = source->newer)
					{
						slot_type* target = slots + (source - other.slots);
						std::construct_at(&target->element, source->element);
						Link(target);
					}
				}
				catch (...)
				{
					DestroyElements();
					FreeSlots(slots, slotTotal);
					throw;
				}
				for (size_type index = 0; index < slotTotal; ++index)
				{
					if (other.slots[index].state == SlotState::Deleted)
						slots[index].state = SlotState::Deleted;
				}
			}

			hash_table(hash_table&& other) noexcept
				: slots(std::exchange(other.slots, nullptr)), oldest(std::exchange(other.oldest, nullptr)),
				  newest(std::exchange(other.newest, nullptr)), slotTotal(std::exchange(other.slotTotal, 0)),
				  usedCount(std::exchange(other.usedCount, 0)), maxLoadFactor(other.maxLoadFactor),
				  growthFactor(other.growthFactor), hashKey(other.hashKey), equal(other.equal),
				  allocator(std::move(other.allocator))
			{
			}

			hash_table& operator=(const hash_table& other)
			{
				if (this != &other)
				{
					hash_table copy(other);
					swap(copy);
				}
				return *this;
			}

			hash_table& operator=(hash_table&& other) noexcept
			{
				if (this != &other)
				{
					hash_table taken(std::move(other));
					swap(taken);
				}
				return *this;
			}

			~hash_table()
			{
				DestroyElements();
				FreeSlots(slots, slotTotal);
			}

			void swap(hash_table& other) noexcept
			{
				using std::swap;
				swap(slots, other.slots);
				swap(oldest, other.oldest);
				swap(newest, other.newest);
				swap(slotTotal, other.slotTotal);
				swap(usedCount, other.usedCount);
				swap(maxLoadFactor, other.maxLoadFactor);
				swap(growthFactor, other.growthFactor);
				swap(hashKey, other.hashKey);
				swap(equal, other.equal);
				swap(allocator, other.allocator);
			}

			size_type size() const
			{
				return usedCount;
			}
			bool empty() const
			{
				return usedCount == 0;
			}
			// The number of slots, always prime.
			size_type bucket_count() const
			{
				return slotTotal;
			}
			float max_load_factor() const
			{
				return maxLoadFactor;
			}

			// Iteration starts at the most recently inserted element.
			iterator begin()
			{
				return iterator(newest);
			}
			iterator end()
			{
				return iterator(nullptr);
			}
			const_iterator begin() const
			{
				return const_iterator(newest);
			}
			const_iterator end() const
			{
				return const_iterator(nullptr);
			}
			const_iterator cbegin() const
			{
				return begin();
			}
			const_iterator cend() const
			{
				return end();
			}

			iterator find(const Key& key)
			{
				return iterator(FindSlot(key));
			}
			const_iterator find(const Key& key) const
			{
				return const_iterator(FindSlot(key));
			}
			size_type count(const Key& key) const
			{
				return FindSlot(key) != nullptr ? 1 : 0;
			}
			bool contains(const Key& key) const
			{
				return FindSlot(key) != nullptr;
			}

			// Returns the element that iteration visits next (the older neighbour). An end iterator,
			// or one whose slot no longer holds an element, changes nothing and gives end.
			iterator erase(const_iterator position)
			{
				slot_type* slot = position.slot;
				if (slot == nullptr || slot->state != SlotState::Used)
					return end();
				slot_type* next = slot->older;
				Unlink(slot);
				std::destroy_at(&slot->element);
				slot->state = SlotState::Deleted;
				--usedCount;
				return iterator(next);
			}
			// Returns the number of elements removed (0 or 1).
			size_type erase(const Key& key)
			{
				slot_type* slot = FindSlot(key);
				if (slot == nullptr)
					return 0;
				erase(const_iterator(slot));
				return 1;
			}

			// Empties every slot but keeps the capacity.
			void clear()
			{
				DestroyElements();
				for (size_type index = 0; index < slotTotal; ++index)
				{
					slots[index].state = SlotState::Empty;
					slots[index].newer = nullptr;
					slots[index].older = nullptr;
				}
				oldest = nullptr;
				newest = nullptr;
				usedCount = 0;
			}

		protected:
			// Stores a new element built from args unless key is present; key must not refer into the
			// table, since a rebuild moves every element.
			template <class... Args>
			std::pair<iterator, bool> Emplace(const Key& key, Args&&... args)
			{
				const std::uint32_t hash = HashOf(key);
				if (slots != nullptr)
				{
					const Probe probe = ProbeFor(key, hash);
					if (probe.found != nullptr)
						return {iterator(probe.found), false};
					if (!WouldOverload())
						return {iterator(Store(probe.insertAt, std::forward<Args>(args)...)), true};
				}
				Rebuild();
				return {iterator(Store(FirstFreeSlot(hash), std::forward<Args>(args)...)), true};
			}

		private:
			struct Probe
			{
				slot_type* found = nullptr;
				slot_type* insertAt = nullptr;
			};

			std::uint32_t HashOf(const Key& key) const
			{
				return static_cast<std::uint32_t>(hashKey(key));
			}

			// The step is never 0 and below the prime capacity, so the probe visits every slot.
			std::uint32_t StepOf(std::uint32_t hash) const
			{
				return MixBits(hash) % (slotTotal - 2) + 1;
			}

			std::uint32_t Advance(std::uint32_t index, std::uint32_t step) const
			{
				return index >= slotTotal - step ? index - (slotTotal - step) : index + step;
			}

			bool Holds(const slot_type& slot, const Key& key) const
			{
				return slot.state == SlotState::Used && equal(KeyOf()(slot.element), key);
			}

			// Finds key's slot, or where it would go: the first deleted slot on its probe sequence,
			// else the empty slot that ends the sequence. Deleted slots end no sequence.
			Probe ProbeFor(const Key& key, std::uint32_t hash) const
			{
				const std::uint32_t start = hash % slotTotal;
				slot_type* slot = slots + start;
				if (slot->state == SlotState::Empty)
					return {nullptr, slot};
				if (Holds(*slot, key))
					return {slot, nullptr};
				slot_type* insertAt = slot->state == SlotState::Deleted ? slot : nullptr;

				const std::uint32_t step = StepOf(hash);
				for (std::uint32_t index = Advance(start, step); index != start; index = Advance(index, step))
				{
					slot = slots + index;
					if (slot->state == SlotState::Empty)
						return {nullptr, insertAt != nullptr ? insertAt : slot};
					if (slot->state == SlotState::Used)
					{
						if (equal(KeyOf()(slot->element), key))
							return {slot, nullptr};
					}
					else if (insertAt == nullptr)
					{
						insertAt = slot;
					}
				}
				return {nullptr, insertAt};
			}

			slot_type* FindSlot(const Key& key) const
			{
				if (usedCount == 0)
					return nullptr;
				return ProbeFor(key, HashOf(key)).found;
			}

			// In a freshly built array (no deleted slots, keys unique) the insert position is the
			// first empty slot on the probe sequence.
			slot_type* FirstFreeSlot(std::uint32_t hash) const
			{
				std::uint32_t index = hash % slotTotal;
				if (slots[index].state == SlotState::Empty)
					return slots + index;
				const std::uint32_t step = StepOf(hash);
				do
					index = Advance(index, step);
				while (slots[index].state != SlotState::Empty);
				return slots + index;
			}

			bool WouldOverload() const
			{
				return static_cast<float>(usedCount + 1) / static_cast<float>(slotTotal) > maxLoadFactor;
			}

			template <class... Args>
			slot_type* Store(slot_type* slot, Args&&... args)
			{
				std::construct_at(&slot->element, std::forward<Args>(args)...);
				Link(slot);
				return slot;
			}

			void Link(slot_type* slot)
			{
				slot->state = SlotState::Used;
				slot->newer = nullptr;
				slot->older = newest;
				if (newest != nullptr)
					newest->newer = slot;
				else
					oldest = slot;
				newest = slot;
				++usedCount;
			}

			void Unlink(slot_type* slot)
			{
				if (slot->newer != nullptr)
					slot->newer->older = slot->older;
				else
					newest = slot->older;
				if (slot->older != nullptr)
					slot->older->newer = slot->newer;
				else
					oldest = slot->newer;
				slot->newer = nullptr;
				slot->older = nullptr;
			}

			// Grows to the next prime at or above growth factor times the capacity and re-inserts from
			// the newest element on, so the survivors come out in reverse order afterwards.
			void Rebuild()
			{
				const size_type newCapacity = slotTotal == 0
					? kMinCapacity
					: NextPrime(static_cast<size_type>(std::ceil(growthFactor * static_cast<float>(slotTotal))));
				slot_type* const oldSlots = slots;
				const size_type oldCapacity = slotTotal;
				slot_type* walk = newest;

				slots = AllocateSlots(newCapacity);
				slotTotal = newCapacity;
				oldest = nullptr;
				newest = nullptr;
				usedCount = 0;
				while (walk != nullptr)
				{
					slot_type* const older = walk->older;
					Store(FirstFreeSlot(HashOf(KeyOf()(walk->element))), std::move(walk->element));
					std::destroy_at(&walk->element);
					walk = older;
				}
				FreeSlots(oldSlots, oldCapacity);
			}

			void DestroyElements()
			{
				for (slot_type* slot = newest; slot != nullptr; slot = slot->older)
					std::destroy_at(&slot->element);
			}

			slot_type* AllocateSlots(size_type slotCount)
			{
				slot_type* array = std::allocator_traits<allocator_type>::allocate(allocator, slotCount);
				for (size_type index = 0; index < slotCount; ++index)
					std::allocator_traits<allocator_type>::construct(allocator, array + index);
				return array;
			}

			void FreeSlots(slot_type* array, size_type slotCount)
			{
				if (array == nullptr)
					return;
				for (size_type index = 0; index < slotCount; ++index)
					std::allocator_traits<allocator_type>::destroy(allocator, array + index);
				std::allocator_traits<allocator_type>::deallocate(allocator, array, slotCount);
			}

			slot_type* slots = nullptr;
			slot_type* oldest = nullptr;
			slot_type* newest = nullptr;
			size_type slotTotal = 0;
			size_type usedCount = 0;
			float maxLoadFactor = 0.8f;
			float growthFactor = 2.0f;
			[[no_unique_address]] Hash hashKey;
			[[no_unique_address]] Equal equal;
			[[no_unique_address]] allocator_type allocator;
		};
	}
}
