// Running other programs from the native benchmarks.
#pragma once

#include <string>
#include <vector>

// Runs `argv` (searched in PATH) and waits; true when it exits with 0.
bool run_program(const std::vector<std::string>& argv);
