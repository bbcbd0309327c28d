// The demo's steps on the image and its lines: binding, reads and writes,
// injected failures, and the teardown.
#include "Demo.h"

#include "Expectations.h"
#include "app/BenchIds.h"
#include "app/Format.h"

#include "HXKSim.h"

using namespace expect;
using format::Hex;

void Demo::BindTheImage() {
    Step("Bind the simulated image: the Image property is written with its handle");
    const LONGLONG image = reinterpret_cast<intptr_t>(m_bench.Image());
    Press(IDC_BIND);
    const auto updates = Matching(Is(HXEVENTID_IMAGEUPDATED));
    Check(updates.size() == 1 && updates[0].onWindowThread,
          "ImageUpdated came once, on the window thread");
    Check(m_bench.Property(L"Image") == image, "Image reads back " + Hex(image));
    const LONGLONG inputs = m_bench.Property(L"NumInputs"),
                   outputs = m_bench.Property(L"NumOutputs");
    Check(inputs == m_options.inputs && outputs == m_options.outputs,
          "NumInputs " + std::to_string(inputs) + " and NumOutputs " + std::to_string(outputs) +
              ", read by name through GetIDsOfNames");
    Check(m_bench.Property(L"IsBasicDigIO") != 0, "IsBasicDigIO is TRUE");
    Check(HXKSimImageRefCount(m_bench.Image()) == 2,
          "the control holds a reference of its own on the image (2 in all)");
}

void Demo::ReadAndWriteLines() {
    Step("Read and write lines and port groups");
    ClickInput(3);
    Check(Input(3) == 1, "the click on switch 3 set input 3 HI on the device");
    Fill(IDC_PORT, "3");
    Press(IDC_GETINBIT);
    Check(m_bench.LastResult() == 1, "GetInBit(3) reads HI");
    Fill(IDC_PORT, "5");
    Fill(IDC_VALUE, "HI");
    Press(IDC_SETOUTBIT);
    Check(m_bench.LastResult() == 1 && Output(5) == 1,
          "SetOutBit(5, HI) answered HI and lit lamp 5");
    Fill(IDC_PORT, "0");
    Press(IDC_GETINDWORD);
    Check(m_bench.LastResult() == 0x8, "GetInDWORD(0) reads 0x00000008 (input 3)");
    Fill(IDC_VALUE, "0xF0");
    Fill(IDC_MASK, "0xF0");
    Press(IDC_SETOUTDWORD);
    Press(IDC_GETOUTDWORD);
    Check(m_bench.LastResult() == 0xF0, "SetOutDWORD(0, 0xF0, 0xF0) lit outputs 4 to 7");
    Fill(IDC_VALUE, "0");
    Fill(IDC_MASK, "0xD0");
    Press(IDC_SETOUTDWORD);
    Press(IDC_GETOUTDWORD);
    Check(m_bench.LastResult() == 0x20,
          "SetOutDWORD(0, 0, 0xD0) wrote only outputs 4, 6 and 7: GetOutDWORD(0) reads 0x00000020");
    const long beyond = m_options.inputs + 24;
    Fill(IDC_PORT, std::to_string(beyond));
    Press(IDC_GETINBIT);
    const auto invalid = Matching(ErrorWith(13, true));
    Check(invalid.size() == 1 && invalid[0].text == "Invalid port!" && invalid[0].continuePreset &&
              m_bench.LastResult() == 0,
          "GetInBit(" + std::to_string(beyond) +
              ") fired HXKError(13, \"Invalid port!\", Continue TRUE) and answered 0");
}

void Demo::ReadFailures() {
    Step("Injected read failures: the error convention");
    m_bench.SetCheck(IDC_STOP_IN_HANDLER, true);
    m_bench.SetCheck(IDC_CONTINUE, false);
    Fill(IDC_PORT, "11");
    Press(IDM_FAULT_INPUT_READ); // Faults > Fail reads of input line 11
    Press(IDC_GETINBIT);
    const auto portError = Matching(ErrorWith(14, true));
    Check(portError.size() == 1 && portError[0].text == "Couldn't read port!" &&
              portError[0].continuePreset && m_bench.LastResult() == 0,
          "GetInBit(11) fired HXKError(14, \"Couldn't read port!\", Continue TRUE) and answered 0");

    Fill(IDC_WORKER_PORT, "11");
    Fill(IDC_WORKER_VALUE, "HI");
    Fill(IDC_WORKER_DELAY, "20");
    Press(IDC_BITLISTENER);
    const LONGLONG listener = m_bench.LastResult();
    Press(IDC_START);
    Check(WaitFor([&] { return Count(ErrorWith(14, false)) >= 1; }),
          "the listener's failed read fired HXKError(14) on the listener's thread");
    const auto first = Matching(ErrorWith(14, false));
    Check(!first.empty() && !first[0].continuePreset && !first[0].continueAnswer,
          "... with Continue preset FALSE, and the bench left it FALSE");
    PumpFor(300);
    const size_t stopped = Count(ErrorWith(14, false));
    PumpFor(300);
    Check(stopped == 1 && Count(ErrorWith(14, false)) == 1,
          "the listener stopped itself after that one error");

    m_bench.SetCheck(IDC_CONTINUE, true);
    Press(IDC_START);
    Check(WaitFor([&] { return Count(ErrorWith(14, false)) >= 4; }),
          "started again with Continue answered TRUE, it goes on polling: an error at every step");
    Press(IDM_FAULT_CLEAR);
    ClickInput(11);
    Check(WaitFor([&] { return Count(From(HXEVENTID_LISTENER, listener)) >= 1; }),
          "with the fault removed and switch 11 flipped, Listener(" + Hex(listener) +
              ", 11, HI) came");
    m_bench.SetCheck(IDC_CONTINUE, false);

    Fill(IDC_PORT, "6");
    Press(IDM_FAULT_OUTPUT_WRITE); // Faults > Fail writes of output line 6
    Fill(IDC_VALUE, "HI");
    Press(IDC_SETOUTBIT);
    const auto writeError = Matching(ErrorWith(15, true));
    Check(writeError.size() == 1 && writeError[0].text == "Couldn't write port!" &&
              Output(6) == 0 && m_bench.LastResult() == 0,
          "SetOutBit(6, HI) fired HXKError(15, \"Couldn't write port!\") and output 6 stayed LO");
    Press(IDM_FAULT_CLEAR);
}

void Demo::TearDown() {
    Step("Tear down: destroy the workers, unbind the image, take the control off the form");
    for (const LONGLONG worker : m_bench.Workers()) {
        m_bench.SelectWorker(worker);
        Press(IDC_DESTROY);
        Check(m_bench.LastResult() != 0, "Destroy of " + Hex(worker) + " answered TRUE");
    }
    const size_t updates = Count(Is(HXEVENTID_IMAGEUPDATED));
    Press(IDC_UNBIND);
    Check(Count(Is(HXEVENTID_IMAGEUPDATED)) == updates + 1 && m_bench.Property(L"NumInputs") == 0 &&
              HXKSimImageRefCount(m_bench.Image()) == 1,
          "Image = 0 fired ImageUpdated, the counts are 0 and the control let go of the image");
    m_bench.Close();
    Check(HXKSimLiveImageCount() == 0, "no image is left: every reference was released");
}
