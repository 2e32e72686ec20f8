#include "engine/run_flags.h"

RunFlags run_flags;
