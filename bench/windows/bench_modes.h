// The parts of tv_bench_window.exe, each given the arguments after its name.
#pragma once

int refresh_bench(int argc, char** argv);
int log_bench(int argc, char** argv);
int copy_bench(int argc, char** argv);
int add_bench(int argc, char** argv);
int add_folder_bench(int argc, char** argv);
