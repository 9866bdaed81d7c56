// HotkeyFieldTest.cpp - hotkey fields under the real keyboard (SendInput to a
// focused edit in the foreground): combinations and their text, modifiers
// alone, Backspace, test registrations another thread cannot take, and the
// "Select Key Combination" dialog with its four Escapes and its OK.
#include "framework/ui/HotkeyField.h"
#include "framework/ui/HotkeyFieldRes.h"
#include "framework/ui/HotkeyKeys.h"
#include "framework/ui/ListControl.h"
#include "tests/ui/ItemTestUtil.h"

#include <map>

namespace {

void Keys(std::initializer_list<std::pair<WORD, bool>> keys)
{
    for (const auto& k : keys) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = k.first;
        in.ki.dwFlags = k.second ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &in, sizeof(in));
    }
}

// Key releases this thread has taken, seen by a hook in front of the fields'.
std::map<WORD, int> g_released;
HHOOK g_watch;

LRESULT CALLBACK WatchKeys(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && (lParam & 0x80000000)) g_released[(WORD)wParam]++;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string LocalKeyName(UINT vk)
{
    char name[64] = {};
    LONG scan = (LONG)MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) << 16;
    if (!GetKeyNameTextA(scan, name, sizeof(name))) GetKeyNameTextA(scan | (1 << 24), name, sizeof(name));
    return name;
}

std::string EditText(HWND edit)
{
    char text[300] = {};
    GetWindowTextA(edit, text, sizeof(text));
    return text;
}

// RegisterHotKey on a thread of its own: the system's error (0 success);
// what it registered it frees again.
DWORD RegisterOnOtherThread(uint16_t combination)
{
    struct Try {
        uint16_t combination;
        DWORD error;
    } t = {combination, 0};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void* p) -> DWORD {
            Try* t = (Try*)p;
            SetLastError(0);
            if (RegisterHotKey(nullptr, 77, t->combination >> 8, t->combination & 0xFF))
                UnregisterHotKey(nullptr, 77);
            else
                t->error = GetLastError();
            return 0;
        },
        &t, 0, nullptr);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    return t.error;
}

class Hotkeys : public ItemTest {
protected:
    void SetUp() override
    {
        ItemTest::SetUp();
        FillHotkeyKeyTable();
        window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "Hotkeys", WS_POPUP | WS_CAPTION | WS_VISIBLE, 120, 120, 320,
                                 120, nullptr, nullptr, g_app.instance, nullptr);
        ASSERT_NE(nullptr, window);
        edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10, 10, 280, 24,
                               window, (HMENU)1190, g_app.instance, nullptr);
        plain = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 50, 280, 24, window, nullptr,
                                g_app.instance, nullptr);
        InitHotkeyField(&field);
        ASSERT_NE(nullptr, field.keyboardHook);
        g_watch = SetWindowsHookExA(WH_KEYBOARD, WatchKeys, nullptr, GetCurrentThreadId());
        g_released.clear();
        SetForegroundWindow(window);
        PumpUntil([&] { return GetForegroundWindow() == window; }, 5000);
    }
    void TearDown() override
    {
        Keys({{VK_SHIFT, false}, {VK_CONTROL, false}, {VK_MENU, false}});
        if (g_watch) UnhookWindowsHookEx(g_watch);
        g_watch = nullptr;
        FreeHotkeyField(&field);
        if (window) DestroyWindow(window);
        ItemTest::TearDown();
    }
    // Types the keys and waits until the last one's release was taken.
    void Type(std::initializer_list<std::pair<WORD, bool>> keys)
    {
        WORD last = 0;
        for (const auto& k : keys)
            if (!k.second) last = k.first;
        int before = g_released[last];
        Keys(keys);
        ASSERT_TRUE(PumpUntil([&] { return g_released[last] > before; }, 5000)) << "key " << last;
    }
    HotkeyField field = {};
    HWND window = nullptr, edit = nullptr, plain = nullptr;
};

}  // namespace

