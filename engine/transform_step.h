// The steps at which a file transform stops, shared by the transform and the publish
// protocol. Callers turn a step into their own message.
#pragma once

#include "engine/result.h"

namespace tavrinole {

enum class TransformStep {
  OpenInput,         // the input cannot be opened to measure it
  NotAFile,          // the input is a FIFO, a device, a folder...
  MeasureInput,      // its size cannot be read
  TooSmall,          // fewer than SmallestInput bytes
  TooBig,            // more than LargestInput bytes
  SameFile,          // the output is the input itself
  ReopenInput,       // the input cannot be opened again to read it
  InputChanged,      // its size, modification or change time moved while it was read
  OutputExists,      // a file is at the output's name and there is no consent to replace it
  OutputNotRegular,  // what is at the output's name is not a file, nor a link
  CreateOutput,      // the new document cannot be created (nor its name looked at)
  // ... or not rewound for writing. The original program reopened its new file here, and
  // its message for this step stays with it.
  RewindOutput,
  Read,
  Write,
  Finish,   // flushing or closing failed
  Replace,  // the finished file cannot be given its name
  Cancelled,
};

using TransformFailure = Failure<TransformStep>;
template <class T = void>
using TransformResult = Result<T, TransformStep>;

}  // namespace tavrinole
