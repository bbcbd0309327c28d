' Writes each read-only property of HXDigIO.ocx as a VBScript user would and
' prints what the script learns from Err, one line each:
' "<property>: <number>|<description>|<source>".
Option Explicit
Dim ctl : Set ctl = CreateObject("HXDIGIO.HXdigIOCtrl.1")
Sub Report(name)
    WScript.Echo name & ": " & Err.Number & "|" & Err.Description & "|" & Err.Source
    Err.Clear
End Sub
On Error Resume Next
ctl.NumInputs = 3 : Report "NumInputs"
ctl.NumOutputs = 3 : Report "NumOutputs"
ctl.IsBasicDigIO = True : Report "IsBasicDigIO"
