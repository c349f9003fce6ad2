// A file of the fuzz target's own in the temporary folder, rewritten with each input, for code that reads
// its input by file name. The name carries the process id so that parallel fuzzing jobs do not share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class FuzzScratchFile {
 public:
  FuzzScratchFile(const char* stem, const char* extension);
  ~FuzzScratchFile();
  FuzzScratchFile(const FuzzScratchFile&) = delete;
  FuzzScratchFile& operator=(const FuzzScratchFile&) = delete;

  // Replaces the contents; stops the process if the file cannot be written, since every later input
  // would then test a missing file instead of its bytes.
  void Write(const uint8_t* data, size_t size) const;

  const std::string& Path() const { return path_; }
  std::wstring WidePath() const { return std::wstring(path_.begin(), path_.end()); }

 private:
  std::string path_;
};
