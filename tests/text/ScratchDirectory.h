// A fresh empty directory that is the working directory while the object lives. Labels read their font
// by a fixed name from the working directory, and CTest runs test processes side by side, so each test
// gets its own.
#pragma once

#include <filesystem>
#include <string>

class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // Writes `contents` byte for byte into `name` inside the directory.
  void WriteFile(const std::string& name, const std::string& contents) const;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};
