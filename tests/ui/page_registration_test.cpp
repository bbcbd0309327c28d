// The page's class in the registry, as hosts meet it: regsvr32 registers it
// together with the control and removes it again (whole registry trees
// compared), and once registered, the class identifier the control names for
// its page (kHXDigIOPropPageClsid) makes a working page through
// CoCreateInstance, which the system's property frame then shows.
#include "HostProgram.h"
#include "PageFixture.h"
#include "RegistryTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

using namespace pagetest;
using hxtest::GuidText;
using hxtest::OcxPath;
using hxtest::RegistryTree;

namespace {

const std::string kPageClass = "CLSID\\" + GuidText(kHXDigIOPropPageClsid);
const std::string kPageProgID = "HXDIGIO.HXdigIOPropPage.1";
const std::string kControlClass = "CLSID\\" + GuidText(CLSID_HXdigIO);
const std::string kControlProgID = "HXDIGIO.HXdigIOCtrl.1";

int Regsvr32(const char* options = "") {
    return hxtest::Regsvr32(OcxPath(), options);
}

class PageRegistration : public PageTest {
protected:
    void SetUp() override {
        hxtest::PutToolkitOnPath();
        PageTest::SetUp();
    }
    void TearDown() override {
        Regsvr32("/u"); // leave nothing registered
        for (const std::string& key : {kPageClass, kPageProgID, kControlClass, kControlProgID})
            EXPECT_EQ(std::vector<std::string>{}, RegistryTree(key)) << key;
        PageTest::TearDown();
    }
};

// The lines of `after` that `before` does not have.
std::vector<std::string> Added(const std::vector<std::string>& before,
                               const std::vector<std::string>& after) {
    std::vector<std::string> added;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(added));
    return added;
}

// Lines of a tree under one key, as RegistryTree("CLSID") names them.
std::vector<std::string> Under(const std::string& key, const std::vector<std::string>& lines) {
    std::vector<std::string> under;
    for (const std::string& line : lines)
        if (line.compare(0, key.size(), key) == 0) under.push_back(line);
    return under;
}

TEST_F(PageRegistration, Regsvr32RegistersThePageWithTheControlAndRemovesItAgain) {
    ASSERT_EQ(std::vector<std::string>{}, RegistryTree(kPageClass));
    const std::vector<std::string> classesBefore = RegistryTree("CLSID");
    ASSERT_FALSE(classesBefore.empty());
    ASSERT_EQ(0, Regsvr32());
    // Every class key the module wrote: the control's and the page's.
    const std::vector<std::string> added = Added(classesBefore, RegistryTree("CLSID"));
    const std::string page = GuidText(kHXDigIOPropPageClsid), ctl = GuidText(CLSID_HXdigIO);
    EXPECT_EQ(added.size(), Under(page, added).size() + Under(ctl, added).size());
    EXPECT_EQ((std::vector<std::string>{page + "=Harlow Digital IO General Property Page",
                                        page + "\\InprocServer32=" + OcxPath()}),
              Under(page, added));
    EXPECT_EQ(RegistryTree(kControlClass).size(), Under(ctl, added).size());

    ASSERT_EQ(0, Regsvr32()); // a second time changes nothing
    // A page class: its name and its server, no ProgID key, no threading model.
    EXPECT_EQ((std::vector<std::string>{"=Harlow Digital IO General Property Page",
                                        "InprocServer32=" + OcxPath()}),
              RegistryTree(kPageClass));
    EXPECT_EQ(std::vector<std::string>{}, RegistryTree(kPageProgID));
    const std::vector<std::string> control = RegistryTree(kControlClass);
    ASSERT_FALSE(control.empty());
    EXPECT_EQ("=Harlow Digital IO Control", control.front());

    ASSERT_EQ(0, Regsvr32("/u"));
    EXPECT_EQ(std::vector<std::string>{}, RegistryTree(kPageClass));
    EXPECT_EQ(std::vector<std::string>{}, RegistryTree(kControlClass));
    EXPECT_EQ(classesBefore, RegistryTree("CLSID"));
}

TEST_F(PageRegistration, TheRegisteredClassMakesAWorkingPageForTheFrame) {
    hx::com_ptr<IPropertyPage> page;
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(kHXDigIOPropPageClsid, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPropertyPage, page.put_void()));
    ASSERT_EQ(0, Regsvr32());
    ASSERT_EQ(S_OK, CoCreateInstance(kHXDigIOPropPageClsid, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IPropertyPage, page.put_void()));
    PROPPAGEINFO info = {};
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_EQ(std::wstring(L"General"), info.pszTitle ? info.pszTitle : L"");
    CoTaskMemFree(info.pszTitle);
    page.reset();

    // The frame makes its page from the registry alone.
    const hxtest::SimImage image(5, 6);
    HXKSimSetInput(image.image, 4, 1);
    BindImage(image);
    const HRESULT hr = RunFrame({control.get()}, [&](const FrameWindows& w) {
        EXPECT_EQ("5", Text(w.page, kNumInputsId));
        EXPECT_EQ("6", Text(w.page, kNumOutputsId));
        EXPECT_EQ(InputRowsOf(image.image, 5), Rows(GetDlgItem(w.page, kInputsId)));
        EXPECT_EQ(OutputRowsOf(image.image, 6), Rows(GetDlgItem(w.page, kOutputsId)));
    });
    EXPECT_EQ(S_OK, hr);
}

} // namespace
