// hx::unique_any and its Win32 aliases, the critical section and the result
// macros.
#include "hx/critical_section.h"
#include "hx/result_macros.h"
#include "hx/win32_owners.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// A resource kind whose close function records what it closed.
std::vector<int> g_closed;
void CloseTicket(int* ticket) {
    g_closed.push_back(*ticket);
}
using unique_ticket = hx::unique_any<int*, &CloseTicket>;

class UniqueAny : public ::testing::Test {
protected:
    void SetUp() override { g_closed.clear(); }
    int a = 1, b = 2, c = 3;
};

TEST_F(UniqueAny, ClosesWhatItHoldsExactlyOnceWhateverHappensToIt) {
    {
        unique_ticket empty;
        EXPECT_FALSE(empty);
        unique_ticket held(&a);
        EXPECT_TRUE(held);
        unique_ticket moved(std::move(held));
        EXPECT_FALSE(held); // the moved-from owner closes nothing
        unique_ticket assigned(&b);
        assigned = std::move(moved); // b closed now, a passed on
        EXPECT_EQ(std::vector<int>{2}, g_closed);
        assigned = std::move(assigned); // self-move keeps the resource
        EXPECT_EQ(&a, assigned.get());
    }
    EXPECT_EQ((std::vector<int>{2, 1}), g_closed);
}

TEST_F(UniqueAny, ResetReleaseAndPut) {
    unique_ticket owner(&a);
    owner.reset(&b);
    EXPECT_EQ(std::vector<int>{1}, g_closed);
    int* const given = owner.release(); // no close: the caller owns it now
    EXPECT_EQ(&b, given);
    EXPECT_EQ(std::vector<int>{1}, g_closed);
    owner.reset(&c);
    int** slot = owner.put(); // closes c and exposes an empty slot
    EXPECT_EQ((std::vector<int>{1, 3}), g_closed);
    EXPECT_EQ(nullptr, *slot);
    *slot = &a; // as a Win32 out-parameter would
    owner.reset();
    EXPECT_EQ((std::vector<int>{1, 3, 1}), g_closed);
    owner.reset(); // nothing held: nothing closed
    EXPECT_EQ(3u, g_closed.size());
}

TEST(Win32Owners, KernelAndRegistryHandlesCloseOnceAndOnlyOnce) {
    HANDLE raw = nullptr;
    {
        hx::unique_handle event(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        ASSERT_TRUE(event);
        raw = event.get();
        DWORD flags = 0;
        EXPECT_TRUE(GetHandleInformation(raw, &flags));
    }
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the event was not closed";

    hx::unique_hkey key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, key.put()));
    const HKEY open = key.get();
    key.reset();
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(open)) << "the key was not closed";

    // A file owner counts INVALID_HANDLE_VALUE, not null, as empty.
    hx::unique_file missing(CreateFileA("c:\\no\\such\\folder\\file", GENERIC_READ, 0, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
    EXPECT_EQ(INVALID_HANDLE_VALUE, missing.get());
}

TEST(Win32Owners, GdiObjectsAndModulesAreDeleted) {
    HFONT raw = nullptr;
    {
        LOGFONTA font = {};
        font.lfHeight = 12;
        hx::unique_hfont owner(CreateFontIndirectA(&font));
        ASSERT_TRUE(owner);
        raw = owner.get();
        EXPECT_EQ(OBJ_FONT, static_cast<int>(GetObjectType(raw)));
    }
    EXPECT_EQ(0u, GetObjectType(raw)) << "the font was not deleted";

    HMODULE loadedBefore = GetModuleHandleA("msacm32.dll");
    ASSERT_EQ(nullptr, loadedBefore) << "the probe needs a module nobody else loaded";
    {
        hx::unique_hmodule module(LoadLibraryA("msacm32.dll"));
        ASSERT_TRUE(module);
        EXPECT_EQ(module.get(), GetModuleHandleA("msacm32.dll"));
    }
    EXPECT_EQ(nullptr, GetModuleHandleA("msacm32.dll")) << "the module was not freed";
}

TEST(CriticalSection, GuardsOneScopeAgainstOtherThreads) {
    hx::critical_section section;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    auto work = [&] {
        for (int i = 0; i < 2000; ++i) {
            const auto hold = section.lock();
            if (inside.fetch_add(1) != 0) ++overlaps;
            Sleep(0);
            inside.fetch_sub(1);
        }
    };
    std::thread first(work), second(work);
    first.join();
    second.join();
    EXPECT_EQ(0, overlaps.load());
}

HRESULT StepsUntilFailure(HRESULT first, HRESULT second, int* reached) {
    *reached = 0;
    RETURN_IF_FAILED(first);
    *reached = 1;
    RETURN_IF_FAILED(second);
    *reached = 2;
    return S_FALSE;
}

HRESULT OpenMissingKey() {
    hx::unique_hkey key;
    RETURN_IF_WIN32_ERROR(
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\No\\Such\\Key", 0, KEY_READ, key.put()));
    return S_OK;
}

HRESULT FailWithLastError(DWORD error, bool fail) {
    SetLastError(error);
    RETURN_LAST_ERROR_IF(fail);
    RETURN_HR_IF(E_ABORT, !fail && error == 0);
    return S_OK;
}

TEST(ResultMacros, ReturnTheFirstFailureAndGoOnPastSuccess) {
    int reached = -1;
    EXPECT_EQ(S_FALSE, StepsUntilFailure(S_OK, S_FALSE, &reached)); // S_FALSE is a success
    EXPECT_EQ(2, reached);
    EXPECT_EQ(E_OUTOFMEMORY, StepsUntilFailure(E_OUTOFMEMORY, S_OK, &reached));
    EXPECT_EQ(0, reached);
    EXPECT_EQ(E_INVALIDARG, StepsUntilFailure(S_OK, E_INVALIDARG, &reached));
    EXPECT_EQ(1, reached);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), OpenMissingKey());
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), FailWithLastError(ERROR_ACCESS_DENIED, true));
    EXPECT_EQ(E_FAIL, FailWithLastError(ERROR_SUCCESS, true)); // failed without a code
    EXPECT_EQ(E_ABORT, FailWithLastError(0, false));
    EXPECT_EQ(S_OK, FailWithLastError(5, false));
}

} // namespace
