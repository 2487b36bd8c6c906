// The open-addressed table behind tw::hash_map and tw::hash_set: double hashing over a prime number
// of slots, and a doubly linked list through the used slots that iteration follows from the most
// recently inserted element to the oldest. A rebuild re-inserts newest first, reversing that order.
#pragma once

#include "Utilities/HashFunctions.h"
#include "Utilities/Primes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <type_traits>
#include <utility>

namespace tw
{
	// One slot of a table. Whether it is used, empty or deleted is kept apart, in the table's
	// byte-per-slot tag array; the element lives in the slot only while it is used.
	template <class T>
	struct hash_slot
	{
		union
		{
			T element;
		};
		// The hash of the element's key while used, so a rebuild need not hash again.
		std::uint32_t hash = 0;
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
		// x mod d by two multiplications (Lemire's fastmod) instead of a division: every probe
		// needs two remainders by the prime capacity, and a division costs several times more.
		class FastModulo
		{
		public:
			FastModulo() = default;
			explicit FastModulo(std::uint32_t divisor)
				: magic(divisor == 0 ? 0 : ~std::uint64_t{0} / divisor + 1), divisor(divisor)
			{
			}

			std::uint32_t operator()(std::uint32_t x) const
			{
				const std::uint64_t fraction = magic * x;
				return static_cast<std::uint32_t>((static_cast<unsigned __int128>(fraction) * divisor) >> 64);
			}

		private:
			std::uint64_t magic = 0;
			std::uint32_t divisor = 0;
		};

		template <class T>
		struct HasConstKey : std::false_type
		{
		};
		template <class K, class V>
		struct HasConstKey<std::pair<const K, V>> : std::true_type
		{
		};

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

			hash_table()
			{
				AllocateArrays(kMinCapacity);
			}

			// The copy keeps the capacity, slot positions (deleted marks included) and iteration order.
			hash_table(const hash_table& other)
				: hashKey(other.hashKey), equal(other.equal),
				  allocator(std::allocator_traits<allocator_type>::select_on_container_copy_construction(other.allocator))
			{
				if (other.slots == nullptr)
					return;
				AllocateArrays(other.slotTotal);
				try
				{
					for (slot_type* source = other.oldest; source != nullptr; source = source->newer)
						Store(slots + (source - other.slots), source->hash, source->element);
				}
				catch (...)
				{
					DestroyElements();
					FreeArrays(slots, tags, slotTotal);
					throw;
				}
				std::copy_n(other.tags, slotTotal, tags);
			}

			hash_table(hash_table&& other) noexcept
				: slots(std::exchange(other.slots, nullptr)), tags(std::exchange(other.tags, nullptr)),
				  oldest(std::exchange(other.oldest, nullptr)), newest(std::exchange(other.newest, nullptr)),
				  slotTotal(std::exchange(other.slotTotal, 0)), usedCount(std::exchange(other.usedCount, 0)),
				  slotOf(std::exchange(other.slotOf, FastModulo())), stepOf(std::exchange(other.stepOf, FastModulo())),
				  maxLoadFactor(other.maxLoadFactor), growthFactor(other.growthFactor), hashKey(other.hashKey),
				  equal(other.equal), allocator(std::move(other.allocator))
			{
			}

			// Copy and move assignment both: the argument is built as a copy or taken over, then swapped in.
			hash_table& operator=(hash_table other) noexcept
			{
				swap(other);
				return *this;
			}

			~hash_table()
			{
				DestroyElements();
				FreeArrays(slots, tags, slotTotal);
			}