TEST_F(Hotkeys, TypedCombinationsAreTakenAndShown)
{
    ASSERT_TRUE(AttachHotkeyField(&field, edit));
    ASSERT_NE(nullptr, field.button);
    RECT client, button;
    GetClientRect(edit, &client);
    GetWindowRect(field.button, &button);
    MapWindowPoints(nullptr, edit, (POINT*)&button, 2);
    EXPECT_EQ(client.right - client.bottom, button.left) << "the \"+\" sits at the right edge";
    EXPECT_EQ(client.bottom, button.right - button.left);
    EXPECT_EQ(client.bottom, button.bottom - button.top);
    SetFocus(edit);
    ASSERT_EQ(edit, GetFocus());
    const std::string shift = LocalKeyName(VK_SHIFT), ctrl = LocalKeyName(VK_CONTROL);
    ASSERT_FALSE(shift.empty());

    struct Step {
        std::initializer_list<std::pair<WORD, bool>> keys;
        uint16_t combination;
        std::string text;
        const char* why;
    };
    const Step kSteps[] = {
        {{{VK_SHIFT, true}, {VK_F5, true}, {VK_F5, false}, {VK_SHIFT, false}}, 0x0474, shift + " + F5", "Shift+F5"},
        {{{VK_CONTROL, true}, {VK_CONTROL, false}}, 0x0474, shift + " + F5", "Ctrl alone changes nothing"},
        {{{VK_SHIFT, true}, {VK_SHIFT, false}}, 0x0474, shift + " + F5", "nor Shift alone"},
        {{{'K', true}, {'K', false}}, 0x004B, "K", "a letter: its name only, never typed into the edit"},
        {{{VK_CONTROL, true}, {VK_SHIFT, true}, {'K', true}, {'K', false}, {VK_SHIFT, false}, {VK_CONTROL, false}},
         0x064B, ctrl + " + " + shift + " + K", "Ctrl before Shift in the text"},
        {{{VK_SNAPSHOT, false}}, 0x002C, "Print Screen", "Print Screen reports only its release"},
        {{{VK_CONTROL, true}, {VK_SNAPSHOT, false}, {VK_CONTROL, false}}, 0x022C, ctrl + " + Print Screen",
         "and with a modifier held"},
        {{{VK_SHIFT, true}, {VK_BACK, true}, {VK_BACK, false}, {VK_SHIFT, false}}, 0x0400, shift + " + NONE",
         "Backspace with a modifier leaves the modifier"},
        {{{VK_BACK, true}, {VK_BACK, false}}, 0, "NONE", "Backspace alone clears"},
    };
    for (const Step& s : kSteps) {
        SCOPED_TRACE(s.why);
        Type(s.keys);
        EXPECT_EQ(s.combination, field.combination);
        EXPECT_EQ(s.text, EditText(edit));
    }

    // An edit that answers for no field: its keys are its own, the field's
    // combination stays.
    SetFocus(plain);
    Type({{'Q', true}, {'Q', false}});
    EXPECT_EQ("q", EditText(plain));
    EXPECT_EQ(0, field.combination);

    DetachHotkeyField(&field);
    EXPECT_EQ(nullptr, field.button);
    SetFocus(edit);
    SetWindowTextA(edit, "");
    Type({{'Z', true}, {'Z', false}});
    EXPECT_EQ("z", EditText(edit)) << "a detached edit is an edit again";
}

