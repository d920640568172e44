#pragma once

// tessarine-frame's recording: a scripted session played on the viewer's own code and written as
// an animated WebP. Only in builds that have libwebp.

// Runs the recording the command line (which names --record) describes; the program's exit code:
// 2 for bad input (nothing written), 1 when the device or the file failed, 0 when written.
int RunRecording(int argc, char** argv);
