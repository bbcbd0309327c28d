// CWnd on real windows: its message table in front of the window's own class
// procedure, notifications reflected from parent to child, and the two ways a
// window and its object part.
#include "AfxWnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kAsk = WM_APP + 1;      // answered by the table
constexpr UINT kDestroyMe = WM_APP + 2; // the handler destroys its own window

// A checkbox whose object handles a few messages and passes the rest on.
class CheckBox : public CWnd {
public:
    std::vector<std::string> seen;
    int postNcDestroys = 0;
    bool deleteOnDestroy = false;

    BOOL PreCreateWindow(CREATESTRUCTA& cs) override {
        cs.lpszClass = "BUTTON"; // whatever the caller asked for
        cs.style |= BS_AUTOCHECKBOX;
        return TRUE;
    }
    void OnSize(UINT type, int cx, int cy) {
        seen.push_back("size " + std::to_string(type) + " " + std::to_string(cx) + "x" +
                       std::to_string(cy));
        CWnd::OnSize(type, cx, cy);
    }
    LRESULT OnAsk(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam + lParam); }
    LRESULT OnSetText(WPARAM, LPARAM lParam) {
        seen.push_back(std::string("text ") + reinterpret_cast<const char*>(lParam));
        return Default(); // the button stores it
    }
    LRESULT OnDestroyMe(WPARAM, LPARAM) {
        DestroyWindow();
        return 7;
    }
    LRESULT OnReflectedCommand(WPARAM wParam, LPARAM) {
        seen.push_back("reflected command " + std::to_string(HIWORD(wParam)));
        return 0;
    }
    void PostNcDestroy() override {
        ++postNcDestroys;
        if (deleteOnDestroy) delete this;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CheckBox, CWnd)
ON_WM_SIZE()
ON_MESSAGE(kAsk, OnAsk)
ON_MESSAGE(WM_SETTEXT, OnSetText)
ON_MESSAGE(kDestroyMe, OnDestroyMe)
ON_MESSAGE(OCM_COMMAND, OnReflectedCommand)
END_MESSAGE_MAP()

// A list view that keeps the notifications it handles itself.
class ReflectingList : public CWnd {
public:
    std::vector<std::string> seen;
    void OnReflectedDblClk(NMHDR* header, LRESULT* result) {
        seen.push_back("reflected dblclk from " + std::to_string(header->idFrom));
        *result = 5;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ReflectingList, CWnd)
ON_NOTIFY_REFLECT(NM_DBLCLK, OnReflectedDblClk)
END_MESSAGE_MAP()

// The parent of both: handles what its children do not keep.
class Parent : public CWnd {
public:
    std::vector<std::string> seen;
    void OnClickList(NMHDR*, LRESULT* result) {
        seen.push_back("click from list");
        *result = 9;
    }
    void OnDblClkList(NMHDR*, LRESULT*) { seen.push_back("dblclk reached the parent"); }
    void OnDestroy() {
        seen.push_back("destroy");
        CWnd::OnDestroy();
    }
    DECLARE_MESSAGE_MAP()
};

constexpr UINT kListId = 206;

BEGIN_MESSAGE_MAP(Parent, CWnd)
ON_NOTIFY(NM_CLICK, kListId, OnClickList)
ON_NOTIFY(NM_DBLCLK, kListId, OnDblClkList)
ON_WM_DESTROY()
END_MESSAGE_MAP()

const RECT kRect = {0, 0, 200, 100};

LRESULT Notify(HWND parent, HWND from, UINT id, UINT code) {
    NMHDR header = {from, id, code};
    return SendMessageA(parent, WM_NOTIFY, id, reinterpret_cast<LPARAM>(&header));
}

TEST(Window, TheTableComesFirstAndTheClassProcedureDoesTheRest) {
    CheckBox box;
    ASSERT_TRUE(box.CreateEx(0, "STATIC", "first", WS_POPUP, kRect, nullptr, 0));
    char className[32] = {};
    GetClassNameA(box.m_hWnd, className, sizeof className);
    EXPECT_STREQ("Button", className);
    EXPECT_EQ(&box, CWnd::FromHandlePermanent(box.m_hWnd));

    EXPECT_EQ(42, box.SendMessage(kAsk, 40, 2));
    box.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("second"));
    char text[32] = {};
    GetWindowTextA(box.m_hWnd, text, sizeof text);
    EXPECT_STREQ("second", text); // Default() handed it to the button
    SetWindowPos(box.m_hWnd, nullptr, 0, 0, 64, 32, SWP_NOMOVE | SWP_NOZORDER);
    // Unhandled messages reach the button: it checks and reports itself.
    box.SendMessage(BM_SETCHECK, BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, box.SendMessage(BM_GETCHECK));
    EXPECT_EQ((std::vector<std::string>{"text second", "size 0 64x32"}), box.seen);
}

