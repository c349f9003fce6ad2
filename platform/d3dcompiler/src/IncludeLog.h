// The files the standard include handler reads during one compilation on this thread, so a cached result
// can later be checked against the files as they are then.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace d3dcompiler {

struct IncludedFile {
  std::string Path;
  std::string Content;  // as the compiler was given it
};

// Records while it exists; logs do not nest.
class IncludeLog {
 public:
  IncludeLog();
  ~IncludeLog();
  IncludeLog(const IncludeLog&) = delete;
  IncludeLog& operator=(const IncludeLog&) = delete;

  const std::vector<IncludedFile>& Files() const { return files_; }

  // Called by the include handler for every file it reads.
  static void Note(std::string_view path, std::string_view content);

 private:
  std::vector<IncludedFile> files_;
};

}  // namespace d3dcompiler
