// A fresh folder that is the working directory while the object lives. The program and its parts read
// their files by fixed names from the working directory, and CTest runs test processes side by side, so
// each test gets a folder of its own.
#pragma once

#include <filesystem>
#include <string>

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // Copies the contents of `source` (recursively) into the folder, or into its subfolder `as`.
  void CopyIn(const std::filesystem::path& source, const std::string& as = "") const;

  // Writes `contents` byte for byte into `name` inside the folder.
  void WriteFile(const std::string& name, const std::string& contents) const;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};
