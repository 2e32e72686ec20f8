#include "app/app_module.h"

namespace {
HINSTANCE g_module = nullptr;
}  // namespace

void set_app_module(HINSTANCE module) { g_module = module; }

HINSTANCE app_module() { return g_module != nullptr ? g_module : GetModuleHandleA(nullptr); }
