#include "engine/file_system.h"

namespace tavrinole {

bool IsSameFile(FileSystem& files, const Path& input, const Path& output) {
  const std::optional<FileIdentity> source = files.Identity(input);
  return source && files.Identity(output) == source;
}

}  // namespace tavrinole
