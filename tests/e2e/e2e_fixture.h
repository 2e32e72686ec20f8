// One end-to-end test: a temporary folder with a flakyfs mount (backing/ ->
// flaky/, faults from schedule.txt), a destination dest/ (a small tmpfs when
// asked), the program's folder prog/, and the driver under Wine that works the
// real tarvolin.exe. Everything is ended and unmounted when the test ends, also
// when it fails: the driver (and the program) first, then the mounts.
//
// Each test records for the report (scripts/write_reliability.py reads the XML):
// program_starts, bytes_compared, hangs.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "engine/journal_format.h"
#include "res/resource.h"
#include "tests/e2e/wine_driver.h"
#include "tests/reliability/flaky_mount.h"
#include "tests/unit/support/temp_dir.h"

// The texts the user reads, as the driver hands them over (UTF-8).
namespace texts {
inline const std::string kQueued = "В очереди";
inline const std::string kError = "Ошибка";
inline const std::string kCompleted = "Завершено";
inline const std::string kStart = "Запуск копирования";
inline const std::string kCopying = "Копирование...";
inline const std::string kRunEnd = "Копирование завершено";
inline const std::string kOpenSource = "Открытие исходного файла: ";
inline const std::string kOpenDest = "Открытие конечного файла: ";
inline const std::string kRead = "] Чтение";
inline const std::string kWrite = "] Запись";
inline const std::string kDestShort = "Конечный файл короче скопированного: продолжение с байта ";
inline const std::string kDestDiffers = "Конечный файл не совпадает с исходным";
inline const std::string kDestStale = "Время изменения конечного файла не совпадает с исходным";
inline const std::string kSourceChanged = "Исходный файл изменился: копирование с начала";
inline const std::string kAlreadyQueued = "Уже в очереди, не добавлено файлов: ";
inline const std::string kNoQueue = "Сохраненной очереди нет: список пуст";
inline std::string error(int code) { return "] - Ошибка: " + std::to_string(code); }
inline std::string pause(int ms) { return "] Ожидание: " + std::to_string(ms) + " msec."; }
}  // namespace texts

// The error codes the program meets under Wine (measured here).
constexpr int kWineReadEio = 21;       // ERROR_NOT_READY: a FUSE read failing with EIO
constexpr int kWineOpenEio = 998;      // ERROR_NOACCESS: a FUSE open failing with EIO
constexpr int kFileNotFound = 2;       // ERROR_FILE_NOT_FOUND
constexpr int kPathNotFound = 3;       // ERROR_PATH_NOT_FOUND
constexpr int kSharingViolation = 32;  // ERROR_SHARING_VIOLATION
constexpr int kDiskFull = 112;         // ERROR_DISK_FULL
constexpr int kWineServerGone = 31;    // ERROR_GEN_FAILURE: the FUSE server died (ENOTCONN)

constexpr int kStateColumn = 4;

