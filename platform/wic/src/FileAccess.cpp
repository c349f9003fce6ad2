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
        return Fail(call, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Quoted(path) + ": file not found");
      }
      return Fail(call, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), Quoted(path) + ": path not found");
    case ENOTDIR:
    case ENAMETOOLONG:
      return Fail(call, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), Quoted(path) + ": path not found");
    case EACCES:
    case EPERM:
      return Fail(call, E_ACCESSDENIED, Quoted(path) + ": access denied");
    default:
      return Fail(call, E_FAIL, Quoted(path) + ": " + std::strerror(error));
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

std::string PosixPath(const std::string& name) {
  std::string path = name;
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace

HRESULT CreateFileForWriting(const char* call, const std::string& name, int& descriptor) {
  if (name.empty()) {
    return Fail(call, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "empty file name");
  }
  const std::string path = PosixPath(name);
  if (IsFolder(path)) {
    return Fail(call, E_ACCESSDENIED, Quoted(path) + " is a folder");
  }
  descriptor = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return descriptor >= 0 ? S_OK : OpenFailure(call, path, errno);
}

HRESULT ReadWholeFile(const char* call, const std::string& name, std::vector<BYTE>& bytes) {
  if (name.empty()) {
    return Fail(call, HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "empty file name");
  }
  const std::string path = PosixPath(name);

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
    return Fail(call, E_ACCESSDENIED, Quoted(path) + " is a folder");
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
      return Fail(call, HRESULT_FROM_WIN32(kErrorReadFault), Quoted(path) + ": read failed: " + std::strerror(errno));
    }
    if (count == 0) {
      return S_OK;
    }
    bytes.insert(bytes.end(), chunk, chunk + count);
  }
}

}  // namespace wic
