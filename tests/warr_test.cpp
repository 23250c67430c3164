#include <gtest/gtest.h>

#include <vector>

#include "gpu/warr.h"
#include "harness.h"
#include "record.h"

namespace {

// The k-th value appended; the first is -1, which must be kept like any other.
int Value(int k)
{
    return k * 10 - 11;
}


struct RingCase {
    const char* name;
    short capacity;
    int appends;
    short first;
    short last;
    int oldestSlot; // -1: empty
    int newestSlot;
};

const RingCase RING_CASES[] = {
    {"new array", 3, 0, 1, 0, -1, -1},
    {"one append", 3, 1, 1, 1, 1, 1},
    {"capacity 3 full", 3, 3, -2, 0, 1, 0},
    {"capacity 3 overwritten once", 3, 4, -1, 1, 2, 1},
    {"capacity 1", 1, 5, 0, 0, 0, 0},
    {"history full", 101, 101, -100, 0, 1, 0},
    {"history after 1000", 101, 1000, -9, 91, 92, 91},
};

} // namespace

TEST(Warr, WalksOldestToNewestAcrossWraps)
{
    for (const RingCase& c : RING_CASES) {
        Warr<int> ring(c.capacity, nullptr);
        for (int k = 1; k <= c.appends; ++k)
            ring.Push(Value(k));
        EXPECT_EQ(ring.first, c.first) << c.name;
        EXPECT_EQ(ring.last, c.last) << c.name;

        std::vector<int> expected;
        const int kept = c.appends < c.capacity ? c.appends : c.capacity;
        for (int k = c.appends - kept + 1; k <= c.appends; ++k)
            expected.push_back(Value(k));
        EXPECT_EQ(record::Samples(ring), expected) << c.name;
        if (c.oldestSlot >= 0) {
            EXPECT_EQ(&ring.At(ring.first) - ring.slots, c.oldestSlot) << c.name;
            EXPECT_EQ(&ring.At(ring.last) - ring.slots, c.newestSlot) << c.name;
        }
    }
}

TEST(Warr, AllocateBelowOneChangesNothing)
{
    for (short capacity : {0, -1, -32768}) {
        Warr<int> fresh(capacity, nullptr);
        EXPECT_EQ(fresh.capacity, 0) << capacity;
        EXPECT_EQ(fresh.slots, nullptr) << capacity;
        EXPECT_TRUE(record::Samples(fresh).empty()) << capacity;

        Warr<int> used(3, nullptr);
        used.Push(5);
        used.Push(-1);
        EXPECT_FALSE(used.Allocate(capacity, nullptr)) << capacity;
        EXPECT_EQ(used.capacity, 3) << capacity;
        EXPECT_EQ(record::Samples(used), (std::vector<int>{5, -1})) << capacity;
    }
}

TEST(Warr, AllocateWithCallerStorageEmptiesAndDoesNotOwnIt)
{
    int storage[4] = {0, 0, 0, 0};
    {
        Warr<int> ring(3, nullptr);
        ring.Push(1);
        ASSERT_TRUE(ring.Allocate(4, storage));
        EXPECT_TRUE(record::Samples(ring).empty());
        EXPECT_FALSE(ring.ownsSlots);
        ring.Push(42);
        EXPECT_EQ(storage[1], 42);
    } // freeing caller storage here would corrupt the stack's frame or the heap
    EXPECT_EQ(storage[1], 42);
}
