' Drives "HXKSim.Simulator" as a VBScript user would; exits with 64 + the
' number of failed checks.
Option Explicit
Dim failures : failures = 0
Sub Check(condition, what)
    If Not condition Then WScript.Echo "FAILED: " & what : failures = failures + 1
End Sub
Function Raises(sim, img, line)
    On Error Resume Next
    sim.GetInput img, line
    Raises = (Err.Number <> 0)
End Function

Dim sim : Set sim = CreateObject("HXKSim.Simulator")
Dim before : before = sim.LiveImageCount
Dim img : img = sim.CreateImage(40, 8)
Check sim.ReferenceCount(img) = 1, "a new image has one reference"
sim.SetInput img, 35, 1
Check sim.GetInput(img, 35) = 1 And sim.GetInput(img, 34) = 0, "input 35 alone reads HI"
sim.SetOutput img, 7, True
Check sim.GetOutput(img, 7) = 1, "output 7 reads back HI"
Check Raises(sim, img, 40) And Raises(sim, img, -1), "inputs 40 and -1 do not exist"
Check sim.ReferenceCount(CStr(img)) = 1, "the handle as text names the same image"
Dim plain : plain = sim.CreateImageWithoutDigIO(2, 2)
Check plain <> img, "every image has its own handle"
sim.ReleaseImage plain
sim.ReleaseImage img
Check Raises(sim, img, 0), "a released image is gone"
Check sim.LiveImageCount = before, "no image is left"
WScript.Quit 64 + failures
