#include "IncludeLog.h"

namespace d3dcompiler {

namespace {
thread_local IncludeLog* activeLog = nullptr;
}

IncludeLog::IncludeLog() { activeLog = this; }

IncludeLog::~IncludeLog() { activeLog = nullptr; }

void IncludeLog::Note(std::string_view path, std::string_view content) {
  if (activeLog != nullptr) activeLog->files_.push_back({std::string(path), std::string(content)});
}

}  // namespace d3dcompiler
