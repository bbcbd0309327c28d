// Drives HXDigIO.ocx as a JScript user would. Image handles reach JScript as
// numbers (doubles above 32 bits) and strings; the control takes both.
// Prints "ALL CHECKS RAN" at the end and exits with the number of failures.
var failures = 0;
function check(condition, what) {
    if (!condition) { WScript.Echo("FAILED: " + what); failures++; }
}
function raises(action) {
    try { action(); } catch (e) { return true; }
    return false;
}

var sim = new ActiveXObject("HXKSim.Simulator");
var ctl = new ActiveXObject("HXDIGIO.HXdigIOCtrl.1");
var img = sim.CreateImage(8, 70);
ctl.Image = img;
check(ctl.NumInputs == 8 && ctl.NumOutputs == 70, "the counts of the bound image");
sim.SetInput(img, 5, 1);
check(ctl.GetInBit(5) == 1 && ctl.GetInDWORD(0) == 32, "input 5 reads HI");
check(ctl.SetOutBit(69, 1) == 1 && sim.GetOutput(img, 69) == 1, "output 69 is set");
check(ctl.GetOutDWORD(2) == 32, "group 2 holds output 69");
check(raises(function () { ctl.NumOutputs = 1; }), "NumOutputs cannot be written");
check(raises(function () { ctl.GetInBit(); }), "a missing argument raises an error");
check(raises(function () { ctl.GetInBit("zero"); }), "text that is no number raises an error");
ctl.Image = 0;
ctl.Image = String(img);
check(ctl.NumOutputs == 70 && sim.ReferenceCount(img) == 2, "a handle as text binds the image");
ctl.Image = 0;
check(sim.ReferenceCount(img) == 1, "unbinding releases the image");
sim.ReleaseImage(img);
check(sim.LiveImageCount() == 0, "no image is left");
if (failures == 0) WScript.Echo("ALL CHECKS RAN");
WScript.Quit(failures);
