// Start-up and peak memory of viewer mode, each size in a process of its own: a process that has already
// loaded other models keeps their heap and its shader compiler warm, so neither figure would be honest there.
// The benchmark runs this same program again as a child that only starts the viewer on one model, draws a
// few frames and reports back through a pipe.
#pragma once

#include <string>

struct FreshProcessFigures {
  double FirstFrameSeconds = 0;            // from the spawn to the child's first frame (after its first resize)
  double PeakResidentMegabytes = 0;        // the child's VmHWM at its end, in MiB
  double FirstFrameResidentMegabytes = 0;  // the child's VmRSS right after its first frame, in MiB
  double ModelBufferMegabytes = 0;         // the model's vertex and index buffers, in MiB
  std::string Error;                       // empty when all were measured
};

// The argument that makes this program the child; it is followed by the model and the frame count.
inline constexpr const char* kViewerChildArgument = "--viewer_child";

// Spawns `program kViewerChildArgument model frames` and waits for its figures.
FreshProcessFigures MeasureFreshProcess(const std::string& program, const std::string& model, int frames);

// The child's side: starts the viewer on the model, says "first" on the report descriptor after the first
// frame, then "rss <kB> buffers <bytes>", draws `frames` more, then says "hwm <kB>". Returns the process exit
// code.
int RunViewerChild(const std::string& model, int frames);
