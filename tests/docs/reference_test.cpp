// The generated reference holds every member and event under the DISPID the
// control answers to, every error the control raises with its fixed text, and
// every enumeration value; a library that is not the control's gives none.
#include "HXDigIODispIds.h"
#include "HXDigIOErrors.h"
#include "ReferenceWriter.h"
#include "hx/com_ptr.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// The member list as containers call it, from the identifiers the control's
// dispatch table uses (not from the type library the generator reads).
const std::vector<std::pair<int, const char*>> kMembers = {
    {HXDISPID_NUMINPUTS, "NumInputs"},
    {HXDISPID_NUMOUTPUTS, "NumOutputs"},
    {HXDISPID_IMAGE, "Image"},
    {HXDISPID_ISBASICDIGIO, "IsBasicDigIO"},
    {HXDISPID_GETINDWORD, "GetInDWORD"},
    {HXDISPID_GETOUTDWORD, "GetOutDWORD"},
    {HXDISPID_SETOUTDWORD, "SetOutDWORD"},
    {HXDISPID_SETOUTBIT, "SetOutBit"},
    {HXDISPID_BITLISTENERSTART, "BitListenerStart"},
    {HXDISPID_BITLISTENERDESTROY, "BitListenerDestroy"},
    {HXDISPID_BITLISTENERCREATE, "BitListenerCreate"},
    {HXDISPID_GETINBIT, "GetInBit"},
    {HXDISPID_GETOUTBIT, "GetOutBit"},
    {HXDISPID_BITLISTENERSTOP, "BitListenerStop"},
    {HXDISPID_DWORDLISTENERCREATE, "DWORDListenerCreate"},
    {HXDISPID_DWORDLISTENERDESTROY, "DWORDListenerDestroy"},
    {HXDISPID_DWORDLISTENERSTART, "DWORDListenerStart"},
    {HXDISPID_DWORDLISTENERSTOP, "DWORDListenerStop"},
    {HXDISPID_BITTOGGLERCREATE, "BitTogglerCreate"},
    {HXDISPID_BITTOGGLERDESTROY, "BitTogglerDestroy"},
    {HXDISPID_BITTOGGLERSTART, "BitTogglerStart"},
    {HXDISPID_ABOUTBOX, "AboutBox"},
    {HXEVENTID_HXKERROR, "HXKError"},
    {HXEVENTID_IMAGEUPDATED, "ImageUpdated"},
    {HXEVENTID_LISTENER, "Listener"},
    {HXEVENTID_TOGGLER, "Toggler"},
};

std::string ReferenceOf(const wchar_t* file) {
    hx::com_ptr<ITypeLib> library;
    if (FAILED(LoadTypeLibEx(file, REGKIND_NONE, library.put()))) return "unreadable";
    return WriteReference(library.get());
}

class Reference : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr))); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(Reference, ListsEveryMemberEventErrorAndValueOfTheControl) {
    const std::string reference = ReferenceOf(L"hxdigio_resources.dll");
    ASSERT_NE(std::string::npos, reference.find("# HXDIGIOLib 1.0 reference")) << reference;
    for (const auto& [id, name] : kMembers) {
        const std::string row = "| " + std::to_string(id) + " | `" + name + "` |";
        EXPECT_NE(std::string::npos, reference.find(row)) << row;
    }
    for (const char* readOnly : {"NumInputs", "NumOutputs", "IsBasicDigIO"})
        EXPECT_NE(std::string::npos,
                  reference.find(std::string("`") + readOnly + "` | property, read-only |"))
            << readOnly;
    EXPECT_NE(std::string::npos, reference.find("`Image` | property |"));
    EXPECT_NE(std::string::npos,
              reference.find("Continue As Boolean (by reference)")); // HXKError's flag
    for (const HXDigIOError* error : hxerrors::kAll) {
        EXPECT_NE(std::string::npos, reference.find(std::string("\"") + error->text + "\""))
            << error->text;
        EXPECT_NE(std::string::npos, reference.find(error->when)) << error->when;
    }
    EXPECT_NE(std::string::npos, reference.find("| 17 | `HXK_E_NOINTERFACE` | \"Missing"));
    for (int value = 0; value <= 47; ++value)
        EXPECT_NE(std::string::npos, reference.find("| " + std::to_string(value) + " | `HXK_E_"))
            << value;
    EXPECT_NE(std::string::npos, reference.find("| 1 | `HI` | HI |"));
}

TEST_F(Reference, ALibraryThatIsNotTheControlsGivesNone) {
    EXPECT_EQ("", ReferenceOf(L"stdole2.tlb"));
}

} // namespace