			void swap(hash_table& other) noexcept
			{
				using std::swap;
				swap(slots, other.slots);
				swap(tags, other.tags);
				swap(oldest, other.oldest);
				swap(newest, other.newest);
				swap(slotTotal, other.slotTotal);
				swap(usedCount, other.usedCount);
				swap(slotOf, other.slotOf);
				swap(stepOf, other.stepOf);
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
			// A lower maximum keeps probes short in a map that is hit constantly; the table grows at
			// once when it already holds more than the new maximum allows. A maximum that is not
			// positive could hold nothing and is ignored.
			void max_load_factor(float factor)
			{
				if (!(factor > 0.0f))
					return;
				maxLoadFactor = factor;
				while (static_cast<float>(usedCount) / static_cast<float>(slotTotal) > maxLoadFactor)
					Rebuild();
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
				if (slot == nullptr || !IsUsed(tags[slot - slots]))
					return end();
				slot_type* next = slot->older;
				Unlink(slot);
				std::destroy_at(&slot->element);
				tags[slot - slots] = kDeletedTag;
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
				std::fill_n(tags, slotTotal, kEmptyTag);
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
						return {iterator(Store(probe.insertAt, hash, std::forward<Args>(args)...)), true};
				}
				Rebuild();
				return {iterator(Store(FirstFreeSlot(hash), hash, std::forward<Args>(args)...)), true};
			}

		private:
			using tag_allocator_type = typename std::allocator_traits<Alloc>::template rebind_alloc<std::uint8_t>;

			// A slot's tag: empty, deleted, or used with seven bits of its hash, so that a probe reads
			// a compact array and touches a slot only when its key may match.
			static constexpr std::uint8_t kEmptyTag = 0;
			static constexpr std::uint8_t kDeletedTag = 1;
			static constexpr std::uint8_t kUsedBit = 0x80;

			static std::uint8_t UsedTag(std::uint32_t hash)
			{
				return static_cast<std::uint8_t>(kUsedBit | (hash >> 25));
			}
			static bool IsUsed(std::uint8_t tag)
			{
				return (tag & kUsedBit) != 0;
			}

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
				return stepOf(MixBits(hash)) + 1;
			}

			std::uint32_t Advance(std::uint32_t index, std::uint32_t step) const
			{
				return index >= slotTotal - step ? index - (slotTotal - step) : index + step;
			}

			bool Holds(std::uint32_t index, const Key& key, std::uint32_t hash) const
			{
				return slots[index].hash == hash && equal(KeyOf()(slots[index].element), key);
			}

			// Finds key's slot, or where it would go: the first deleted slot on its probe sequence,
			// else the empty slot that ends the sequence. Deleted slots end no sequence.
			Probe ProbeFor(const Key& key, std::uint32_t hash) const
			{
				const std::uint8_t wanted = UsedTag(hash);
				const std::uint32_t start = slotOf(hash);
				std::uint8_t tag = tags[start];
				if (tag == kEmptyTag)
					return {nullptr, slots + start};
				if (tag == wanted && Holds(start, key, hash))
					return {slots + start, nullptr};
				slot_type* insertAt = tag == kDeletedTag ? slots + start : nullptr;

				const std::uint32_t step = StepOf(hash);
				for (std::uint32_t index = Advance(start, step); index != start; index = Advance(index, step))
				{
					tag = tags[index];
					if (tag == kEmptyTag)
						return {nullptr, insertAt != nullptr ? insertAt : slots + index};
					if (tag == wanted)
					{
						if (Holds(index, key, hash))
							return {slots + index, nullptr};
					}
					else if (tag == kDeletedTag && insertAt == nullptr)
					{
						insertAt = slots + index;
					}
				}
				return {nullptr, insertAt};
			}

			// ProbeFor without the insert position, which lookups do not need.
			slot_type* FindSlot(const Key& key) const
			{
				if (usedCount == 0)
					return nullptr;
				const std::uint32_t hash = HashOf(key);
				const std::uint8_t wanted = UsedTag(hash);
				const std::uint32_t start = slotOf(hash);
				std::uint8_t tag = tags[start];
				if (tag == wanted && Holds(start, key, hash))
					return slots + start;
				if (tag == kEmptyTag)
					return nullptr;
				const std::uint32_t step = StepOf(hash);
				for (std::uint32_t index = Advance(start, step); index != start; index = Advance(index, step))
				{
					tag = tags[index];
					if (tag == wanted && Holds(index, key, hash))
						return slots + index;
					if (tag == kEmptyTag)
						return nullptr;
				}
				return nullptr;
			}

			// In a freshly built array (no deleted slots, keys unique) the insert position is the
			// first empty slot on the probe sequence.
			slot_type* FirstFreeSlot(std::uint32_t hash) const
			{
				std::uint32_t index = slotOf(hash);
				if (tags[index] == kEmptyTag)
					return slots + index;
				const std::uint32_t step = StepOf(hash);
				do
					index = Advance(index, step);
				while (tags[index] != kEmptyTag);
				return slots + index;
			}

