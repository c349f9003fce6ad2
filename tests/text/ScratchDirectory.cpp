#include "ScratchDirectory.h"

#include <unistd.h>

#include <atomic>
#include <fstream>

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
  static std::atomic<int> counter = 0;
  path_ = std::filesystem::temp_directory_path() /
          ("text_tests_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  std::filesystem::create_directories(path_);
  std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::filesystem::current_path(previous_);
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void ScratchDirectory::WriteFile(const std::string& name, const std::string& contents) const {
  std::ofstream file(path_ / name, std::ios::binary);
  file << contents;
}
