#include "app/win32/resource_module.h"

namespace {
HINSTANCE g_module = nullptr;
}  // namespace

void set_resource_module(HINSTANCE module) { g_module = module; }

HINSTANCE resource_module() { return g_module != nullptr ? g_module : GetModuleHandleA(nullptr); }
