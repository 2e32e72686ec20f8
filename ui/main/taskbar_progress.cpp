#include "ui/main/taskbar_progress.h"

#include <shobjidl.h>

#include "ui/main/main_window_state.h"

namespace {

// The system's taskbar list; null where it cannot be had (it never fails the
// program: every call's result is ignored).
ITaskbarList3* taskbar = nullptr;
bool com_started = false;

void system_state(HWND window, TaskbarState state) {
  static const TBPFLAG kFlags[] = {TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_ERROR};
  if (taskbar != nullptr) taskbar->SetProgressState(window, kFlags[state]);
}

void system_value(HWND window, int64_t percent) {
  if (percent < 0) percent = 0;
  if (percent > 100) percent = 100;
  if (taskbar != nullptr) taskbar->SetProgressValue(window, static_cast<ULONGLONG>(percent), 100);
}

const TaskbarCalls kSystemCalls = {system_state, system_value};
const TaskbarCalls* calls = &kSystemCalls;

TaskbarState shown_state = TASKBAR_NONE;
int64_t shown_percent = -1;

}  // namespace

void set_taskbar_calls(const TaskbarCalls* replacement) {
  calls = replacement != nullptr ? replacement : &kSystemCalls;
}

void open_taskbar_progress() {
  shown_state = TASKBAR_NONE;
  shown_percent = -1;
  com_started = SUCCEEDED(CoInitialize(nullptr));
  void* object = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                 IID_ITaskbarList3, &object))) {
    taskbar = static_cast<ITaskbarList3*>(object);
    if (FAILED(taskbar->HrInit())) {
      taskbar->Release();
      taskbar = nullptr;
    }
  }
}

void close_taskbar_progress() {
  if (taskbar != nullptr) taskbar->Release();
  taskbar = nullptr;
  if (com_started) CoUninitialize();
  com_started = false;
}

void show_taskbar_progress(TaskbarState state, int64_t percent) {
  if (state != shown_state) {
    calls->set_state(main_window.window, state);
    shown_state = state;
    shown_percent = -1;
  }
  if (state == TASKBAR_NORMAL && percent != shown_percent) {
    calls->set_value(main_window.window, percent);
    shown_percent = percent;
  }
}
