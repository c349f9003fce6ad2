#include "FreshProcess.h"

#include "ViewerSession.h"
#include "core/FatalError.h"
#include "render/Renderer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

// The child writes its report here: a descriptor number no library of the program opens on its own.
constexpr int kReportDescriptor = 3;

// A figure of /proc/self/status in kB ("VmHWM:", the peak resident set since exec; "VmRSS:", the resident set
// now), or -1.
long StatusKilobytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
  }
  return -1;
}

uint64_t ModelBufferBytes(const Renderer& renderer) {
  uint64_t bytes = 0;
  for (const Mesh& mesh : renderer.Meshes) {
    bytes += uint64_t{mesh.Geometry.VertexBufferSize} + mesh.Geometry.IndexBufferSize;
  }
  return bytes;
}

// The figure after `key` in the child's report.
double ReportedFigure(const std::string& received, const std::string& key) {
  const size_t at = received.find(key + " ");
  return at == std::string::npos ? 0.0 : std::stod(received.substr(at + key.size() + 1));
}

void Report(const std::string& line) {
  const std::string text = line + "\n";
  if (write(kReportDescriptor, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
    std::fprintf(stderr, "scaling_bench: the child cannot report \"%s\"\n", line.c_str());
  }
}

}  // namespace

int RunViewerChild(const std::string& model, int frames) {
  try {
    ViewerSession viewer = StartViewer(model);
    const long resident = StatusKilobytes("VmRSS:");
    Report("first");
    Report("rss " + std::to_string(resident) + " buffers " + std::to_string(ModelBufferBytes(*viewer.renderer)));
    for (int i = 0; i < frames; ++i) RunViewerFrame(viewer);
    StopViewer(viewer);
  } catch (const FatalError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  Report("hwm " + std::to_string(StatusKilobytes("VmHWM:")));
  return 0;
}

FreshProcessFigures MeasureFreshProcess(const std::string& program, const std::string& model, int frames) {
  FreshProcessFigures figures;
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    figures.Error = "no pipe for the child's report";
    return figures;
  }
  // posix_spawn, not fork: a forked copy of this process would start its child's peak at ours.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, report[1], kReportDescriptor);
  // The viewer's console line ("Viewing ...") would break up the benchmark's table.
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  const std::string frameCount = std::to_string(frames);
  std::vector<char*> arguments = {const_cast<char*>(program.c_str()), const_cast<char*>(kViewerChildArgument),
                                  const_cast<char*>(model.c_str()), const_cast<char*>(frameCount.c_str()), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t child = 0;
  const int spawned = posix_spawn(&child, program.c_str(), &actions, nullptr, arguments.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(report[1]);
  if (spawned != 0) {
    close(report[0]);
    figures.Error = "cannot start " + program;
    return figures;
  }
  std::string received;
  char buffer[256];
  for (ssize_t count; (count = read(report[0], buffer, sizeof buffer)) > 0;) {
    if (received.empty()) {
      figures.FirstFrameSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    received.append(buffer, static_cast<size_t>(count));
  }
  close(report[0]);
  int status = 0;
  waitpid(child, &status, 0);
  const size_t hwm = received.find("hwm ");
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.rfind("first\n", 0) != 0 || hwm == std::string::npos) {
    figures.Error = "the viewer child on " + model + " failed (see its stderr)";
    return figures;
  }
  figures.PeakResidentMegabytes = std::stod(received.substr(hwm + 4)) / 1024.0;
  figures.FirstFrameResidentMegabytes = ReportedFigure(received, "rss") / 1024.0;
  figures.ModelBufferMegabytes = ReportedFigure(received, "buffers") / (1024.0 * 1024.0);
  return figures;
}
