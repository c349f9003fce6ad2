// The file calls against what Windows documents: creation dispositions and the last errors they leave,
// reading to and past the end, seeking, sizes, access checks, Windows paths, and bad handles.

#include <gtest/gtest.h>

#include <windows.h>
#include <wrl.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

using Microsoft::WRL::Wrappers::FileHandle;
using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class FileApi : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        std::filesystem::temp_directory_path() / ("win32-files-" + std::to_string(getpid()) + "-" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "sub");
  }
  void TearDown() override {
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
    std::filesystem::remove_all(folder_);
  }

  // The file's path as a Windows program writes it: folders separated by backslashes.
  std::wstring WindowsPath(const std::string& name) const {
    std::string path = (folder_ / name).string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return std::wstring(path.begin(), path.end());
  }

  void WriteBytes(const std::string& name, const std::string& bytes) {
    FILE* file = std::fopen((folder_ / name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }

  std::string ReadBytes(const std::string& name) {
    std::string bytes;
    if (FILE* file = std::fopen((folder_ / name).c_str(), "rb")) {
      for (int c; (c = std::fgetc(file)) != EOF;) bytes += static_cast<char>(c);
      std::fclose(file);
    }
    return bytes;
  }

  // Opens with `disposition`, expecting failure with `error` and exactly one line on stderr.
  void ExpectOpenFails(const std::wstring& path, DWORD access, DWORD disposition, DWORD error) {
    SetLastError(ERROR_SUCCESS);
    CaptureStderr();
    HANDLE file = CreateFile2(path.c_str(), access, FILE_SHARE_READ, disposition, nullptr);
    const std::string output = GetCapturedStderr();
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), error);
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
  }

  std::filesystem::path folder_;
};

TEST_F(FileApi, ReadsAWholeFileTheWayTheSamplesDo) {
  WriteBytes("sub/data.bin", std::string("\x01\x02\x03\x04\x05\x06\x07", 7));
  CREATEFILE2_EXTENDED_PARAMETERS parameters = {};
  parameters.dwSize = sizeof(parameters);
  parameters.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  parameters.dwFileFlags = FILE_FLAG_SEQUENTIAL_SCAN;
  FileHandle file(
      CreateFile2(WindowsPath("sub/data.bin").c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &parameters));
  ASSERT_TRUE(file.IsValid());

  FILE_STANDARD_INFO info = {};
  ASSERT_TRUE(GetFileInformationByHandleEx(file.Get(), FileStandardInfo, &info, sizeof(info)));
  EXPECT_EQ(info.EndOfFile.QuadPart, 7);
  EXPECT_EQ(info.EndOfFile.LowPart, 7u);
  EXPECT_EQ(info.EndOfFile.HighPart, 0);
  EXPECT_FALSE(info.Directory);
  EXPECT_EQ(info.NumberOfLinks, 1u);

  unsigned char bytes[16] = {};
  DWORD read = 0;
  ASSERT_TRUE(ReadFile(file.Get(), bytes, info.EndOfFile.LowPart, &read, nullptr));
  EXPECT_EQ(read, 7u);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[6], 7);
  // At the end of the file a read succeeds and reads nothing.
  ASSERT_TRUE(ReadFile(file.Get(), bytes, sizeof(bytes), &read, nullptr));
  EXPECT_EQ(read, 0u);
}

