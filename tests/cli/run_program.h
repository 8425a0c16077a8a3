// Runs a program of ours as a user would, with arguments and standard input, and
// collects its exit code and what it printed.
#pragma once

#include <string>
#include <vector>

namespace tavrinole::test_support {

struct ProgramResult {
  int ExitCode = -1;  // -1 when killed by a signal
  std::string Out;
  std::string Err;
};

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& input = {}, const std::string& folder = {});

#ifndef _WIN32
// Starts a program in the background; returns its process id.
int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& folder);
#else
// Starts a program in the background with nothing to read or write; returns its process
// handle for the caller to close, or null.
void* StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& folder);
#endif

}  // namespace tavrinole::test_support
