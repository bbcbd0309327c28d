#include "HXdigIOPropPage.h"

#include "HXDigIOIds.h"
#include "resource.h"

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMilliseconds = 100;
constexpr int kColumnWidth = 70;

const char kHigh[] = "HI";
const char kLow[] = "LO";

int CountOf(const std::string& text) {
    return std::atoi(text.c_str());
}

// Labels the rows "0", "1", ... and gives both columns their headings and
// width; the state column stays empty.
void FillGrid(HxGridCtrl& grid, int rows) {
    grid.SetRowCount(rows);
    grid.SetColumns({"Port", "State"});
    grid.SetColumnWidth(0, kColumnWidth);
    grid.SetColumnWidth(1, kColumnWidth);
    for (int row = 0; row < rows; ++row) {
        char label[16] = {};
        std::snprintf(label, sizeof label, "%u", static_cast<unsigned>(row));
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = 0;
        item.pszText = label;
        grid.SetGridItem(item);
    }
}

// Shows each line's level as read; a failed read shows what `level` held.
template <class ReadLine> void ShowStates(HxGridCtrl& grid, int lines, ReadLine readLine) {
    for (int line = 0; line < lines; ++line) {
        int32_t level = 0;
        readLine(line, &level);
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = line;
        item.iSubItem = 1;
        item.pszText = const_cast<LPSTR>(level != 0 ? kHigh : kLow); // the list only reads it
        grid.SetGridItem(item);
    }
}

} // namespace

IMPLEMENT_OLECREATE_EX(CHXdigIOPropPage, "HXDIGIO.HXdigIOPropPage.1", kHXDigIOPropPageClsid)

BOOL CHXdigIOPropPage::CHXdigIOPropPageFactory::UpdateRegistry(BOOL bRegister) {
    if (bRegister)
        return AfxOleRegisterPropertyPageClass(AfxGetInstanceHandle(), m_clsid, IDS_DIGIO_PPG);
    return AfxOleUnregisterClass(m_clsid, nullptr);
}

BEGIN_MESSAGE_MAP(CHXdigIOPropPage, COlePropertyPage)
ON_WM_TIMER()
ON_WM_DESTROY()
ON_NOTIFY(NM_DBLCLK, IDC_OUTPUTS, OnDblClkOutputs)
END_MESSAGE_MAP()

CHXdigIOPropPage::CHXdigIOPropPage()
    : COlePropertyPage(IDD_PROPPAGE_DIGIO, IDS_DIGIO_PPG_CAPTION), m_strNumInputs("0"),
      m_strNumOutputs("0") {
    AfxEnableControlContainer();
}

CHXdigIOPropPage::~CHXdigIOPropPage() = default;

void CHXdigIOPropPage::DoDataExchange(CDataExchange* pDX) {
    if (!pDX->m_bSaveAndValidate) {
        DDP_Handle(pDX, IDC_NUMINPUTS, m_hImage, L"Image");
        DDP_Text(pDX, IDC_NUMINPUTS, m_strNumInputs, L"NumInputs");
        DDP_Text(pDX, IDC_NUMOUTPUTS, m_strNumOutputs, L"NumOutputs");
    }
    DDX_Text(pDX, IDC_NUMINPUTS, m_strNumInputs);
    DDX_Text(pDX, IDC_NUMOUTPUTS, m_strNumOutputs);
    DDX_Control(pDX, IDC_INPUTS, m_gridInputs);
    DDX_Control(pDX, IDC_OUTPUTS, m_gridOutputs);
    DDP_PostProcessing(pDX);
}

BOOL CHXdigIOPropPage::OnInitDialog() {
    COlePropertyPage::OnInitDialog();
    InitGrids();
    UpdateInputStates();
    UpdateOutputStates();
    SetTimer(m_hWnd, kRefreshTimer, kRefreshMilliseconds, nullptr);
    return TRUE;
}

void CHXdigIOPropPage::InitGrids() {
    FillGrid(m_gridInputs, CountOf(m_strNumInputs));
    FillGrid(m_gridOutputs, CountOf(m_strNumOutputs));
}

void CHXdigIOPropPage::UpdateInputStates() {
    ShowStates(m_gridInputs, CountOf(m_strNumInputs),
               [this](int line, int32_t* level) { ReadInputLine(m_hImage, line, level); });
}

void CHXdigIOPropPage::UpdateOutputStates() {
    ShowStates(m_gridOutputs, CountOf(m_strNumOutputs),
               [this](int line, int32_t* level) { ReadOutputLine(m_hImage, line, level); });
}

// Every tick refreshes the inputs only: an output changes in the grid only
// when the user toggles it.
void CHXdigIOPropPage::OnTimer(UINT_PTR nIDEvent) {
    UpdateInputStates();
    COlePropertyPage::OnTimer(nIDEvent);
}

void CHXdigIOPropPage::OnDestroy() {
    COlePropertyPage::OnDestroy();
    // Nothing may leave the window's destruction.
    try {
        KillTimer(m_hWnd, kRefreshTimer);
    } catch (...) {
    }
}

void CHXdigIOPropPage::OnDblClkOutputs(NMHDR* pNMHDR, LRESULT* pResult) {
    const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(pNMHDR);
    const int row = m_gridOutputs.RowFromPoint(activate->ptAction);
    if (row >= 0) {
        m_gridOutputs.SelectRow(row);
        ToggleOutput();
    }
    *pResult = 0;
}

void CHXdigIOPropPage::ToggleOutput() {
    const int row = m_gridOutputs.GetSelectedRow();
    if (row < 0) return;
    const std::string next = m_gridOutputs.GetValueText(row) == kHigh ? kLow : kHigh;
    m_gridOutputs.SetCellText(next, row, 1);
    WriteOutputStates();
}

// Writes every output from its row, so that each line ends as the grid shows
// it, whatever changed it meanwhile.
void CHXdigIOPropPage::WriteOutputStates() {
    const int lines = CountOf(m_strNumOutputs);
    for (int line = 0; line < lines; ++line)
        WriteOutputLine(m_hImage, line, m_gridOutputs.GetValueText(line) == kHigh ? 1 : 0);
}
