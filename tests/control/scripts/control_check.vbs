' Drives HXDigIO.ocx as a VBScript user would, with an image of
' "HXKSim.Simulator" (its handle a Double above 32 bits). Prints "EVENTS
' CONNECTED" when the host sinks events, "ALL CHECKS RAN" at the end, and
' exits with the number of failed checks.
Option Explicit
Dim failures, errors, updates, connected, ctl, img, plain
failures = 0 : errors = "" : updates = 0
Sub Check(condition, what)
    If Not condition Then WScript.Echo "FAILED: " & what : failures = failures + 1
End Sub
Sub Ctl_HXKError(code, text, keepGoing)
    errors = errors & code & " " & text & ";" : keepGoing = False
End Sub
Sub Ctl_ImageUpdated()
    updates = updates + 1
End Sub
Function WriteRaises()
    On Error Resume Next
    ctl.NumInputs = 3
    WriteRaises = (Err.Number <> 0)
End Function

Dim sim : Set sim = CreateObject("HXKSim.Simulator")
On Error Resume Next
Set ctl = WScript.CreateObject("HXDIGIO.HXdigIOCtrl.1", "Ctl_")
connected = (Err.Number = 0)
On Error Goto 0
If connected Then WScript.Echo "EVENTS CONNECTED" Else Set ctl = CreateObject("HXDIGIO.HXdigIOCtrl.1")

img = sim.CreateImage(40, 8)
ctl.Image = img
Check ctl.NumInputs = 40 And ctl.NumOutputs = 8 And ctl.IsBasicDigIO, "the bound image"
Check sim.ReferenceCount(img) = 2, "the control holds a reference of its own"
sim.SetInput img, 33, 1
Check ctl.GetInBit(33) = 1 And ctl.GetInDWORD(1) = 2 And ctl.SetOutBit(7, 1) = 1, "lines"
Check sim.GetOutput(img, 7) = 1 And ctl.GetInBit(40) = 0 And WriteRaises(), "invalid port, read-only"
plain = sim.CreateImageWithoutDigIO(2, 2)
ctl.Image = plain ' without a handler the control shows its "Error" box (the test closes it)
ctl.Image = CStr(img) ' the same image, as text: nothing happens
Check ctl.NumInputs = 40 And sim.ReferenceCount(img) = 2 And sim.ReferenceCount(plain) = 1, "refused"
If connected Then Check updates = 1 And errors = "13 Invalid port!;17 Missing BasicDigIO interface!;", errors
ctl.Image = 0
Check ctl.NumInputs = 0 And sim.ReferenceCount(img) = 1, "unbinding releases the image"
sim.ReleaseImage plain
sim.ReleaseImage img
Set ctl = Nothing
Check sim.LiveImageCount = 0, "no image is left"
If failures = 0 Then WScript.Echo "ALL CHECKS RAN"
WScript.Quit failures
