// Files on POSIX file descriptors. Windows paths are taken as they are written in Windows programs:
// backslashes separate folders. Failures set Windows' error codes, worked out from errno.

#include "Diagnostics.h"
#include "KernelObjects.h"
#include "platform_common/UnicodeText.h"

#include <win32_platform.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

namespace {

class File final : public win32::KernelObject {
 public:
  File(int descriptor, bool canRead, bool canWrite) : descriptor_(descriptor), canRead_(canRead), canWrite_(canWrite) {}
  ~File() override { close(descriptor_); }

  int Descriptor() const { return descriptor_; }
  bool CanRead() const { return canRead_; }
  bool CanWrite() const { return canWrite_; }

 private:
  const int descriptor_;
  const bool canRead_;
  const bool canWrite_;
};

std::shared_ptr<File> FileFor(HANDLE handle, const char* call) {
  return win32::KernelObjectFor<File>(handle, call, "file");
}

std::string LinuxPath(std::string path) {
  // Long-path prefix "\\?\": Linux has no path length limit to lift.
  if (path.rfind("\\\\?\\", 0) == 0) path.erase(0, 4);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return win32_platform::PathInDiskCase(path);
}

bool ParentFolderExists(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  struct stat status;
  const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
  return stat(parent.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

// The Windows error for a failed open of `path`: a missing file is ERROR_FILE_NOT_FOUND only when its folder
// exists, ERROR_PATH_NOT_FOUND otherwise.
DWORD OpenError(int error, const std::string& path) {
  switch (error) {
    case ENOENT:
      return ParentFolderExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
      return ERROR_DISK_FULL;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

DWORD IoError(int error) {
  switch (error) {
    case ENOSPC:
      return ERROR_DISK_FULL;
    case EBADF:
      return ERROR_ACCESS_DENIED;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

struct OpenRequest {
  const char* call;
  std::string path;
  DWORD access;
  DWORD disposition;
  DWORD attributes;
  DWORD flags;
};

bool WantsRead(DWORD access) { return access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA); }
bool WantsWrite(DWORD access) { return access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA); }

int OpenFlags(bool read, bool write) {
  if (read && write) return O_RDWR;
  if (write) return O_WRONLY;
  // An open for neither reading nor writing still lets the program ask the file's size.
  return read ? O_RDONLY : O_PATH;
}

int Open(const std::string& path, int flags, DWORD attributes) {
  const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
  return open(path.c_str(), flags | O_CLOEXEC, mode);
}

HANDLE Fail(const OpenRequest& request, DWORD error, const char* what) {
  win32::FailCall(request.call, error, "\"%s\": %s", request.path.c_str(), what);
  return INVALID_HANDLE_VALUE;
}

// Opens or creates as the creation disposition says. CREATE_ALWAYS and OPEN_ALWAYS tell through the last
// error whether the file was already there.
HANDLE OpenFile(const OpenRequest& request) {
  const bool read = WantsRead(request.access);
  const bool write = WantsWrite(request.access);
  int base = OpenFlags(read, write);
  if ((request.disposition == CREATE_NEW || request.disposition == CREATE_ALWAYS ||
       request.disposition == OPEN_ALWAYS) &&
      base == O_PATH) {
    base = O_RDONLY;  // O_PATH cannot create
  }
  if (request.flags & FILE_FLAG_OVERLAPPED) {
    return Fail(request, ERROR_NOT_SUPPORTED, "overlapped I/O is not supported");
  }

  int descriptor = -1;
  DWORD successError = ERROR_SUCCESS;
  switch (request.disposition) {
    case CREATE_NEW:
      descriptor = Open(request.path, base | O_CREAT | O_EXCL, request.attributes);
      break;
    case CREATE_ALWAYS:
    case OPEN_ALWAYS:
      descriptor = Open(request.path, base | O_CREAT | O_EXCL, request.attributes);
      if (descriptor < 0 && errno == EEXIST) {
        successError = ERROR_ALREADY_EXISTS;
        descriptor = Open(request.path, base | (request.disposition == CREATE_ALWAYS ? O_TRUNC : 0), 0);
      }
      break;
    case OPEN_EXISTING:
      descriptor = Open(request.path, base, 0);
      break;
    case TRUNCATE_EXISTING:
      if (!write) return Fail(request, ERROR_INVALID_PARAMETER, "TRUNCATE_EXISTING needs GENERIC_WRITE access");
      descriptor = Open(request.path, base | O_TRUNC, 0);
      break;
    default:
      win32::FailCall(request.call, ERROR_INVALID_PARAMETER, "%u is not a creation disposition", request.disposition);
      return INVALID_HANDLE_VALUE;
  }
  if (descriptor < 0) {
    const int error = errno;
    return Fail(request, OpenError(error, request.path), std::strerror(error));
  }
  struct stat status;
  if (fstat(descriptor, &status) == 0 && S_ISDIR(status.st_mode) && !(request.flags & FILE_FLAG_BACKUP_SEMANTICS)) {
    close(descriptor);
    return Fail(request, ERROR_ACCESS_DENIED, "is a folder (open it with FILE_FLAG_BACKUP_SEMANTICS)");
  }
  SetLastError(successError);
  return win32::AddKernelObject(std::make_shared<File>(descriptor, read, write));
}

HANDLE OpenWide(const char* call, LPCWSTR fileName, DWORD access, DWORD disposition, DWORD flagsAndAttributes) {
  if (fileName == nullptr) {
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "the file name is null");
    return INVALID_HANDLE_VALUE;
  }
  return OpenFile({call, LinuxPath(platform::Utf8FromWide(fileName)), access, disposition, flagsAndAttributes & 0xFFFF,
                   flagsAndAttributes & 0xFFFF0000u});
}

}  // namespace

HANDLE WINAPI CreateFile2(LPCWSTR fileName, DWORD desiredAccess, DWORD, DWORD creationDisposition,
                          LPCREATEFILE2_EXTENDED_PARAMETERS createExParams) {
  DWORD attributesAndFlags = 0;
  if (createExParams != nullptr) {
    if (createExParams->dwSize != sizeof(CREATEFILE2_EXTENDED_PARAMETERS)) {
      win32::FailCall("CreateFile2", ERROR_INVALID_PARAMETER, "dwSize is %u, not %zu", createExParams->dwSize,
                      sizeof(CREATEFILE2_EXTENDED_PARAMETERS));
      return INVALID_HANDLE_VALUE;
    }
    attributesAndFlags = (createExParams->dwFileAttributes & 0xFFFF) | (createExParams->dwFileFlags & 0xFFFF0000u);
  }
  return OpenWide("CreateFile2", fileName, desiredAccess, creationDisposition, attributesAndFlags);
}

HANDLE WINAPI CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
  return OpenWide("CreateFileW", fileName, desiredAccess, creationDisposition, flagsAndAttributes);
}

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD, LPSECURITY_ATTRIBUTES, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE) {
  if (fileName == nullptr) {
    win32::FailCall("CreateFileA", ERROR_INVALID_PARAMETER, "the file name is null");
    return INVALID_HANDLE_VALUE;
  }
  return OpenFile({"CreateFileA", LinuxPath(fileName), desiredAccess, creationDisposition, flagsAndAttributes & 0xFFFF,
                   flagsAndAttributes & 0xFFFF0000u});
}

BOOL WINAPI ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
  auto file = FileFor(handle, "ReadFile");
  if (!file) return FALSE;
  if (overlapped != nullptr) {
    win32::FailCall("ReadFile", ERROR_NOT_SUPPORTED, "overlapped reads are not supported");
    return FALSE;
  }
  if (buffer == nullptr && bytesToRead > 0) {
    win32::FailCall("ReadFile", ERROR_INVALID_PARAMETER, "null buffer");
    return FALSE;
  }
  // Windows reads without handing the count back when a synchronous caller passes none (Microsoft's own
  // samples load their assets that way).
  DWORD uncounted = 0;
  if (bytesRead == nullptr) bytesRead = &uncounted;
  *bytesRead = 0;
  if (!file->CanRead()) {
    win32::FailCall("ReadFile", ERROR_ACCESS_DENIED, "the file was not opened for reading");
    return FALSE;
  }
  // read() may return less than asked before the end of the file; ReadFile on a file does not.
  auto* bytes = static_cast<char*>(buffer);
  while (*bytesRead < bytesToRead) {
    const ssize_t got = read(file->Descriptor(), bytes + *bytesRead, bytesToRead - *bytesRead);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      win32::FailCall("ReadFile", IoError(errno), "%s", std::strerror(errno));
      return FALSE;
    }
    if (got == 0) break;  // the end of the file: success with fewer bytes
    *bytesRead += static_cast<DWORD>(got);
  }
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
                      LPOVERLAPPED overlapped) {
  auto file = FileFor(handle, "WriteFile");
  if (!file) return FALSE;
  if (overlapped != nullptr) {
    win32::FailCall("WriteFile", ERROR_NOT_SUPPORTED, "overlapped writes are not supported");
    return FALSE;
  }
  if (buffer == nullptr && bytesToWrite > 0) {
    win32::FailCall("WriteFile", ERROR_INVALID_PARAMETER, "null buffer");
    return FALSE;
  }
  DWORD uncounted = 0;
  if (bytesWritten == nullptr) bytesWritten = &uncounted;
  *bytesWritten = 0;
  if (!file->CanWrite()) {
    win32::FailCall("WriteFile", ERROR_ACCESS_DENIED, "the file was not opened for writing");
    return FALSE;
  }
  const auto* bytes = static_cast<const char*>(buffer);
  while (*bytesWritten < bytesToWrite) {
    const ssize_t put = write(file->Descriptor(), bytes + *bytesWritten, bytesToWrite - *bytesWritten);
    if (put < 0 && errno == EINTR) continue;
    if (put < 0) {
      win32::FailCall("WriteFile", IoError(errno), "%s", std::strerror(errno));
      return FALSE;
    }
    *bytesWritten += static_cast<DWORD>(put);
  }
  return TRUE;
}

