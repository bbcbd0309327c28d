// Drives "HXKSim.Simulator" as a JScript user would; exits with 64 + the
// number of failed checks.
var failures = 0;
function check(condition, what) {
    if (!condition) { WScript.Echo("FAILED: " + what); failures++; }
}
function raises(action) {
    try { action(); } catch (e) { return true; }
    return false;
}

var sim = new ActiveXObject("HXKSim.Simulator");
var before = sim.LiveImageCount();
var img = sim.CreateImage(4, 40);
check(typeof img == "number" && img > 4294967295, "the handle is a number above 32 bits");
sim.SetInput(img, 3, 1);
check(sim.GetInput(img, 3) == 1 && sim.GetInput(img, 2) == 0, "input 3 alone reads HI");
sim.SetOutput(img, 39, true);
check(sim.GetOutput(img, 39) == 1, "output 39 reads back HI");
check(raises(function () { sim.SetOutput(img, 40, 1); }), "output 40 does not exist");
check(raises(function () { sim.GetInput(img); }), "a missing argument raises an error");
check(sim.ReferenceCount(img + 16) == 0, "a made-up handle names nothing");
sim.AddImageRef(img);
sim.ReleaseImage(img);
check(sim.ReferenceCount(img) == 1, "AddImageRef and ReleaseImage balance");
sim.ReleaseImage(img);
check(raises(function () { sim.GetOutput(img, 0); }), "a released image is gone");
check(sim.LiveImageCount() == before, "no image is left");
WScript.Quit(64 + failures);
