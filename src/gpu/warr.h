// Fixed-capacity ring of the most recent samples, read oldest first from
// `first` to `last`. Appending never allocates and never moves elements.
// `Warr` (a wrapping array) reads like a slip of the keyboard; it is the
// ring's established name and is kept.
#pragma once

#include <new>

template <typename T>
class Warr {
public:
    Warr(short capacity, T* storage)
        : slots(nullptr), capacity(0), ownsSlots(false), first(1), last(0)
    {
        Allocate(capacity, storage);
    }

    virtual ~Warr()
    {
        if (ownsSlots)
            delete[] slots;
    }

    Warr(const Warr&) = delete;
    Warr& operator=(const Warr&) = delete;

    // Binds storage (its own when `storage` is null) and empties the array.
    // On failure nothing changes.
    bool Allocate(short newCapacity, T* storage)
    {
        if (newCapacity < 1)
            return false;
        T* bound = storage;
        if (bound == nullptr) {
            bound = new (std::nothrow) T[newCapacity];
            if (bound == nullptr)
                return false;
        }
        if (ownsSlots)
            delete[] slots;
        slots = bound;
        capacity = newCapacity;
        ownsSlots = (storage == nullptr);
        first = 1;
        last = 0;
        return true;
    }

    void Push(const T& value)
    {
        last = static_cast<short>(last + 1);
        if (last - first == capacity)
            first = static_cast<short>(first + 1);
        if (last == capacity) {
            first = static_cast<short>(first - capacity);
            last = 0;
        }
        slots[last] = value;
    }

    // Remainder with the sign of i, corrected into 0..capacity-1: `first`
    // goes negative once the ring has wrapped.
    int SlotOf(int i) const
    {
        int slot = i % capacity;
        if (slot < 0)
            slot += capacity;
        return slot;
    }

    T& At(int i) { return slots[SlotOf(i)]; }
    const T& At(int i) const { return slots[SlotOf(i)]; }

    int Count() const { return last - first + 1; }

    T* slots;
    short capacity;
    bool ownsSlots;
    short first;
    short last;
};
