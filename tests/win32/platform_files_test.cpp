// The Win32 platform layer against real files under Wine (or Windows).
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <string>

#include "platform/platform.h"

namespace {

// A fresh folder under the system's temporary folder, removed with its files.
class Win32Folder : public ::testing::Test {
 protected:
  void SetUp() override {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    folder_ = std::string(base) + "tv_platform_" + std::to_string(GetCurrentProcessId()) + "_" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder_ + "\\*").c_str(), &data);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        DeleteFileA((folder_ + "\\" + data.cFileName).c_str());
      } while (FindNextFileA(search, &data));
      FindClose(search);
    }
    RemoveDirectoryA(folder_.c_str());
  }
  std::string path(const char* name) const { return folder_ + "\\" + name; }
  void make_file(const char* name, const std::string& content) const {
    platform::File* file = platform::open_dest(path(name).c_str(), true);
    ASSERT_NE(file, nullptr);
    uint32_t written = 0;
    ASSERT_TRUE(platform::write_all(file, content.data(), content.size(), &written));
    platform::close(file);
  }
  std::string folder_;
};

TEST_F(Win32Folder, SourceAdmitsReadersButNoWriter) {
  make_file("source.bin", "0123456789");
  platform::File* source = platform::open_source(path("source.bin").c_str());
  ASSERT_NE(source, nullptr);

  HANDLE writer =
      CreateFileA(path("source.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));

  platform::File* second_reader = platform::open_source(path("source.bin").c_str());
  EXPECT_NE(second_reader, nullptr);
  platform::close(second_reader);
  platform::close(source);

  // A source already open for writing elsewhere cannot be opened for copying.
  HANDLE other = CreateFileA(path("source.bin").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform::open_source(path("source.bin").c_str()), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  CloseHandle(other);
}

TEST_F(Win32Folder, DestinationAdmitsNoSecondOpener) {
  platform::File* dest = platform::open_dest(path("dest.bin").c_str(), true);
  ASSERT_NE(dest, nullptr);
  HANDLE reader =
      CreateFileA(path("dest.bin").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(platform::open_dest(path("dest.bin").c_str(), false), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ERROR_SHARING_VIOLATION));
  platform::close(dest);
}

TEST_F(Win32Folder, OpenFailuresReportWindowsErrorCodes) {
  EXPECT_EQ(platform::open_source(path("missing.bin").c_str()), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));

  EXPECT_EQ(platform::open_source(path("no_folder\\file.bin").c_str()), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));

  // Continuing a destination requires it to exist; it is not created.
  EXPECT_EQ(platform::open_dest(path("missing.bin").c_str(), false), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
  platform::PathInfo info;
  EXPECT_FALSE(platform::look_up(path("missing.bin").c_str(), &info));

  EXPECT_EQ(platform::open_dest(path("no_folder\\file.bin").c_str(), true), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ERROR_PATH_NOT_FOUND));
}

TEST_F(Win32Folder, ExistingDestinationKeepsOrLosesItsContent) {
  make_file("dest.bin", "abcdef");
  platform::PathInfo info;
  platform::File* kept = platform::open_dest(path("dest.bin").c_str(), false);
  ASSERT_NE(kept, nullptr);
  platform::close(kept);
  ASSERT_TRUE(platform::look_up(path("dest.bin").c_str(), &info));
  EXPECT_EQ(info.size, 6);

  platform::File* emptied = platform::open_dest(path("dest.bin").c_str(), true);
  ASSERT_NE(emptied, nullptr);
  platform::close(emptied);
  ASSERT_TRUE(platform::look_up(path("dest.bin").c_str(), &info));
  EXPECT_EQ(info.size, 0);
}

TEST_F(Win32Folder, SeeksBeyondFourGibibytes) {
  const int64_t offset = (int64_t{5} << 30) + 7;  // above every 32-bit position
  platform::File* dest = platform::open_dest(path("sparse.bin").c_str(), true);
  ASSERT_NE(dest, nullptr);
  DWORD returned = 0;  // keep the file sparse where the file system allows it
  DeviceIoControl(reinterpret_cast<HANDLE>(dest), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0,
                  &returned, nullptr);
  ASSERT_TRUE(platform::seek(dest, offset));
  uint32_t written = 0;
  ASSERT_TRUE(platform::write_all(dest, "TAIL", 4, &written));
  EXPECT_EQ(written, 4u);
  platform::close(dest);

  platform::PathInfo info;
  ASSERT_TRUE(platform::look_up(path("sparse.bin").c_str(), &info));
  EXPECT_EQ(info.size, offset + 4);
  EXPECT_FALSE(info.is_directory);
  EXPECT_STREQ(info.name, "sparse.bin");

  platform::File* source = platform::open_source(path("sparse.bin").c_str());
  ASSERT_NE(source, nullptr);
  ASSERT_TRUE(platform::seek(source, offset));
  char buffer[16] = {};
  uint32_t got = 0;
  ASSERT_TRUE(platform::read(source, buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(std::string(buffer, got), "TAIL");
  platform::close(source);
}

TEST_F(Win32Folder, ReadsComeShortAtEndOfFileThenEmpty) {
  make_file("ten.bin", "0123456789");
  platform::File* source = platform::open_source(path("ten.bin").c_str());
  ASSERT_NE(source, nullptr);
  char buffer[64];
  uint32_t got = 99;
  ASSERT_TRUE(platform::seek(source, 4));
  ASSERT_TRUE(platform::read(source, buffer, sizeof buffer, &got));
  EXPECT_EQ(std::string(buffer, got), "456789");
  ASSERT_TRUE(platform::read(source, buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u);
  // Positioning past the end succeeds; the read there finds the end at once.
  ASSERT_TRUE(platform::seek(source, 1000));
  ASSERT_TRUE(platform::read(source, buffer, sizeof buffer, &got));
  EXPECT_EQ(got, 0u);
  platform::close(source);
}

TEST_F(Win32Folder, LookUpReportsFoldersAndRefusesWildcards) {
  platform::PathInfo info;
  ASSERT_TRUE(platform::look_up(folder_.c_str(), &info));
  EXPECT_TRUE(info.is_directory);
  make_file("a.txt", "x");
  EXPECT_FALSE(platform::look_up(path("*.txt").c_str(), &info));
}

uint32_t count_to_three(void* argument) {
  auto* counter = static_cast<volatile LONG*>(argument);
  for (int i = 0; i < 3; ++i) InterlockedIncrement(counter);
  return 0;
}

TEST(Win32Platform, ThreadsRunAndEnd) {
  volatile LONG counter = 0;
  platform::Thread* thread = platform::start_thread(count_to_three, const_cast<LONG*>(&counter));
  ASSERT_NE(thread, nullptr);
  platform::wait_thread(thread);
  EXPECT_FALSE(platform::thread_running(thread));
  EXPECT_EQ(counter, 3);
  platform::close_thread(thread);
  EXPECT_FALSE(platform::thread_running(nullptr));
}

TEST(Win32Platform, ExecutablePathAndClock) {
  char path[MAX_PATH];
  ASSERT_TRUE(platform::executable_path(path, sizeof path));
  EXPECT_NE(std::string(path).find(".exe"), std::string::npos);
  char tiny[4];
  EXPECT_FALSE(platform::executable_path(tiny, sizeof tiny));
  LARGE_INTEGER frequency = {};
  QueryPerformanceFrequency(&frequency);
  EXPECT_EQ(platform::counter_frequency(), frequency.QuadPart);
  // The local clock, read between two readings of the system's own: equal
  // to one of them (a minute may turn between).
  SYSTEMTIME before = {}, after = {};
  GetLocalTime(&before);
  const platform::LocalTime now = platform::local_time();
  GetLocalTime(&after);
  const int minute = now.hour * 60 + now.minute;
  EXPECT_TRUE(minute == before.wHour * 60 + before.wMinute ||
              minute == after.wHour * 60 + after.wMinute)
      << now.hour << ":" << now.minute;
}

}  // namespace
