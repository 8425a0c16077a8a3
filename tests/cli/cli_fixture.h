// What every test of the command-line tool shares: the program, a fresh folder, and
// the keystream as the reference model makes it.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/password.h"
#include "engine/reference_model.h"
#include "tests/cli/run_program.h"
#include "tests/support/reference_mixed.h"
#include "tests/support/temp_folder.h"

namespace tavrinole {

using test_support::Bytes;
using test_support::ProgramResult;
using test_support::RandomBytes;
using test_support::ReadBytes;
using test_support::TempFolder;
using test_support::WriteBytes;

inline const std::string kCli = TAVRINOLE_CLI_PATH;

class Cli : public ::testing::Test {
 protected:
  TempFolder folder;

  ProgramResult Run(std::vector<std::string> arguments, const std::string& input = {}) {
    return test_support::RunProgram(kCli, arguments, input, folder.Root().string());
  }
  // Runs with the password given on standard input.
  ProgramResult RunWith(const std::string& password, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--password-file", "-"});
    return Run(arguments, password + "\n");
  }
};

inline Bytes Reference(Bytes data, const std::string& password) {
  return test_support::ReferenceMixed(std::move(data), password);
}

}  // namespace tavrinole
