// Windows behaviours programs written for Windows rely on without saying so: file names found whatever their
// case, synchronous reads and writes that do not ask for the byte count, and the unsigned interlocked
// overloads of C++.

#include <gtest/gtest.h>

#include <win32_platform.h>
#include <windows.h>
#include <wrl.h>

#include <unistd.h>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

using Microsoft::WRL::Wrappers::FileHandle;

class WindowsNames : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("win32-names-" + std::to_string(getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "Shaders");
    std::ofstream(folder_ / "Shaders" / "nBodyGravityCS.hlsl") << "contents";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::wstring Wide(const std::filesystem::path& path) const {
    const std::string text = path.string();
    return std::wstring(text.begin(), text.end());
  }

  std::filesystem::path folder_;
};

TEST_F(WindowsNames, NamesMatchFilesAndFoldersInAnyCase) {
  const std::string exact = (folder_ / "Shaders" / "nBodyGravityCS.hlsl").string();
  EXPECT_EQ(win32_platform::PathInDiskCase((folder_ / "SHADERS" / "NBodyGravityCS.HLSL").string()), exact);
  EXPECT_EQ(win32_platform::PathInDiskCase(exact), exact);
  // The first name without a match ends the search: the rest is kept as written, for files to be created.
  EXPECT_EQ(win32_platform::PathInDiskCase((folder_ / "shaders" / "New" / "File.txt").string()),
            (folder_ / "Shaders" / "New" / "File.txt").string());

  FileHandle file(CreateFile2(Wide(folder_ / "shaders" / "NBODYGRAVITYCS.hlsl").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              OPEN_EXISTING, nullptr));
  ASSERT_TRUE(file.IsValid());
  // Read without a byte count, as Microsoft's samples load their assets.
  char bytes[8] = {};
  EXPECT_TRUE(ReadFile(file.Get(), bytes, sizeof(bytes), nullptr, nullptr));
  EXPECT_EQ(std::string(bytes, 8), "contents");
}

TEST_F(WindowsNames, WritesWithoutAByteCountWriteEverything) {
  const std::wstring path = Wide(folder_ / "Shaders" / "out.bin");
  {
    FileHandle file(CreateFile2(path.c_str(), GENERIC_WRITE, 0, CREATE_NEW, nullptr));
    ASSERT_TRUE(file.IsValid());
    EXPECT_TRUE(WriteFile(file.Get(), "abc", 3, nullptr, nullptr));
  }
  EXPECT_EQ(std::filesystem::file_size(folder_ / "Shaders" / "out.bin"), 3u);
}

TEST(UnsignedInterlocked, OverloadsWorkOnTheFullWidthOfTheirType) {
  volatile UINT64 fenceValue = 0xFFFFFFFFull;
  EXPECT_EQ(InterlockedIncrement(&fenceValue), 0x100000000ull);
  EXPECT_EQ(InterlockedExchange(&fenceValue, 0x123456789ull), 0x100000000ull);
  EXPECT_EQ(InterlockedCompareExchange(&fenceValue, 0, 0), 0x123456789ull);
  EXPECT_EQ(InterlockedCompareExchange(&fenceValue, 5, 0x123456789ull), 0x123456789ull);
  EXPECT_EQ(fenceValue, 5u);

  volatile unsigned int flags = 0x80000000u;
  EXPECT_EQ(InterlockedOr(&flags, 1u), 0x80000000u);
  EXPECT_EQ(InterlockedDecrement(&flags), 0x80000000u);
  volatile unsigned long long wide = 0;
  EXPECT_EQ(InterlockedDecrement(&wide), ~0ull);
}

}  // namespace
