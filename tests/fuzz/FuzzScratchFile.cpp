#include "FuzzScratchFile.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

FuzzScratchFile::FuzzScratchFile(const char* stem, const char* extension) {
  const auto folder = std::filesystem::temp_directory_path();
  path_ = (folder / (std::string("fuzz-") + stem + "-" + std::to_string(getpid()) + extension)).string();
}

FuzzScratchFile::~FuzzScratchFile() { std::remove(path_.c_str()); }

void FuzzScratchFile::Write(const uint8_t* data, size_t size) const {
  std::ofstream file(path_, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!file.flush()) {
    std::fprintf(stderr, "fuzz: cannot write %s\n", path_.c_str());
    std::abort();
  }
}
