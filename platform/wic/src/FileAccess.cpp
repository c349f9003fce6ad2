#include "FileAccess.h"

#include "Diagnostics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace wic {
namespace {

constexpr DWORD kErrorReadFault = 30;  // ERROR_READ_FAULT

void AppendUtf8(std::string& text, char32_t code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    text += static_cast<char>(0xE0 | (code >> 12));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xF0 | (code >> 18));
    text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

bool IsFolder(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) {
    return ".";
  }
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Windows tells a missing file in an existing folder apart from a path through a missing folder.
HRESULT OpenFailure(const char* call, const std::string& path, int error) {
  switch (error) {
    case ENOENT:
      if (IsFolder(ParentFolder(path))) {
        return Fail(call, Quoted(path) + ": file not found", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
      }
      return Fail(call, Quoted(path) + ": path not found", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    case ENOTDIR:
    case ENAMETOOLONG:
      return Fail(call, Quoted(path) + ": path not found", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
    case EACCES:
    case EPERM:
      return Fail(call, Quoted(path) + ": access denied", E_ACCESSDENIED);
    default:
      return Fail(call, Quoted(path) + ": " + std::strerror(error), E_FAIL);
  }
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
  ~FileDescriptor() {
    if (descriptor_ >= 0) {
      close(descriptor_);
    }
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return descriptor_; }

 private:
  int descriptor_;
};

}  // namespace

std::string Utf8FromWide(LPCWSTR text) {
  std::string utf8;
  for (; text != nullptr && *text != 0; ++text) {
    AppendUtf8(utf8, static_cast<char32_t>(*text));
  }
  return utf8;
}

HRESULT ReadWholeFile(const char* call, const std::string& name, std::vector<BYTE>& bytes) {
  if (name.empty()) {
    return Fail(call, "empty file name", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  }
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');

  const FileDescriptor file(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.Get() < 0) {
    return OpenFailure(call, path, errno);
  }
  struct stat status;
  if (fstat(file.Get(), &status) != 0) {
    return OpenFailure(call, path, errno);
  }
  if (S_ISDIR(status.st_mode)) {
    // Opening a folder as a file is refused with ERROR_ACCESS_DENIED on Windows.
    return Fail(call, Quoted(path) + " is a folder", E_ACCESSDENIED);
  }

  bytes.clear();
  bytes.reserve(static_cast<size_t>(status.st_size));
  BYTE chunk[65536];
  for (;;) {
    const ssize_t count = read(file.Get(), chunk, sizeof chunk);
    if (count < 0 && errno == EINTR) {
      continue;
    }
    if (count < 0) {
      return Fail(call, Quoted(path) + ": read failed: " + std::strerror(errno), HRESULT_FROM_WIN32(kErrorReadFault));
    }
    if (count == 0) {
      return S_OK;
    }
    bytes.insert(bytes.end(), chunk, chunk + count);
  }
}

}  // namespace wic
