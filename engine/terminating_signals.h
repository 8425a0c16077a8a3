// The signals that end a process unless it catches them, for the programs that must
// finish or undo what they began before they go (POSIX only).
#pragma once

namespace tavrinole {

// Runs `handler` for every such signal, with every other signal blocked meanwhile;
// system calls it interrupts resume. SIGXFSZ is ignored instead: past a file-size
// limit a write fails with EFBIG, as any failed write does. SIG_DFL as the handler
// gives the signals their default action back (SIGXFSZ stays ignored).
void CatchTerminatingSignals(void (*handler)(int));

}  // namespace tavrinole
