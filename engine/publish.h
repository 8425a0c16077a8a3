// The publish protocol: how a new document becomes a named file, in one place. Read
// this first; the platforms' file code (posix_file_system.cpp, windows_file_system.cpp)
// carries out its steps, and the file transform walks a document through them. A new
// name is left to the system's write-back, as a copy's would be; only a document that
// replaces a file waits for the disk. Access comes from engine/access_rules.h.
//
// A failure at any stage abandons the document: no failure, cancel or kill leaves a
// partial output, and a file at the name stays as it was until the complete new one
// replaces it.
#pragma once

#include <memory>

#include "engine/file_system.h"
#include "engine/transform_step.h"

namespace tavrinole {

// The stages of a new document, in order; beside each, what holds once it is reached.
enum class Stage {
  Created,      // unnamed, or hidden and used only through its one descriptor; owner-only
  Written,      // every byte is in it, and the input did not change while it was read
  Flushed,      // on the disk, before it replaces a file: a power cut never loses both
  GivenAccess,  // the input's access, or the replaced file's: never more than it granted
  Published,    // under the output's name, which was free: nothing was replaced
  SwappedIn,    // in place of the file or link at the name, with consent, in one step
  Kept,         // closed under its name: done
  Abandoned,    // nothing of it is left on the disk, nor a name it took
};

// The one check before a job may write `output` for a job that reads `input`, for the
// dialog, the command-line tool and the job itself: what stands at the name (nothing,
// or a file or a link that only consent replaces). Refused: the input itself by any
// name (or by its own name when it has gone since), anything that is not a file, and a
// name that cannot be looked at.
TransformResult<EntryKind> CheckOutput(FileSystem& files, const Path& input, const Path& output);

class Document {
 public:
  // Created, and made ready for reading and writing (two steps with messages of their own).
  static TransformResult<Document> Create(FileSystem& files, const Path& output);

  Document(Document&&) = default;
  Document& operator=(Document&&) = delete;
  ~Document();

  Stage Reached() const { return stage_; }
  // Where its bytes go until it is Written.
  File& Content() { return *file_; }
  // Every byte is in it; `flushed` when they were also put on the disk as they went.
  void Written(bool flushed);
  // Gives the written document the output's name: a free one, or with `consent` in place
  // of what is there. `input` is the input's access, for a new name. Then closes it.
  TransformResult<> Publish(bool consent, const FileAccess& input);
  // Nothing of it is left, unless it is Kept; says what could not be undone. A document
  // that goes unpublished is abandoned when it goes.
  IoResult<> Abandon();

 private:
  explicit Document(std::unique_ptr<NewFile> file) : file_(std::move(file)) {}
  TransformResult<> Flush();
  // Published under a free name, or SwappedIn with `consent`.
  TransformResult<> TakeName(bool consent, bool replacing);

  std::unique_ptr<NewFile> file_;
  Stage stage_ = Stage::Created;
};

}  // namespace tavrinole
