// The small icons of the job states, shared by the file list and the file
// parameters dialog. Slot i shows JobState i; slot 5 never has an icon.
#pragma once

#include <windows.h>

constexpr int kStateIconCount = 6;

extern HICON state_icons[kStateIconCount];

// Loads icon resource IDI_STATE_FIRST + i of `module` into slot i at the system's
// small-icon size; a slot whose resource is missing stays null.
void load_state_icons(HINSTANCE module);
// Destroys every loaded icon and empties the table.
void destroy_state_icons();
