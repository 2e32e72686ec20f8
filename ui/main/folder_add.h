// Whole folders into the queue: "Добавить папку..." and files and folders
// dropped on the window from Explorer. Each chosen folder is walked off the
// window thread (engine/folder_walk.h); its rows come in batches, each claimed
// against the queue's destinations as Add claims its files, and the status
// line counts the files found meanwhile. What could not be added is told
// once the walk has ended.
#pragma once

#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>

#include <cstdint>
#include <string>

// Posted to the main window when a walk has ended, to tell what could not be
// added; it carries nothing, so a foreign sender can do no more.
constexpr UINT kShowAddSummary = WM_APP + 3;

// The main window opens: nothing is being added.
void reset_adding();
// "Добавить папку...": the folder picker, then the walk of the chosen folder.
void add_folder(HWND window);
// WM_DROPFILES: a dropped file is added as Add adds it, a dropped folder as
// "Добавить папку..." adds it. A handle that is no drop is left alone.
void add_dropped(HWND window, HDROP drop);
// A file or folder chosen by its full path (UTF-16).
void add_chosen_root(HWND window, const std::wstring& path);
// Serves kShowAddSummary.
void show_add_summary(HWND window);
// The status line's text while files are being added, else null.
const char* adding_status();
// Window destruction: ends the walk, waiting at most `limit_ms`.
void end_adding(uint32_t limit_ms);
