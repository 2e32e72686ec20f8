// Threads, clocks and the executable's path through the Win32 API.
#include <windows.h>

#include <new>

#include "platform/platform.h"
#include "platform/win32/native_handle.h"

namespace platform {
namespace {

struct StartRecord {
  ThreadRoutine routine;
  void* argument;
};

DWORD WINAPI thread_main(void* raw) {
  StartRecord start = *static_cast<StartRecord*>(raw);
  delete static_cast<StartRecord*>(raw);
  return start.routine(start.argument);
}

}  // namespace

Thread* start_thread(ThreadRoutine routine, void* argument) {
  StartRecord* start = new (std::nothrow) StartRecord{routine, argument};
  if (start == nullptr) return nullptr;
  HANDLE handle = CreateThread(nullptr, 0, thread_main, start, 0, nullptr);
  if (handle == nullptr) {
    delete start;
    return nullptr;
  }
  return reinterpret_cast<Thread*>(handle);
}

void* native_handle(Thread* thread) { return reinterpret_cast<HANDLE>(thread); }

bool thread_running(Thread* thread) {
  DWORD code = 0;
  return thread != nullptr && GetExitCodeThread(native_handle(thread), &code) &&
         code == STILL_ACTIVE;
}

void wait_thread(Thread* thread) {
  if (thread != nullptr) WaitForSingleObject(native_handle(thread), INFINITE);
}

bool wait_thread_for(Thread* thread, uint32_t limit_ms) {
  return thread == nullptr || WaitForSingleObject(native_handle(thread), limit_ms) == WAIT_OBJECT_0;
}

void close_thread(Thread* thread) {
  if (thread != nullptr) CloseHandle(native_handle(thread));
}

bool cancel_io(Thread* thread) {
  return thread != nullptr && CancelSynchronousIo(native_handle(thread)) != FALSE;
}

void keep_system_awake(bool awake) {
  SetThreadExecutionState(awake ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
}

LocalTime local_time() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return LocalTime{now.wHour, now.wMinute, now.wSecond};
}

int64_t counter_now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int64_t counter_frequency() {
  LARGE_INTEGER frequency;
  if (!QueryPerformanceFrequency(&frequency)) return 0;
  return frequency.QuadPart;
}


namespace {

// Manual-reset: once set, every pause returns at once until it is reset.
HANDLE pause_interrupt() {
  static const HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  return event;
}

}  // namespace

void pause_ms(uint32_t milliseconds) {
  HANDLE event = pause_interrupt();
  if (event == nullptr) {
    Sleep(milliseconds);
    return;
  }
  WaitForSingleObject(event, milliseconds);
}

void interrupt_pauses(bool interrupted) {
  HANDLE event = pause_interrupt();
  if (event == nullptr) return;
  if (interrupted) {
    SetEvent(event);
  } else {
    ResetEvent(event);
  }
}

bool executable_path(char* out, size_t capacity) {
  if (capacity == 0) return false;
  DWORD length = GetModuleFileNameA(nullptr, out, static_cast<DWORD>(capacity));
  // A full buffer means the path was cut.
  return length > 0 && length < capacity;
}

}  // namespace platform
