// Many files in one command: --output-dir DIR INPUT... writes each input into DIR under
// its own file name, with one password. Each file is done or refused on its own, as with
// -o; what would make the command as a whole wrong (two inputs with one file name, an
// output that is its own input) is refused before anything is written.
#pragma once

#include <atomic>

#include "cli/cli.h"
#include "engine/keystream_types.h"

namespace tavrinole::cli {

// Runs the --output-dir form of `options`; returns the exit code. `cancel` stops the
// run: the file in hand is abandoned and no other is started.
int TransformInto(const Options& options, const PasswordSlots& slots,
                  const std::atomic<bool>& cancel);

}  // namespace tavrinole::cli
