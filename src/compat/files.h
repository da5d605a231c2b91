// What the stand-in's other calls need to know of its file calls.
#pragma once

#include <string>

// True while the file at `hostPath` is deleted but some handle still holds it,
// so that its name stays taken. A deleted file that nobody holds any more (its
// last holder died without closing) is removed here, and the answer is false.
bool DeletePending(const std::string &hostPath);
