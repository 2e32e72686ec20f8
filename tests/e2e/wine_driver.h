// The Linux side of the end-to-end tests: runs the Windows driver
// (driver/e2e_driver.cpp) under Wine and talks to it line by line, with a time
// limit on every answer, and prepares the folder the real tarvolin.exe runs
// from (a copy of the program and its tvoln.ini).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "app/settings_records.h"

// What the end-to-end tests need, found from the environment:
//   TV_E2E=1                 run them (scripts/test.sh and scripts/reliability.sh
//                            set it once the Windows build, Xvfb and Wine are up)
//   TV_E2E_WINDOWS_BUILD     the Windows build folder (default: build/windows)
//   DISPLAY, WINEPREFIX      as the Windows tests use them
struct E2eSetup {
  bool enabled = false;
  std::string program;  // tarvolin.exe
  std::string driver;   // tv_e2e_driver.exe
  std::string missing;  // why the tests cannot run, when enabled
};
const E2eSetup& e2e_setup();

// "/tmp/x/y" as Wine shows it: "Z:\tmp\x\y".
std::string wine_path(const std::string& unix_path);

struct Reply {
  bool ok = false;
  bool answered = false;  // false: the driver did not answer in time, or died
  std::string value;      // after ".ok " or ".err "
  std::vector<std::string> lines;
};

class WineDriver {
 public:
  WineDriver() = default;
  ~WineDriver() { stop(); }
  WineDriver(const WineDriver&) = delete;
  WineDriver& operator=(const WineDriver&) = delete;

  // Starts the driver under Wine; Wine's own messages go to `error_log`.
  bool start(const std::string& driver_exe, const std::string& error_log);
  // One command; waits at most `limit_ms` for its answer. A driver that does
  // not answer is killed with everything it started.
  Reply send(const std::string& command, int limit_ms = 60000);
  // Asks the driver to end (it ends the program), then makes sure.
  void stop();
  bool running() const { return pid_ > 0; }

 private:
  bool read_line(std::string* line, int limit_ms);
  void kill_all();
  void sweep_group();
  void close_pipes();

  pid_t pid_ = -1;
  pid_t group_ = -1;
  int to_driver_ = -1;
  int from_driver_ = -1;
  std::string pending_;
};

// The settings the program starts with, written as its tvoln.ini.
struct ProgramSettings {
  std::string dest_folder;  // Windows form
  int32_t buffer_size = 65536;
  int32_t retry_timeout = 50;
  int32_t max_attempts = 5;
  bool resume = true;
  int32_t refresh_interval = 100;
};

// Copies tarvolin.exe into `folder` (made if missing) and writes its
// tvoln.ini; a queue journal an earlier run left there is removed.
bool install_program(const std::string& folder, const ProgramSettings& settings);
void write_program_settings(const std::string& folder, const ProgramSettings& settings);
