// The POSIX platform layer: its INI writer, files and threads.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/platform.h"
#include "platform/profile_codec.h"

namespace {

class PosixFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tv_platform_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }
  std::string path(const std::string& name) const { return folder_ + "/" + name; }
  std::string read_all(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void write_all(const std::string& name, const std::string& text) const {
    std::ofstream(path(name), std::ios::binary) << text;
  }
  std::string folder_;
};

TEST_F(PosixFolder, ProfileWriterKeepsOtherSectionsAndKeys) {
  write_all("t.ini",
            "; a comment\r\n[Other]\r\nlist_param=keep me\r\n[options]\r\nfoo = bar\r\n"
            "LIST_PARAM=old\r\n\r\n[Tail]\r\nx=1\r\n");
  const uint8_t bytes[2] = {0x12, 0xF0};
  ASSERT_TRUE(platform::write_profile_record(path("t.ini").c_str(), "Options", "list_param",
                                             bytes, 2));
  ASSERT_TRUE(platform::write_profile_record(path("t.ini").c_str(), "Options", "copy_param",
                                             bytes, 1));
  ASSERT_TRUE(platform::write_profile_record(path("t.ini").c_str(), "New", "k", bytes, 1));
  EXPECT_EQ(read_all("t.ini"),
            "; a comment\r\n[Other]\r\nlist_param=keep me\r\n[options]\r\nfoo = bar\r\n"
            "list_param=12F002\r\ncopy_param=1212\r\n\r\n[Tail]\r\nx=1\r\n[New]\r\nk=1212\r\n");

  char value[64];
  ASSERT_TRUE(platform::read_profile_value(path("t.ini").c_str(), "OPTIONS", "Foo", value,
                                           sizeof value));
  EXPECT_STREQ(value, "bar");
  ASSERT_TRUE(platform::read_profile_value(path("t.ini").c_str(), "Other", "list_param", value,
                                           sizeof value));
  EXPECT_STREQ(value, "keep me");
  EXPECT_FALSE(platform::read_profile_value(path("t.ini").c_str(), "Options", "none", value,
                                            sizeof value));
  EXPECT_FALSE(platform::read_profile_value(path("missing.ini").c_str(), "Options", "foo",
                                            value, sizeof value));
  // A value longer than the buffer is cut, so a strict decoder sees a wrong length.
  char small[5];
  ASSERT_TRUE(platform::read_profile_value(path("t.ini").c_str(), "Options", "list_param", small,
                                           sizeof small));
  EXPECT_STREQ(small, "12F0");
}

TEST_F(PosixFolder, ProfileWriterCreatesTheFileAndFailsOnAMissingFolder) {
  const uint8_t byte = 7;
  ASSERT_TRUE(platform::write_profile_record(path("new.ini").c_str(), "Options", "k", &byte, 1));
  EXPECT_EQ(read_all("new.ini"), "[Options]\r\nk=0707\r\n");
  EXPECT_FALSE(platform::write_profile_record(path("no/such.ini").c_str(), "Options", "k", &byte, 1));
}

TEST(ProfileCodec, EncodesAndDecodesStrictly) {
  const uint8_t bytes[3] = {0x00, 0xAB, 0xFF};
  char text[9];
  platform::encode_profile_record(bytes, 3, text);
  EXPECT_STREQ(text, "00ABFFAA");
  uint8_t out[3] = {1, 2, 3};
  EXPECT_TRUE(platform::decode_profile_record("00abffaa", out, 3));
  EXPECT_EQ(out[1], 0xAB);
  uint8_t untouched[3] = {1, 2, 3};
  EXPECT_FALSE(platform::decode_profile_record("00ABFFAB", untouched, 3));   // checksum
  EXPECT_FALSE(platform::decode_profile_record("00ABFFA", untouched, 3));    // one short
  EXPECT_FALSE(platform::decode_profile_record("00ABFFAA00", untouched, 3)); // overlong
  EXPECT_FALSE(platform::decode_profile_record("0GABFFAA", untouched, 3));   // not hex
  EXPECT_FALSE(platform::decode_profile_record(" 00ABFFAA", untouched, 3));  // untrimmed
  EXPECT_EQ(untouched[0], 1);
  EXPECT_EQ(untouched[2], 3);
}

TEST_F(PosixFolder, FilesReportErrnoAndLookUpNames) {
  EXPECT_EQ(platform::open_source(path("missing").c_str()), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ENOENT));
  EXPECT_EQ(platform::open_dest(path("missing").c_str(), false), nullptr);
  EXPECT_EQ(platform::last_error(), static_cast<uint32_t>(ENOENT));

  platform::File* dest = platform::open_dest(path("d.bin").c_str(), true);
  ASSERT_NE(dest, nullptr);
  uint32_t written = 0;
  ASSERT_TRUE(platform::write_all(dest, "hello", 5, &written));
  ASSERT_TRUE(platform::flush(dest));
  platform::close(dest);
  platform::PathInfo info;
  ASSERT_TRUE(platform::look_up(path("d.bin").c_str(), &info));
  EXPECT_EQ(info.size, 5);
  EXPECT_STREQ(info.name, "d.bin");
  EXPECT_FALSE(info.is_directory);
  ASSERT_TRUE(platform::look_up(folder_.c_str(), &info));
  EXPECT_TRUE(info.is_directory);
}

std::atomic<bool> g_release{false};

uint32_t wait_for_release(void*) {
  while (!g_release.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return 0;
}

TEST(PosixThreads, HandleMayBeClosedBeforeTheThreadEnds) {
  g_release = false;
  platform::Thread* thread = platform::start_thread(wait_for_release, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(platform::thread_running(thread));
  platform::Thread* second = platform::start_thread(wait_for_release, nullptr);
  ASSERT_NE(second, nullptr);
  platform::close_thread(second);  // closed while still running
  g_release = true;
  platform::wait_thread(thread);
  EXPECT_FALSE(platform::thread_running(thread));
  platform::close_thread(thread);
}

}  // namespace
