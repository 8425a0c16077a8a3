// The progress bar on standard error, for a terminal there.
#pragma once

#include <cstdint>

namespace tavrinole::cli {

// Draws the bar over itself; ends the line when `done` reaches `total`.
void DrawProgress(uint64_t done, uint64_t total);

}  // namespace tavrinole::cli
