// GrowArrayTest.cpp - insertion, growth, capacity, removal, copy and the size guards.
#include "framework/core/GrowArray.h"

#include <gtest/gtest.h>

#include <vector>

static GrowArray<int> MakeArray(std::initializer_list<int> values, int32_t step = -1)
{
    GrowArray<int> a;
    InitGrowArray(&a);
    a.growStep = step;
    for (int v : values) ArrayAppend(&a, &v);
    return a;
}

static std::vector<int> Items(const GrowArray<int>& a)
{
    return std::vector<int>(a.data, a.data + a.count);
}

TEST(GrowArray, InitIsEmptyDoublingAndOwned)
{
    GrowArray<int> a;
    a.count = 7;
    InitGrowArray(&a);
    EXPECT_EQ(0, a.count);
    EXPECT_EQ(nullptr, a.data);
    EXPECT_EQ(-1, a.growStep);
    EXPECT_EQ(0, a.capacity);
    EXPECT_EQ(0, a.notOwned);
}

TEST(GrowArray, InsertIndexIsClamped)
{
    struct Case {
        int32_t index;
        int32_t want;
        std::vector<int> items;
        const char* why;
    } cases[] = {
        {-5, 0, {9, 1, 2, 3}, "negative inserts at the front"},
        {99, 3, {1, 2, 3, 9}, "past the end appends"},
        {1, 1, {1, 9, 2, 3}, "inside moves the tail up"},
        {3, 3, {1, 2, 3, 9}, "at count appends"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        GrowArray<int> a = MakeArray({1, 2, 3});
        int v = 9;
        EXPECT_EQ(c.want, ArrayInsertAt(&a, &v, c.index));
        EXPECT_EQ(c.items, Items(a));
        FreeGrowArray(&a);
    }
}

TEST(GrowArray, InsertRejectsNullSourceAndEmptyCount)
{
    GrowArray<int> a = MakeArray({1});
    int v = 2;
    EXPECT_EQ(-1, ArrayInsertAt(&a, (const int*)nullptr, 0, 1));
    EXPECT_EQ(-1, ArrayInsertAt(&a, &v, 0, 0));
    EXPECT_EQ(-1, ArrayInsertAt(&a, &v, 0, -3));
    EXPECT_EQ(std::vector<int>{1}, Items(a));
    FreeGrowArray(&a);
}

TEST(GrowArray, CapacityGrowsByDoublingOrByStep)
{
    struct Case {
        int32_t step;
        std::vector<int32_t> capacities;   // after 1, 11, 17, 21, 33 appends
        const char* why;
    } cases[] = {
        {-1, {16, 16, 32, 32, 64}, "default: 16, then doubling"},
        {10, {10, 20, 20, 30, 40}, "step 10: 10, 20, 30, ..."},
        {1, {1, 11, 17, 21, 33}, "step 1: exactly what is needed"},
        {0, {16, 16, 32, 32, 64}, "step 0 cannot grow by 0: doubles"},
    };
    const int marks[] = {1, 11, 17, 21, 33};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        GrowArray<int> a = MakeArray({}, c.step);
        std::vector<int32_t> seen;
        int n = 0;
        for (int mark : marks) {
            for (; n < mark; n++) ASSERT_EQ(n, ArrayAppend(&a, &n));
            seen.push_back(a.capacity);
        }
        EXPECT_EQ(c.capacities, seen);
        for (int i = 0; i < a.count; i++) EXPECT_EQ(i, a.data[i]);
        FreeGrowArray(&a);
    }
}

TEST(GrowArray, InsertManyMovesTail)
{
    GrowArray<int> a = MakeArray({1, 2, 3});
    int src[] = {7, 8};
    EXPECT_EQ(1, ArrayInsertAt(&a, src, 1, 2));
    EXPECT_EQ((std::vector<int>{1, 7, 8, 2, 3}), Items(a));
    FreeGrowArray(&a);
}

TEST(GrowArray, InsertFromInsideTheArraySurvivesReallocation)
{
    GrowArray<int> a;
    InitGrowArray(&a);
    for (int i = 0; i < 16; i++) ArrayAppend(&a, &i);
    ASSERT_EQ(16, a.capacity);   // full: the next insertion reallocates
    EXPECT_EQ(0, ArrayInsertAt(&a, a.data + 10, 0, 4));
    ASSERT_EQ(20, a.count);
    EXPECT_EQ((std::vector<int>{10, 11, 12, 13, 0, 1}), std::vector<int>(a.data, a.data + 6));

    // Without reallocation the tail move would shift the source too.
    int before = a.data[5];
    EXPECT_EQ(2, ArrayInsertAt(&a, a.data + 5, 2));
    EXPECT_EQ(before, a.data[2]);
    FreeGrowArray(&a);
}