TEST_F(FileApi, DispositionsCreateOpenOrRefuseAndSayWhetherTheFileExisted) {
  const std::wstring path = WindowsPath("made.txt");
  DWORD written = 0;

  SetLastError(12345);
  HANDLE created = CreateFile2(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW, nullptr);
  ASSERT_NE(created, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteFile(created, "hello", 5, &written, nullptr));
  EXPECT_EQ(written, 5u);
  ASSERT_TRUE(CloseHandle(created));
  EXPECT_EQ(ReadBytes("made.txt"), "hello");

  ExpectOpenFails(path, GENERIC_WRITE, CREATE_NEW, ERROR_FILE_EXISTS);

  // OPEN_ALWAYS keeps the contents and reports that the file was there.
  HANDLE opened =
      CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(opened, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  LARGE_INTEGER size = {};
  ASSERT_TRUE(GetFileSizeEx(opened, &size));
  EXPECT_EQ(size.QuadPart, 5);
  CloseHandle(opened);

  // CREATE_ALWAYS empties an existing file, and says so; on a new file the last error is cleared.
  HANDLE replaced = CreateFile2(path.c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, nullptr);
  ASSERT_NE(replaced, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  CloseHandle(replaced);
  EXPECT_EQ(ReadBytes("made.txt"), "");
  SetLastError(12345);
  HANDLE fresh = CreateFile2(WindowsPath("fresh.txt").c_str(), GENERIC_WRITE, 0, CREATE_ALWAYS, nullptr);
  ASSERT_NE(fresh, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(fresh);

  // TRUNCATE_EXISTING empties a file that exists and needs write access to do it.
  WriteBytes("made.txt", "again");
  ExpectOpenFails(path, GENERIC_READ, TRUNCATE_EXISTING, ERROR_INVALID_PARAMETER);
  HANDLE truncated = CreateFile2(path.c_str(), GENERIC_WRITE, 0, TRUNCATE_EXISTING, nullptr);
  ASSERT_NE(truncated, INVALID_HANDLE_VALUE);
  CloseHandle(truncated);
  EXPECT_EQ(ReadBytes("made.txt"), "");
  ExpectOpenFails(WindowsPath("absent.txt"), GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_FILE_NOT_FOUND);

  ExpectOpenFails(path, GENERIC_READ, 0, ERROR_INVALID_PARAMETER);
  ExpectOpenFails(path, GENERIC_READ, 6, ERROR_INVALID_PARAMETER);
}

TEST_F(FileApi, MissingFilesAndFoldersGetTheirOwnErrors) {
  ExpectOpenFails(WindowsPath("absent.bin"), GENERIC_READ, OPEN_EXISTING, ERROR_FILE_NOT_FOUND);
  ExpectOpenFails(WindowsPath("no-folder\\absent.bin"), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND);
  ExpectOpenFails(WindowsPath("no-folder\\new.bin"), GENERIC_WRITE, CREATE_NEW, ERROR_PATH_NOT_FOUND);
  // A folder on the way that is a file is no folder either.
  WriteBytes("plain", "x");
  ExpectOpenFails(WindowsPath("plain\\inside.bin"), GENERIC_READ, OPEN_EXISTING, ERROR_PATH_NOT_FOUND);
  // A folder is not opened as a file.
  ExpectOpenFails(WindowsPath("sub"), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED);
  HANDLE folder = CreateFileW(WindowsPath("sub").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(folder, INVALID_HANDLE_VALUE);
  FILE_STANDARD_INFO info = {};
  ASSERT_TRUE(GetFileInformationByHandleEx(folder, FileStandardInfo, &info, sizeof(info)));
  EXPECT_TRUE(info.Directory);
  CloseHandle(folder);

  SetLastError(ERROR_SUCCESS);
  CaptureStderr();
  EXPECT_EQ(CreateFile2(nullptr, GENERIC_READ, 0, OPEN_EXISTING, nullptr), INVALID_HANDLE_VALUE);
  GetCapturedStderr();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(FileApi, PermissionsAndAccessModesAreEnforced) {
  WriteBytes("locked.txt", "secret");
  chmod((folder_ / "locked.txt").c_str(), 0);
  if (geteuid() != 0) {  // root reads whatever the mode says
    ExpectOpenFails(WindowsPath("locked.txt"), GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED);
  }
  chmod((folder_ / "locked.txt").c_str(), 0644);

  HANDLE readOnly = CreateFile2(WindowsPath("locked.txt").c_str(), GENERIC_READ, 0, OPEN_EXISTING, nullptr);
  ASSERT_NE(readOnly, INVALID_HANDLE_VALUE);
  DWORD count = 99;
  CaptureStderr();
  EXPECT_FALSE(WriteFile(readOnly, "x", 1, &count, nullptr));
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(count, 0u);
  EXPECT_NE(output.find("WriteFile"), std::string::npos) << output;
  CloseHandle(readOnly);

  HANDLE writeOnly = CreateFile2(WindowsPath("locked.txt").c_str(), GENERIC_WRITE, 0, OPEN_EXISTING, nullptr);
  ASSERT_NE(writeOnly, INVALID_HANDLE_VALUE);
  char one = 0;
  CaptureStderr();
  EXPECT_FALSE(ReadFile(writeOnly, &one, 1, &count, nullptr));
  GetCapturedStderr();
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  CloseHandle(writeOnly);
  EXPECT_EQ(ReadBytes("locked.txt"), "secret");
}

TEST_F(FileApi, SeeksFromEachOriginAndRefusesToGoBeforeTheStart) {
  WriteBytes("seek.bin", "0123456789");
  HANDLE file = CreateFile2(WindowsPath("seek.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  LARGE_INTEGER move = {}, position = {};
  char c = 0;
  DWORD count = 0;

  move.QuadPart = 3;
  ASSERT_TRUE(SetFilePointerEx(file, move, &position, FILE_BEGIN));
  EXPECT_EQ(position.QuadPart, 3);
  ASSERT_TRUE(ReadFile(file, &c, 1, &count, nullptr));
  EXPECT_EQ(c, '3');
  move.QuadPart = 2;
  ASSERT_TRUE(SetFilePointerEx(file, move, &position, FILE_CURRENT));
  EXPECT_EQ(position.QuadPart, 6);
  move.QuadPart = -1;
  ASSERT_TRUE(SetFilePointerEx(file, move, &position, FILE_END));
  EXPECT_EQ(position.QuadPart, 9);
  ASSERT_TRUE(ReadFile(file, &c, 1, &count, nullptr));
  EXPECT_EQ(c, '9');

  // Moving past the end is allowed, and a write there extends the file.
  move.QuadPart = 12;
  ASSERT_TRUE(SetFilePointerEx(file, move, nullptr, FILE_BEGIN));
  ASSERT_TRUE(WriteFile(file, "!", 1, &count, nullptr));
  LARGE_INTEGER size = {};
  ASSERT_TRUE(GetFileSizeEx(file, &size));
  EXPECT_EQ(size.QuadPart, 13);
  DWORD high = 7;
  EXPECT_EQ(GetFileSize(file, &high), 13u);
  EXPECT_EQ(high, 0u);

  CaptureStderr();
  move.QuadPart = -20;
  EXPECT_FALSE(SetFilePointerEx(file, move, &position, FILE_CURRENT));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NEGATIVE_SEEK));
  move.QuadPart = 0;
  EXPECT_FALSE(SetFilePointerEx(file, move, &position, 3));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  GetCapturedStderr();
  CloseHandle(file);
}

TEST_F(FileApi, StandardInfoNeedsRoomAndOtherClassesAreNotImplemented) {
  WriteBytes("info.bin", "abc");
  FileHandle file(CreateFile2(WindowsPath("info.bin").c_str(), GENERIC_READ, 0, OPEN_EXISTING, nullptr));
  ASSERT_TRUE(file.IsValid());
  FILE_STANDARD_INFO info = {};
  CaptureStderr();
  EXPECT_FALSE(GetFileInformationByHandleEx(file.Get(), FileStandardInfo, &info, sizeof(info) - 1));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_LENGTH));
  EXPECT_FALSE(GetFileInformationByHandleEx(file.Get(), FileBasicInfo, &info, sizeof(info)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED));
  EXPECT_FALSE(GetFileInformationByHandleEx(file.Get(), MaximumFileInfoByHandleClass, &info, sizeof(info)));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 3) << output;
}

TEST_F(FileApi, BadAndClosedHandlesAreReportedNotFollowed) {
  WriteBytes("once.bin", "x");
  HANDLE file = CreateFileA((folder_ / "once.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(CloseHandle(file));

  char one = 0;
  DWORD count = 0;
  LARGE_INTEGER size = {};
  HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  CaptureStderr();
  EXPECT_FALSE(ReadFile(file, &one, 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(GetFileSizeEx(INVALID_HANDLE_VALUE, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  // An event is a handle, but not a file.
  EXPECT_FALSE(WriteFile(event, "x", 1, &count, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 4) << output;
  CloseHandle(event);
}

}  // namespace
