// CHXdigIOPropPage: the control's general property page. It reads the
// control's Image, NumInputs and NumOutputs once per window, lists every
// input and output line of that image with its state in two grids, refreshes
// the inputs every 100 ms and toggles an output on a double-click of its row.
//
// From the loaded image handle on it talks to the driver library directly,
// not through the control's port methods: nothing it does fires an event of
// the control, and it writes no property back.
#pragma once

#include "AfxCtl.h"
#include "HXKToolkit.h"
#include "HxGridCtrl.h"

#include <string>

class CHXdigIOPropPage : public COlePropertyPage {
    DECLARE_OLECREATE_EX(CHXdigIOPropPage)

public:
    CHXdigIOPropPage();
    ~CHXdigIOPropPage() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;

    void OnTimer(UINT_PTR nIDEvent);
    void OnDestroy();
    void OnDblClkOutputs(NMHDR* pNMHDR, LRESULT* pResult);

    DECLARE_MESSAGE_MAP()

private:
    void InitGrids();
    void UpdateInputStates();
    void UpdateOutputStates();
    void ToggleOutput();
    void WriteOutputStates();

    // The port counts as the text the property exchange made of them; atoi
    // turns them back into numbers (text that is not a number counts as 0).
    std::string m_strNumInputs;
    std::string m_strNumOutputs;
    HXKIMAGE m_hImage = nullptr; // the Image property as loaded; no reference is held
    HxGridCtrl m_gridInputs;
    HxGridCtrl m_gridOutputs;
};