namespace {

bool StatFile(HANDLE handle, const char* call, struct stat& status) {
  auto file = FileFor(handle, call);
  if (!file) return false;
  if (fstat(file->Descriptor(), &status) != 0) {
    win32::FailCall(call, IoError(errno), "%s", std::strerror(errno));
    return false;
  }
  return true;
}

}  // namespace

BOOL WINAPI GetFileSizeEx(HANDLE handle, PLARGE_INTEGER fileSize) {
  struct stat status;
  if (!StatFile(handle, "GetFileSizeEx", status)) return FALSE;
  if (fileSize == nullptr) {
    win32::FailCall("GetFileSizeEx", ERROR_INVALID_PARAMETER, "the size pointer is null");
    return FALSE;
  }
  fileSize->QuadPart = status.st_size;
  return TRUE;
}

DWORD WINAPI GetFileSize(HANDLE handle, LPDWORD fileSizeHigh) {
  struct stat status;
  if (!StatFile(handle, "GetFileSize", status)) return INVALID_FILE_SIZE;
  const auto size = static_cast<uint64_t>(status.st_size);
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  // A low part that looks like INVALID_FILE_SIZE is told apart from failure by a last error of zero.
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL WINAPI SetFilePointerEx(HANDLE handle, LARGE_INTEGER distanceToMove, PLARGE_INTEGER newFilePointer,
                             DWORD moveMethod) {
  auto file = FileFor(handle, "SetFilePointerEx");
  if (!file) return FALSE;
  int whence;
  switch (moveMethod) {
    case FILE_BEGIN:
      whence = SEEK_SET;
      break;
    case FILE_CURRENT:
      whence = SEEK_CUR;
      break;
    case FILE_END:
      whence = SEEK_END;
      break;
    default:
      win32::FailCall("SetFilePointerEx", ERROR_INVALID_PARAMETER, "%u is not a move method", moveMethod);
      return FALSE;
  }
  const off_t position = lseek(file->Descriptor(), distanceToMove.QuadPart, whence);
  if (position < 0) {
    // lseek refuses a position before the start with EINVAL, which Windows reports as a negative seek.
    const DWORD error = errno == EINVAL ? ERROR_NEGATIVE_SEEK : IoError(errno);
    win32::FailCall("SetFilePointerEx", error, "cannot move by %lld: %s",
                    static_cast<long long>(distanceToMove.QuadPart), std::strerror(errno));
    return FALSE;
  }
  if (newFilePointer != nullptr) newFilePointer->QuadPart = position;
  return TRUE;
}

BOOL WINAPI GetFileInformationByHandleEx(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS fileInformationClass,
                                         LPVOID fileInformation, DWORD bufferSize) {
  const char* call = "GetFileInformationByHandleEx";
  struct stat status;
  if (!StatFile(handle, call, status)) return FALSE;
  if (fileInformationClass < FileBasicInfo || fileInformationClass >= MaximumFileInfoByHandleClass) {
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "%d is not an information class", fileInformationClass);
    return FALSE;
  }
  if (fileInformationClass != FileStandardInfo) {
    win32::FailCall(call, ERROR_CALL_NOT_IMPLEMENTED, "only FileStandardInfo is supported, not class %d",
                    fileInformationClass);
    return FALSE;
  }
  if (fileInformation == nullptr || bufferSize < sizeof(FILE_STANDARD_INFO)) {
    win32::FailCall(call, ERROR_BAD_LENGTH, "FileStandardInfo needs a buffer of %zu bytes, %u given",
                    sizeof(FILE_STANDARD_INFO), fileInformation == nullptr ? 0 : bufferSize);
    return FALSE;
  }
  FILE_STANDARD_INFO info{};
  info.AllocationSize.QuadPart = static_cast<LONGLONG>(status.st_blocks) * 512;
  info.EndOfFile.QuadPart = status.st_size;
  info.NumberOfLinks = static_cast<DWORD>(status.st_nlink);
  info.DeletePending = FALSE;
  info.Directory = S_ISDIR(status.st_mode) ? TRUE : FALSE;
  std::memcpy(fileInformation, &info, sizeof info);
  return TRUE;
}