TEST(GrowArray, SetCapacity)
{
    GrowArray<int> a = MakeArray({1, 2, 3, 4, 5});
    ASSERT_EQ(16, a.capacity);
    int* data = a.data;
    EXPECT_TRUE(ArraySetCapacity(&a, 5, -1)) << "equal to the count: nothing changes";
    EXPECT_EQ(16, a.capacity);
    EXPECT_EQ(data, a.data);

    EXPECT_TRUE(ArraySetCapacity(&a, 3, 4)) << "shrinking below the count cuts the count";
    EXPECT_EQ(3, a.count);
    EXPECT_EQ(3, a.capacity);
    EXPECT_EQ(4, a.growStep);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Items(a));

    EXPECT_FALSE(ArraySetCapacity(&a, 0, -1)) << "0 empties and reports false";
    EXPECT_EQ(0, a.count);
    EXPECT_EQ(0, a.capacity);
    EXPECT_EQ(nullptr, a.data);
    EXPECT_FALSE(ArraySetCapacity(&a, -4, -1));
}

TEST(GrowArray, RemoveAt)
{
    GrowArray<int> a = MakeArray({1, 2, 3});
    ArrayRemoveAt(&a, -1);
    ArrayRemoveAt(&a, 3);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Items(a)) << "out of range does nothing";
    ArrayRemoveAt(&a, 0);
    EXPECT_EQ((std::vector<int>{2, 3}), Items(a));
    ArrayRemoveAt(&a, 1);
    EXPECT_EQ((std::vector<int>{2}), Items(a));
    EXPECT_EQ(16, a.capacity) << "capacity never shrinks";
    FreeGrowArray(&a);
}

TEST(GrowArray, FreeLeavesForeignStorageAlone)
{
    int storage[4] = {1, 2, 3, 4};
    GrowArray<int> a;
    InitGrowArray(&a);
    a.data = storage;
    a.count = 4;
    a.capacity = 4;
    a.notOwned = 1;
    FreeGrowArray(&a);   // would crash freeing the stack
    EXPECT_EQ(nullptr, a.data);
    EXPECT_EQ(0, a.count);
    EXPECT_EQ(0, a.capacity);
    EXPECT_EQ(3, storage[2]);
}

TEST(GrowArray, GrowingForeignStorageCopiesIntoOwnBlock)
{
    int storage[2] = {1, 2};
    GrowArray<int> a;
    InitGrowArray(&a);
    a.data = storage;
    a.count = 2;
    a.capacity = 2;
    a.notOwned = 1;
    int v = 3;
    EXPECT_EQ(2, ArrayAppend(&a, &v));
    EXPECT_NE(storage, a.data);
    EXPECT_EQ(0, a.notOwned);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Items(a));
    FreeGrowArray(&a);
}

TEST(GrowArray, CopyFrom)
{
    GrowArray<int> empty = MakeArray({});
    GrowArray<int> target = MakeArray({});
    EXPECT_TRUE(ArrayCopyFrom(&empty, &target)) << "empty into empty";

    GrowArray<int> full = MakeArray({4, 5, 6}, 8);
    EXPECT_TRUE(ArrayCopyFrom(&full, &target));
    EXPECT_EQ((std::vector<int>{4, 5, 6}), Items(target));
    EXPECT_EQ(8, target.growStep);
    EXPECT_NE(full.data, target.data);

    EXPECT_FALSE(ArrayCopyFrom(&empty, &target)) << "empty into non-empty empties and fails";
    EXPECT_EQ(0, target.count);
    FreeGrowArray(&full);
    FreeGrowArray(&target);
}

TEST(GrowArray, SwapItems)
{
    GrowArray<int> a = MakeArray({1, 2, 3});
    ArraySwapItems(&a, 0, 2);
    EXPECT_EQ((std::vector<int>{3, 2, 1}), Items(a));
    ArraySwapItems(&a, 1, 1);
    EXPECT_EQ((std::vector<int>{3, 2, 1}), Items(a));
    FreeGrowArray(&a);
}

// Element big enough that a huge count cannot be allocated.
struct BigRecord {
    char bytes[1 << 20];
};

TEST(GrowArray, SizeArithmeticIsRefusedNotWrapped)
{
    // Counts are faked over foreign storage; nothing may touch it when refused.
    static int fake[4];
    GrowArray<int> a;
    InitGrowArray(&a);
    a.data = fake;
    a.notOwned = 1;
    a.count = INT32_MAX - 1;
    a.capacity = INT32_MAX - 1;
    int v = 1;
    EXPECT_EQ(-1, ArrayInsertAt(&a, &v, 0, 5)) << "count + n beyond 32 bits";
    EXPECT_EQ(INT32_MAX - 1, a.count);
    EXPECT_EQ(fake, a.data);

    GrowArray<BigRecord> big;
    InitGrowArray(&big);
    static BigRecord one;
    EXPECT_EQ(-1, ArrayInsertAt(&big, &one, 0, INT32_MAX)) << "2^31 MiB cannot be had";
    EXPECT_EQ(0, big.count);
    EXPECT_FALSE(ArraySetCapacity(&big, INT32_MAX, -1));
    EXPECT_EQ(0, big.capacity);
    EXPECT_EQ(0, ArrayAppend(&big, &one));
    EXPECT_EQ(1, big.count);
    FreeGrowArray(&big);
}

TEST(GrowArray, FreeHeldBuffer)
{
    void* holder = malloc(10);
    FreeHeldBuffer(&holder);
    EXPECT_EQ(nullptr, holder);
    FreeHeldBuffer(&holder);   // twice is safe
    FreeHeldBuffer(nullptr);
}
