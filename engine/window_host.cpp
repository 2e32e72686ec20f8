#include "engine/window_host.h"

#include <atomic>

namespace {
std::atomic<const WindowHost*> current_host{nullptr};
}  // namespace

void set_window_host(const WindowHost* host) { current_host.store(host); }

const WindowHost* window_host() { return current_host.load(); }