TEST_F(Hotkeys, ATestRegistrationHoldsTheCombinationAndFreesThePreviousOne)
{
    const uint16_t ctrlF7 = MOD_CONTROL << 8 | VK_F7, shiftF8 = MOD_SHIFT << 8 | VK_F8, shiftF9 = MOD_SHIFT << 8 | VK_F9;
    ASSERT_EQ(0u, RegisterOnOtherThread(ctrlF7)) << "free to begin with";
    ASSERT_TRUE(AttachHotkeyField(&field, edit));

    // Without a test registration the field registers nothing.
    SetHotkey(&field, shiftF8);
    EXPECT_EQ(0u, RegisterOnOtherThread(shiftF8));

    // The field holds a test registration of Ctrl+F7 (a thread hotkey, id 0).
    ASSERT_TRUE(RegisterHotKey(field.registrationWindow, field.registrationId, MOD_CONTROL, VK_F7));
    field.combination = ctrlF7;
    field.registered = 1;
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, RegisterOnOtherThread(ctrlF7));

    SetHotkey(&field, shiftF8);
    EXPECT_TRUE(field.registered);
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, RegisterOnOtherThread(shiftF8)) << "held by the field";
    EXPECT_EQ(0u, RegisterOnOtherThread(ctrlF7)) << "the previous one is free";

    SetFocus(edit);
    Type({{VK_SHIFT, true}, {VK_F9, true}, {VK_F9, false}, {VK_SHIFT, false}});
    EXPECT_EQ(shiftF9, field.combination);
    EXPECT_EQ((DWORD)ERROR_HOTKEY_ALREADY_REGISTERED, RegisterOnOtherThread(shiftF9)) << "typed, and moved along";
    EXPECT_EQ(0u, RegisterOnOtherThread(shiftF8));

    DetachHotkeyField(&field);
    EXPECT_FALSE(field.registered);
    EXPECT_EQ(0u, RegisterOnOtherThread(shiftF9)) << "detaching frees it";
}

//--- the dialog

namespace {

// Runs inside the dialog's modal loop, one step a tick, each waiting for
// what the one before caused.
struct DialogScript {
    HotkeyField* field;
    int mode;            // 0 four Escapes, 1 typed Shift+F5, 2 Left Win and Left Shift picked
    int step;
    HWND dialog;
    int escapesWhileOpen;
    int initialSelection, initialTop;
    bool shiftBoxAfterTyping;
    int selectedAfterTyping;
    int ticks;
};
DialogScript g_script;

BOOL CALLBACK FindKeyDialog(HWND w, LPARAM out)
{
    char caption[64] = {};
    GetWindowTextA(w, caption, sizeof(caption));
    if (IsWindowVisible(w) && strcmp(caption, "Select Key Combination") == 0) {
        *(HWND*)out = w;
        return FALSE;
    }
    return TRUE;
}

int RowOfKey(CList* list, int key)
{
    for (int i = 0; i < GetListRowCount(list); i++)
        if (((const KeyNameRow*)GetListRowData(list, i))->code == key) return i;
    return -1;
}

void CALLBACK RunDialogScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    DialogScript& s = g_script;
    CList* list = s.field->keyList;
    // A script stuck for 10 s ends the dialog with a result no button gives.
    if (++s.ticks > 200) {
        KillTimer(nullptr, timer);
        if (s.dialog) EndDialog(s.dialog, 99);
        return;
    }
    switch (s.step) {
    case 0:
        EnumThreadWindows(GetCurrentThreadId(), FindKeyDialog, (LPARAM)&s.dialog);
        if (!s.dialog) return;
        s.initialSelection = GetListSelection(list);
        s.initialTop = (int)SendMessageA(list->listBox, LB_GETTOPINDEX, 0, 0);
        SetForegroundWindow(s.dialog);
        SetFocus(list->listBox);
        if (s.mode == 0) {
            Keys({{VK_ESCAPE, true}, {VK_ESCAPE, false}, {VK_ESCAPE, true}, {VK_ESCAPE, false}, {VK_ESCAPE, true},
                  {VK_ESCAPE, false}});
        } else if (s.mode == 1) {
            Keys({{VK_SHIFT, true}, {VK_F5, true}, {VK_F5, false}, {VK_SHIFT, false}});
        } else {
            SelectListRow(list, -1, false, false);
            SelectListRow(list, RowOfKey(list, VK_LWIN), true, false);
            SelectListRow(list, RowOfKey(list, VK_LSHIFT), true, false);
            PostMessageA(s.dialog, WM_COMMAND, IDOK, 0);
            KillTimer(nullptr, timer);
            return;
        }
        s.step = 1;
        return;
    case 1:
        if (s.mode == 0) {
            if (g_released[VK_ESCAPE] < 3) return;
            s.escapesWhileOpen = IsWindow(s.dialog) ? 3 : 0;
            Keys({{VK_ESCAPE, true}, {VK_ESCAPE, false}});
        } else {
            if (g_released[VK_SHIFT] < 1) return;
            s.shiftBoxAfterTyping = IsDlgButtonChecked(s.dialog, IDX_KEY_SHIFT) == BST_CHECKED;
            s.selectedAfterTyping = (int)SendMessageA(list->listBox, LB_GETSELCOUNT, 0, 0);
            PostMessageA(s.dialog, WM_COMMAND, IDOK, 0);
        }
        KillTimer(nullptr, timer);
        s.step = 2;
        return;
    }
}