			bool WouldOverload() const
			{
				return static_cast<float>(usedCount + 1) / static_cast<float>(slotTotal) > maxLoadFactor;
			}

			template <class... Args>
			slot_type* Store(slot_type* slot, std::uint32_t hash, Args&&... args)
			{
				std::construct_at(&slot->element, std::forward<Args>(args)...);
				slot->hash = hash;
				Link(slot);
				return slot;
			}

			void Link(slot_type* slot)
			{
				tags[slot - slots] = UsedTag(slot->hash);
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
			}

			// Grows to the next prime at or above growth factor times the capacity and re-inserts from
			// the newest element on, so the survivors come out in reverse order afterwards.
			void Rebuild()
			{
				const size_type newCapacity = slotTotal == 0
					? kMinCapacity
					: NextPrime(static_cast<size_type>(std::ceil(growthFactor * static_cast<float>(slotTotal))));
				slot_type* const oldSlots = slots;
				std::uint8_t* const oldTags = tags;
				const size_type oldCapacity = slotTotal;
				slot_type* walk = newest;

				AllocateArrays(newCapacity);
				oldest = nullptr;
				newest = nullptr;
				usedCount = 0;
				while (walk != nullptr)
				{
					slot_type* const older = walk->older;
					slot_type* const target = FirstFreeSlot(walk->hash);
					if constexpr (HasConstKey<Value>::value)
					{
						// Moving a pair with a const key copies the key (every string of a table, at
						// every rebuild); the old element is destroyed right below and never read again.
						Store(target, walk->hash, std::move(const_cast<Key&>(walk->element.first)),
							std::move(walk->element.second));
					}
					else
					{
						Store(target, walk->hash, std::move(walk->element));
					}
					std::destroy_at(&walk->element);
					walk = older;
				}
				FreeArrays(oldSlots, oldTags, oldCapacity);
			}

			void DestroyElements()
			{
				for (slot_type* slot = newest; slot != nullptr; slot = slot->older)
					std::destroy_at(&slot->element);
			}

			// Replaces the arrays (without freeing the old ones) by capacity empty slots.
			void AllocateArrays(size_type capacity)
			{
				slot_type* const newSlots = std::allocator_traits<allocator_type>::allocate(allocator, capacity);
				tag_allocator_type tagAllocator(allocator);
				std::uint8_t* newTags;
				try
				{
					newTags = std::allocator_traits<tag_allocator_type>::allocate(tagAllocator, capacity);
				}
				catch (...)
				{
					std::allocator_traits<allocator_type>::deallocate(allocator, newSlots, capacity);
					throw;
				}
				for (size_type index = 0; index < capacity; ++index)
					std::allocator_traits<allocator_type>::construct(allocator, newSlots + index);
				std::fill_n(newTags, capacity, kEmptyTag);
				slots = newSlots;
				tags = newTags;
				slotTotal = capacity;
				slotOf = FastModulo(capacity);
				stepOf = FastModulo(capacity - 2);
			}

			void FreeArrays(slot_type* oldSlots, std::uint8_t* oldTags, size_type capacity)
			{
				if (oldSlots == nullptr)
					return;
				for (size_type index = 0; index < capacity; ++index)
					std::allocator_traits<allocator_type>::destroy(allocator, oldSlots + index);
				std::allocator_traits<allocator_type>::deallocate(allocator, oldSlots, capacity);
				tag_allocator_type tagAllocator(allocator);
				std::allocator_traits<tag_allocator_type>::deallocate(tagAllocator, oldTags, capacity);
			}

			slot_type* slots = nullptr;
			std::uint8_t* tags = nullptr;
			slot_type* oldest = nullptr;
			slot_type* newest = nullptr;
			size_type slotTotal = 0;
			size_type usedCount = 0;
			FastModulo slotOf;
			FastModulo stepOf;
			float maxLoadFactor = 0.8f;
			float growthFactor = 2.0f;
			[[no_unique_address]] Hash hashKey;
			[[no_unique_address]] Equal equal;
			[[no_unique_address]] allocator_type allocator;
		};
	}
}
