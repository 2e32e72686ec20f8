// Row operations on the file list: one list-view message each. Rows and
// columns count from 0; every row's item data is its JobRow.
#pragma once

#include <windows.h>

struct JobRow;

// The file list's columns, in their order (their titles are IDS_COLUMN_STATE
// onwards, in the same order).
enum Column : int {
  COLUMN_ICON,
  COLUMN_FILE,
  COLUMN_SIZE,
  COLUMN_LOADED,
  COLUMN_STATE,
  COLUMN_SPEED,
  COLUMN_PATH,
};

int row_count(HWND list);
// A width below 0 inserts the column without a width.
void insert_column(HWND list, int index, const char* title, int width);
// Inserts an empty row at the end; returns its index (-1 on failure).
int append_row(HWND list);
void set_row_record(HWND list, int row, JobRow* record);
// The row's JobRow; null when the row does not exist.
JobRow* row_record(HWND list, int row);
void set_cell_text(HWND list, const char* text, int row, int column);
void set_row_image(HWND list, int image, int row);
// Selects and focuses the row and clears its cut and drop-highlight marks.
void select_row(HWND list, int row);

// The image list index for a job state; -1 (no image) outside 0..5.
int state_image(int state);
// Shows a new job as the last row of the main window's file list.
void append_job_row(JobRow* record, const char* file_name, const char* source_path);

// The source's size in the row, as the job knows it now (it may be saved anew).
void show_row_size(HWND list, JobRow* record, int row);

// True while the row's worker thread has not ended.
bool worker_running(const JobRow* record);
// True while anything of the row may be in use by the controller or a worker:
// a worker handle is stored, or a worker has been started for the job.
bool row_busy(const JobRow* record);