INT_PTR RunDialog(HotkeyField* field, HWND owner, int mode)
{
    g_script = DialogScript{field, mode, 0, nullptr, 0, -1, -1, false, 0, 0};
    SetTimer(nullptr, 0, 50, RunDialogScript);
    return ShowKeyCombinationDialog(field, owner);
}

}  // namespace

TEST_F(Hotkeys, TheDialogNeedsFourEscapesAndOkCombinesTheSelectedKeys)
{
    ASSERT_TRUE(AttachHotkeyField(&field, edit));
    SetHotkey(&field, MOD_CONTROL << 8 | VK_F5);

    EXPECT_EQ(IDCANCEL, RunDialog(&field, window, 0));
    EXPECT_EQ(3, g_script.escapesWhileOpen) << "three Escapes leave it open";
    EXPECT_TRUE(PumpUntil([] { return g_released[VK_ESCAPE] == 4; }, 5000)) << "the fourth, which closed it";
    EXPECT_EQ(VK_F5, g_script.initialSelection) << "the field's key is selected (every key listed, in order)";
    EXPECT_EQ(VK_F5 - 4, g_script.initialTop) << "four rows above it at the top";
    EXPECT_EQ(MOD_CONTROL << 8 | VK_F5, field.combination) << "Cancel changes nothing";

    g_released.clear();
    EXPECT_EQ(IDOK, RunDialog(&field, window, 1));
    EXPECT_TRUE(g_script.shiftBoxAfterTyping) << "the modifier held checks its box";
    EXPECT_EQ(3, g_script.selectedAfterTyping) << "the keys held: Shift, Left Shift, F5";
    EXPECT_EQ(MOD_SHIFT << 8 | VK_F5, field.combination);
    EXPECT_EQ(LocalKeyName(VK_SHIFT) + " + F5", EditText(edit));

    EXPECT_EQ(IDOK, RunDialog(&field, window, 2));
    EXPECT_EQ(MOD_SHIFT << 8 | VK_LWIN, field.combination) << "the Win key with the Shift modifier";
}

TEST(HotkeyText, ModifiersInTheirOrderThenTheKeysName)
{
    FillHotkeyKeyTable();
    const KeyNameRow* rows = GetKeyNameTable();
    std::string ctrl = rows[VK_CONTROL].localName, shift = rows[VK_SHIFT].localName, alt = rows[VK_MENU].localName,
                win = rows[VK_LWIN].localName;
    struct Case {
        uint16_t combination;
        std::string text;
    };
    const Case kCases[] = {
        {0x0F41, ctrl + " + " + shift + " + " + alt + " + " + win + " + A"},
        {0x0170, alt + " + F1"},
        {0x08FF, win + " + "},
        {0x002C, "Print Screen"},
        {0x0007, rows[7].localName[0] ? rows[7].localName : "0x07"},
    };
    for (const Case& c : kCases) EXPECT_EQ(c.text, FormatHotkeyText(c.combination)) << std::hex << c.combination;
}
