// Keeps messages that carry a pointer from being posted to the window thread.
#pragma once

// While installed, a WM_NOTIFY (or another message whose argument the
// windows of this thread read as a pointer) that reached the thread's queue
// by PostMessage becomes WM_NULL before any window sees it. The system and
// the controls only ever send these; a posted one comes from another
// program, and its pointer means nothing in this process.
void install_posted_message_filter();
void remove_posted_message_filter();