class E2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const E2eSetup& setup = e2e_setup();
    if (!setup.enabled) GTEST_SKIP() << "needs TV_E2E=1 after the Windows build (scripts/test.sh)";
    ASSERT_TRUE(setup.missing.empty()) << "missing:" << setup.missing;
    ASSERT_TRUE(mount_.mount()) << "flakyfs did not mount";
    ASSERT_TRUE(start_driver(setup.driver)) << "cannot start the driver under Wine";
  }
  // Now and then Wine fails to start a program at all; a driver that does
  // not answer its first command is started once more.
  bool start_driver(const std::string& driver_exe) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      if (driver_.start(driver_exe, dir_.path("wine.log")) && driver_.send("alive").answered)
        return true;
      driver_.stop();
    }
    return false;
  }
  void TearDown() override {
    driver_.stop();
    // What Wine said, when it matters (a crash of the program shows here).
    if (HasFailure()) std::printf("Wine's messages:\n%s\n", dir_.read("wine.log").c_str());
    mount_.unmount_all();
    RecordProperty("program_starts", runs_);
    RecordProperty("bytes_compared", std::to_string(bytes_compared_));
    RecordProperty("hangs", hangs_);
  }

  // ---- files ----
  // `name` may lie in folders of backing/, which are made.
  void make_source(const std::string& name, size_t size) {
    std::string bytes = pattern_bytes(size, static_cast<unsigned>(name.size() * 7919 + size));
    std::filesystem::create_directories(std::filesystem::path(mount_.backing(name)).parent_path());
    std::ofstream(mount_.backing(name), std::ios::binary).write(bytes.data(), bytes.size());
  }
  // The queue's journal as the program left it.
  ParsedJournal journal() const {
    const std::string text = dir_.read("prog/tvoln.queue");
    return parse_journal(text.data(), text.size());
  }
  // `diff -r` of backing/`folder` and dest/`folder`: the same folders and
  // files, every file byte-identical. Links to folders are not copied.
  void expect_same_tree(const std::string& folder) {
    auto entries = [](const std::string& root) {
      std::map<std::string, bool> found;  // relative path, is a folder
      for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_symlink()) continue;
        found[std::filesystem::relative(entry.path(), root).string()] = entry.is_directory();
      }
      return found;
    };
    const std::map<std::string, bool> source = entries(mount_.backing(folder));
    ASSERT_EQ(source, entries(mount_.dest(folder)));
    for (const auto& [name, is_folder] : source) {
      if (!is_folder) expect_faithful(folder + "/" + name, true);
    }
  }
  // The source's bytes as they are now (for files of a few megabytes).
  std::string source_bytes(const std::string& name) const { return dir_.read("backing/" + name); }
  int64_t source_size(const std::string& name) const {
    struct stat status;
    return stat(mount_.backing(name).c_str(), &status) == 0 ? status.st_size : -1;
  }
  int64_t dest_size(const std::string& name) const {
    struct stat status;
    return stat(mount_.dest(name).c_str(), &status) == 0 ? status.st_size : -1;
  }
  // The holes the queue's journal records for the row of source `name`.
  Holes journal_holes(const std::string& name) const {
    const std::string tail = "\\" + name;
    for (const JournalRecord& record : journal().records) {
      const std::string& path = record.source_path;
      const bool its_row = path.size() >= tail.size() &&
                           path.compare(path.size() - tail.size(), tail.size(), tail) == 0;
      if (its_row) return record.holes;
    }
    return {};
  }
  // The destination agrees with the source over its whole length, but for
  // the zeros of the `holes` it was left with; `complete` also asks for the
  // whole source. Read piece by piece: sources may be large (and sparse).
  void expect_faithful(const std::string& name, bool complete, std::string dest_name = "",
                       const Holes& holes = {}) {
    if (dest_name.empty()) dest_name = name;
    std::ifstream source(mount_.backing(name), std::ios::binary);
    std::ifstream dest(mount_.dest(dest_name), std::ios::binary);
    ASSERT_TRUE(source.is_open() && dest.is_open()) << name;
    const size_t kPiece = 1 << 20;
    std::string source_piece(kPiece, '\0'), dest_piece(kPiece, '\0');
    int64_t offset = 0;
    for (;;) {
      dest.read(&dest_piece[0], kPiece);
      const size_t got = static_cast<size_t>(dest.gcount());
      source.read(&source_piece[0], static_cast<std::streamsize>(got));
      const size_t have = static_cast<size_t>(source.gcount());
      const size_t common = std::min(got, have);
      size_t same = common;
      if (std::memcmp(dest_piece.data(), source_piece.data(), common) != 0) {
        same = 0;
        for (; same < common; ++same) {
          const int64_t at = offset + static_cast<int64_t>(same);
          const bool hole_zero = dest_piece[same] == '\0' && holes_cover(holes, at, at + 1);
          if (dest_piece[same] != source_piece[same] && !hole_zero) break;
        }
      }
      bytes_compared_ += static_cast<int64_t>(common);
      ASSERT_EQ(same, common) << name << ": byte " << offset + static_cast<int64_t>(same)
                              << " differs from the source";
      ASSERT_EQ(got, have) << name << " is longer than its source";
      offset += static_cast<int64_t>(got);
      if (got < kPiece) break;
    }
    if (complete) {
      EXPECT_TRUE(source.peek() == std::char_traits<char>::eof())
          << name << " is incomplete: " << offset << " bytes";
    }
  }
  ProgramSettings settings() const {
    ProgramSettings result;
    result.dest_folder = wine_path(dir_.path("dest"));
    return result;
  }

  // Kills the flakyfs child of this test abruptly, leaving its mount dead
  // (ENOTCONN), as a share whose server went away.
  bool kill_flakyfs() {
    bool killed = false;
    if (DIR* proc = opendir("/proc")) {
      while (dirent* entry = readdir(proc)) {
        pid_t pid = static_cast<pid_t>(std::atoi(entry->d_name));
        if (pid <= 0) continue;
        std::ifstream stat_file("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat_file)),
                         std::istreambuf_iterator<char>());
        size_t open = text.find('('), close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        long parent = 0;
        char run_state = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %ld", &run_state, &parent) != 2) continue;
        if (parent != getpid() || text.substr(open + 1, close - open - 1) != "flakyfs") continue;
        if (kill(pid, SIGKILL) != 0) continue;
        // Left a zombie, not reaped: its id stays taken while FlakyMount
        // still holds it.
        for (int i = 0; i < 500 && !killed; ++i) {
          std::ifstream again("/proc/" + std::to_string(pid) + "/stat");
          std::string now((std::istreambuf_iterator<char>(again)),
                          std::istreambuf_iterator<char>());
          size_t end = now.rfind(')');
          killed = end != std::string::npos && now.size() > end + 2 && now[end + 2] == 'Z';
          if (!killed) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
      }
      closedir(proc);
    }
    return killed;
  }

  // ---- the program ----
  void launch(const ProgramSettings& chosen) {
    ASSERT_TRUE(install_program(dir_.path("prog"), chosen));
    relaunch();
  }
  // Starts the program again with the tvoln.ini it left.
  void relaunch() {
    Reply reply = driver_.send("launch " + wine_path(dir_.path("prog")));
    ASSERT_TRUE(reply.ok) << reply.value;
    runs_++;
  }
  // Add, through the open dialog, in the flaky folder (or its subfolder
  // `folder`); the reply's lines hold the warnings of files not added. Words
  // go by tabs: a name may hold spaces.
  Reply add_in(const std::string& folder, const std::vector<std::string>& names) {
    std::string command =
        "add\t" + wine_path(dir_.path("flaky") + (folder.empty() ? "" : "/") + folder);
    for (const std::string& name : names) command += "\t" + name;
    return driver_.send(command);
  }
  // "Добавить папку...", the flaky folder's `folder` typed into the picker;
  // returns once its files are all rows.
  void add_folder(const std::string& folder, int files) {
    Reply reply = driver_.send("add-folder\t" + wine_path(dir_.path("flaky") + "/" + folder));
    ASSERT_TRUE(reply.ok) << reply.value;
    ASSERT_TRUE(wait_for([&] { return rows() >= files; })) << rows();
  }
  int rows() {
    Reply reply = driver_.send("rows");
    return reply.ok ? std::atoi(reply.value.c_str()) : -1;
  }
  void add(const std::vector<std::string>& names) {
    Reply reply = add_in("", names);
    ASSERT_TRUE(reply.ok) << reply.value << (reply.lines.empty() ? "" : ": " + reply.lines[0]);
    ASSERT_EQ(reply.value, std::to_string(names.size()));
  }
  void click(int id) { ASSERT_TRUE(driver_.send("click " + std::to_string(id)).ok); }
  // The text of the box over the main window, once it has been answered OK.
  std::string answer_box() {
    Reply reply = driver_.send("box");
    EXPECT_TRUE(reply.ok) << reply.value;
    return reply.value;
  }
  // The common opening of a scenario: a new source `name` of `size` bytes,
  // every read of it stalled 30 ms, added and started with the default
  // settings (resume on); returns once more than `at` bytes have reached the
  // destination. Call it through ASSERT_NO_FATAL_FAILURE.
  void start_slow_copy(const std::string& name, size_t size, int64_t at) {
    make_source(name, size);
    mount_.set_schedule("stall " + name + " 30");
    launch(settings());
    add({name});
    click(IDC_START);
    ASSERT_TRUE(wait_for([&] { return dest_size(name) > at; })) << log_text();
  }
  bool enabled(int id) { return driver_.send("enabled " + std::to_string(id)).value == "1"; }
  int count(const std::string& text) {
    Reply reply = driver_.send("count " + text);
    return reply.ok ? std::atoi(reply.value.c_str()) : -1;
  }
  std::string cell(int row, int column) {
    return driver_.send("cell " + std::to_string(row) + " " + std::to_string(column)).value;
  }
  std::string state(int row) { return cell(row, kStateColumn); }
  // Every row's cell of `column`, from the first row.
  std::vector<std::string> column(int column) {
    return driver_.send("column " + std::to_string(column)).lines;
  }
  // The lines of `lines` that contain `text`. Counts that must agree while
  // the log still grows are taken from one reading of it.
  static int count_in(const std::vector<std::string>& lines, const std::string& text) {
    int found = 0;
    for (const std::string& line : lines) found += line.find(text) != std::string::npos ? 1 : 0;
    return found;
  }
  std::vector<std::string> log_lines(int from = 0) {
    return driver_.send("log " + std::to_string(from)).lines;
  }
  std::string log_text() {
    std::string text;
    for (const std::string& line : log_lines()) text += line + "\n";
    return text;
  }
  // Closes with WM_CLOSE, answering Yes if asked. A program that does not end
  // in time is a hang: it is killed and counted.
  // `ms`: from the answer Yes (or from WM_CLOSE when not asked) to the end.
  void close_program(bool* asked = nullptr, int limit_ms = 60000, int* ms = nullptr) {
    // TV_E2E_VERBOSE=1: the log, for reading.
    if (std::getenv("TV_E2E_VERBOSE")) std::printf("%s", log_text().c_str());
    Reply reply = driver_.send("close wm " + std::to_string(limit_ms), limit_ms + 20000);
    if (!reply.ok && reply.value.rfind("hang", 0) == 0) hangs_++;
    ASSERT_TRUE(reply.ok) << reply.value;
    EXPECT_NE(reply.value.find("exit=0"), std::string::npos) << reply.value;
    if (asked) *asked = reply.value.find("asked=1") != std::string::npos;
    const size_t at = reply.value.find("ms=");
    if (ms && at != std::string::npos) *ms = std::atoi(reply.value.c_str() + at + 3);
  }

  // Polls `done` every 20 ms; false after `limit` (a hang, not slowness).
  bool wait_for(const std::function<bool()>& done, int limit_seconds = 90) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limit_seconds);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline || !driver_.running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  }
  // The queue has ended by itself or by Stop: Start is usable again and no
  // row is running.
  bool wait_idle(int rows) {
    return wait_for([&] {
      if (!enabled(IDC_START)) return false;
      for (int row = 0; row < rows; ++row)
        if (state(row) == "Выполняется") return false;
      return true;
    });
  }
  bool wait_all_completed(int rows) {
    return wait_for([&] {
      for (int row = 0; row < rows; ++row)
        if (state(row) != texts::kCompleted) return false;
      return enabled(IDC_START);
    });
  }

  TempDir dir_;
  FlakyMount mount_{dir_};
  WineDriver driver_;
  int runs_ = 0;
  int64_t bytes_compared_ = 0;
  int hangs_ = 0;
};
