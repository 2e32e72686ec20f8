#include "engine/window_host.h"

#include <atomic>

namespace {
std::atomic<WindowHost*> current_host{nullptr};
}  // namespace

void set_window_host(WindowHost* host) { current_host.store(host); }

WindowHost* window_host() { return current_host.load(); }
