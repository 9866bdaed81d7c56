// HotkeySetTest.cpp - a set of hotkeys is registered whole or not at all.
#include "engine/HotkeySet.h"

#include <gtest/gtest.h>

namespace {

HWND MakeWindow()
{
    return CreateWindowExA(0, "STATIC", "hotkey set", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

// Whether the combination is free now: a probe on a window of its own.
bool IsFree(uint16_t word)
{
    HWND probe = MakeWindow();
    bool free = RegisterHotKey(probe, 77, word >> 8, word & 0xFF) != FALSE;
    if (free) UnregisterHotKey(probe, 77);
    DestroyWindow(probe);
    return free;
}

const uint16_t kA = 0x0600 | VK_F7;   // Ctrl+Shift+F7
const uint16_t kB = 0x0600 | VK_F8;
const uint16_t kC = 0x0600 | VK_F9;

class HotkeySet : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = MakeWindow();
        blocker = MakeWindow();
        ASSERT_TRUE(window && blocker);
        ASSERT_TRUE(IsFree(kA) && IsFree(kB) && IsFree(kC));
    }
    void TearDown() override
    {
        DestroyWindow(window);
        DestroyWindow(blocker);
    }
    HWND window = nullptr, blocker = nullptr;
};

}  // namespace

TEST_F(HotkeySet, ANewSetTakesThePlaceOfTheOld)
{
    HotkeySetEntry current[] = {{1, kA, 100}};
    ASSERT_EQ(-1, ReplaceHotkeySet(window, nullptr, 0, current, 1));
    EXPECT_FALSE(IsFree(kA));
    // Moving a combination to another id of the set works.
    HotkeySetEntry next[] = {{1, kB, 100}, {2, kA, 101}};
    EXPECT_EQ(-1, ReplaceHotkeySet(window, current, 1, next, 2));
    EXPECT_FALSE(IsFree(kA));
    EXPECT_FALSE(IsFree(kB));
    ReplaceHotkeySet(window, next, 2, nullptr, 0);
    EXPECT_TRUE(IsFree(kA));
    EXPECT_TRUE(IsFree(kB));
}

TEST_F(HotkeySet, AHeldCombinationBringsThePreviousSetBack)
{
    HotkeySetEntry current[] = {{1, kA, 100}};
    ASSERT_EQ(-1, ReplaceHotkeySet(window, nullptr, 0, current, 1));
    ASSERT_TRUE(RegisterHotKey(blocker, 5, kC >> 8, kC & 0xFF));
    HotkeySetEntry next[] = {{1, kB, 100}, {2, kC, 101}};
    EXPECT_EQ(1, ReplaceHotkeySet(window, current, 1, next, 2));
    EXPECT_FALSE(IsFree(kA));   // the old one is registered again
    EXPECT_TRUE(IsFree(kB));    // what the failed set had taken is released
    UnregisterHotKey(blocker, 5);
    ReplaceHotkeySet(window, current, 1, nullptr, 0);
}

TEST_F(HotkeySet, OneCombinationTwiceInASetFails)
{
    HotkeySetEntry next[] = {{1, kA, 100}, {2, 0, 101}, {3, kA, 102}};
    EXPECT_EQ(2, ReplaceHotkeySet(window, nullptr, 0, next, 3));
    EXPECT_TRUE(IsFree(kA));
}
