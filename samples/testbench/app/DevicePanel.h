// The simulated device on the bench's form: a switch for each input line,
// which flips the simulated input when clicked, and a lamp for each output
// line, which follows the simulated output (read every 50 ms). Lines with an
// injected fault are framed in red. Up to 64 lines of each kind are drawn.
//
// The panel reaches the device through the simulator's C API (HXKSim.h),
// never through the control: it is the world outside the control.
#pragma once

#include "HXKSim.h"

#include <windows.h>

#include <functional>
#include <set>
#include <vector>

class DevicePanel {
public:
    // Called after a click flipped an input: the line and its new level.
    using FlipHandler = std::function<void(int line, int level)>;

    static int HeightFor(int inputs, int outputs);

    HWND Create(HWND parent, const RECT& where, FlipHandler onFlip);
    HWND Window() const { return m_window; }

    // The image shown (0: none) with its line counts.
    void Show(HXKIMAGE image, int inputs, int outputs);
    // Lines with an injected fault.
    void MarkFaults(std::set<int> inputs, std::set<int> outputs);

    // The centre of a line's switch or lamp, in the panel's client
    // coordinates (for clicks made by the demo).
    POINT InputCentre(int line) const;
    POINT OutputCentre(int line) const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC dc);
    void Poll();
    void Redraw();
    int InputAt(POINT point) const;
    RECT InputCell(int line) const;
    RECT OutputCell(int line) const;
    int InputRows() const;

    HWND m_window = nullptr;
    FlipHandler m_onFlip;
    HXKIMAGE m_image = nullptr;
    int m_inputs = 0, m_outputs = 0;
    std::vector<int> m_inputLevels, m_outputLevels;
    std::set<int> m_faultyInputs, m_faultyOutputs;
};
