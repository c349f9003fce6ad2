#include "support/ScratchFolder.h"

#include <unistd.h>

#include <atomic>
#include <fstream>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() : previous_(fs::current_path()) {
  static std::atomic<int> counter = 0;
  path_ = fs::temp_directory_path() / ("engine_tests_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  fs::create_directories(path_);
  fs::current_path(path_);
}

ScratchFolder::~ScratchFolder() {
  fs::current_path(previous_);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ScratchFolder::CopyIn(const fs::path& source, const std::string& as) const {
  const fs::path destination = as.empty() ? path_ : path_ / as;
  fs::create_directories(destination);
  fs::copy(source, destination, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

void ScratchFolder::WriteFile(const std::string& name, const std::string& contents) const {
  std::ofstream(path_ / name, std::ios::binary) << contents;
}
