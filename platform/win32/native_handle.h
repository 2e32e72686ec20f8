// The Windows handle behind a platform thread, for the window layer's waits.
#pragma once

#include "platform/platform.h"

namespace platform {

// The thread's HANDLE, as a void pointer so that this header needs no windows.h.
void* native_handle(Thread* thread);

}  // namespace platform
