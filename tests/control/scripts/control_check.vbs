' Drives HXDigIO.ocx as a VBScript user would, with a simulated image of
' "HXKSim.Simulator". Prints "EVENTS CONNECTED" when the host can sink the
' control's events, "ALL CHECKS RAN" at the end, and exits with the number
' of failed checks.
Option Explicit
Dim failures : failures = 0
Dim errors : errors = ""
Dim updates : updates = 0

Sub Check(condition, what)
    If Not condition Then WScript.Echo "FAILED: " & what : failures = failures + 1
End Sub

Sub Ctl_HXKError(code, text, keepGoing)
    errors = errors & code & " " & text & ";"
    keepGoing = False
End Sub

Sub Ctl_ImageUpdated()
    updates = updates + 1
End Sub

Function WriteRaises(ctl)
    On Error Resume Next
    ctl.NumInputs = 3
    WriteRaises = (Err.Number <> 0)
End Function

Dim sim : Set sim = CreateObject("HXKSim.Simulator")
Dim ctl, eventsConnected
On Error Resume Next
Set ctl = WScript.CreateObject("HXDIGIO.HXdigIOCtrl.1", "Ctl_")
eventsConnected = (Err.Number = 0)
On Error Goto 0
If eventsConnected Then
    WScript.Echo "EVENTS CONNECTED"
Else
    Set ctl = CreateObject("HXDIGIO.HXdigIOCtrl.1")
End If

Dim img : img = sim.CreateImage(40, 8)
ctl.Image = img
Check ctl.NumInputs = 40 And ctl.NumOutputs = 8, "the counts of the bound image"
Check ctl.IsBasicDigIO, "the bound image offers digital I/O"
Check sim.ReferenceCount(img) = 2, "the control holds a reference of its own"
sim.SetInput img, 33, 1
Check ctl.GetInBit(33) = 1 And ctl.GetInBit(32) = 0, "input 33 alone reads HI"
Check ctl.GetInDWORD(1) = 2, "group 1 holds line 33"
Check ctl.SetOutBit(7, 1) = 1 And sim.GetOutput(img, 7) = 1, "output 7 is set through the control"
Check ctl.SetOutDWORD(0, 5, 1) = 5, "a group write returns the value"
Check sim.GetOutput(img, 0) = 1 And sim.GetOutput(img, 2) = 0, "the mask limits the group write"
Check ctl.GetInBit(40) = 0, "an invalid port reads 0"
Check WriteRaises(ctl), "NumInputs cannot be written"

' Without a handler the control shows its "Error" box here (the test closes it).
Dim plain : plain = sim.CreateImageWithoutDigIO(2, 2)
ctl.Image = plain
Check ctl.NumInputs = 40, "a refused image leaves the binding as it was"
Check sim.ReferenceCount(plain) = 1, "the refused image is not referenced"
If eventsConnected Then
    Check updates = 1, "one ImageUpdated"
    Check errors = "13 Invalid port!;17 Missing BasicDigIO interface!;", "errors: " & errors
End If

ctl.Image = 0
Check ctl.NumInputs = 0, "unbinding clears the counts"
Check sim.ReferenceCount(img) = 1, "unbinding releases the image"
sim.ReleaseImage plain
sim.ReleaseImage img
Set ctl = Nothing
Check sim.LiveImageCount = 0, "no image is left"
If failures = 0 Then WScript.Echo "ALL CHECKS RAN"
WScript.Quit failures