TEST(Window, NotificationsGoBackToTheChildFirstAndTheRestReachTheParent) {
    Parent parent;
    ASSERT_TRUE(parent.CreateEx(0, "STATIC", "", WS_POPUP, kRect, nullptr, 0));
    const HWND listWindow =
        CreateWindowExA(0, "SysListView32", "", WS_CHILD | LVS_REPORT, 0, 0, 100, 50,
                        parent.m_hWnd, reinterpret_cast<HMENU>(kListId), nullptr, nullptr);
    ASSERT_NE(nullptr, listWindow);
    ReflectingList list;
    ASSERT_TRUE(list.SubclassDlgItem(kListId, &parent));
    EXPECT_FALSE(list.SubclassWindow(listWindow)); // attached once only

    EXPECT_EQ(5, Notify(parent.m_hWnd, listWindow, kListId, NM_DBLCLK)); // the child keeps it
    EXPECT_EQ(9, Notify(parent.m_hWnd, listWindow, kListId, NM_CLICK));  // the child lets it pass
    EXPECT_EQ(0, Notify(parent.m_hWnd, listWindow, kListId + 1, NM_CLICK)); // no entry for the id
    EXPECT_EQ(std::vector<std::string>{"reflected dblclk from 206"}, list.seen);
    EXPECT_EQ(std::vector<std::string>{"click from list"}, parent.seen);

    // A button's click reaches the button object as OCM_COMMAND.
    CheckBox box;
    ASSERT_TRUE(box.CreateEx(0, "BUTTON", "box", WS_CHILD | WS_VISIBLE, kRect, parent.m_hWnd, 12));
    box.SendMessage(BM_CLICK);
    EXPECT_EQ(std::vector<std::string>{"reflected command 0"}, box.seen); // BN_CLICKED
}

TEST(Window, AnObjectLetsGoOfADestroyedWindowAndAWindowOutlivesItsSubclasser) {
    Parent parent;
    ASSERT_TRUE(parent.CreateEx(0, "STATIC", "", WS_POPUP, kRect, nullptr, 0));
    const HWND created = parent.m_hWnd;
    EXPECT_TRUE(DestroyWindow(created));
    EXPECT_EQ(nullptr, parent.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(created));
    EXPECT_EQ(std::vector<std::string>{"destroy"}, parent.seen);

    // Deleting the object first: a window it subclassed lives on with its
    // own procedure; a window it created goes with it.
    const HWND plain = CreateWindowExA(0, "BUTTON", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                       nullptr, nullptr);
    const LONG_PTR ownProcedure = GetWindowLongPtrA(plain, GWLP_WNDPROC);
    HWND made = nullptr;
    {
        CheckBox subclasser, creator;
        ASSERT_TRUE(subclasser.SubclassWindow(plain));
        EXPECT_NE(ownProcedure, GetWindowLongPtrA(plain, GWLP_WNDPROC));
        ASSERT_TRUE(creator.CreateEx(0, "BUTTON", "", WS_POPUP, kRect, nullptr, 0));
        made = creator.m_hWnd;
    }
    EXPECT_TRUE(IsWindow(plain));
    EXPECT_EQ(ownProcedure, GetWindowLongPtrA(plain, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(plain));
    EXPECT_FALSE(IsWindow(made));
    DestroyWindow(plain);
}

TEST(Window, AHandlerMayDestroyItsWindowAndTheObjectMayDeleteItself) {
    CheckBox kept;
    ASSERT_TRUE(kept.CreateEx(0, "BUTTON", "", WS_POPUP, kRect, nullptr, 0));
    const HWND first = kept.m_hWnd;
    EXPECT_EQ(7, SendMessageA(first, kDestroyMe, 0, 0));
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(nullptr, kept.m_hWnd);
    EXPECT_EQ(1, kept.postNcDestroys);
    // The same object takes a new window afterwards.
    ASSERT_TRUE(kept.CreateEx(0, "BUTTON", "", WS_POPUP, kRect, nullptr, 0));

    auto* owned = new CheckBox; // deletes itself when its window goes
    owned->deleteOnDestroy = true;
    ASSERT_TRUE(owned->CreateEx(0, "BUTTON", "", WS_POPUP, kRect, nullptr, 0));
    const HWND second = owned->m_hWnd;
    EXPECT_EQ(7, SendMessageA(second, kDestroyMe, 0, 0));
    EXPECT_FALSE(IsWindow(second));
}

} // namespace
