// The small icons of the job states, shared by the file list and the file
// parameters dialog. Slot i shows JobState i; slot 5 never has an icon.
#pragma once

#include <windows.h>

#include "app/settings_records.h"

extern HICON state_icons[kStateSlotCount];

// Icon resource IDI_STATE_FIRST + state of `module`, size x size pixels, from
// the .ico file's image of that size where it has one; null when missing.
HICON load_state_icon(HINSTANCE module, int state, int size);
// Loads icon resource IDI_STATE_FIRST + i of `module` into slot i at the system's
// small-icon size; a slot whose resource is missing stays null.
void load_state_icons(HINSTANCE module);
// Destroys every loaded icon and empties the table.
void destroy_state_icons();
