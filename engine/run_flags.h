// Process-wide flags through which the window, the controller, the worker and
// the activity log coordinate. Only the window thread writes them.
#pragma once

#include <atomic>

struct RunFlags {
  std::atomic<bool> run{false};          // copying may go on
  std::atomic<bool> log_enabled{false};  // the activity log takes lines
  std::atomic<bool> closing{false};      // the main window is being destroyed
};

extern RunFlags run_flags;
