#include "engine/file_system.h"

namespace tavrinole {

IoResult<size_t> ReadFully(std::span<uint8_t> into,
                           const std::function<IoResult<size_t>(std::span<uint8_t>)>& readSome) {
  size_t got = 0;
  while (got < into.size()) {
    const IoResult<size_t> n = readSome(into.subspan(got));
    if (!n) return n;
    if (*n == 0) break;
    got += *n;
  }
  return got;
}

IoResult<> WriteFully(std::span<const uint8_t> bytes,
                      const std::function<IoResult<size_t>(std::span<const uint8_t>)>& writeSome) {
  for (size_t done = 0; done < bytes.size();) {
    const IoResult<size_t> n = writeSome(bytes.subspan(done));
    if (!n) return n.Error();
    if (*n == 0) return IoFailure("nothing could be written");
    done += *n;
  }
  return {};
}

IoResult<std::string> WithFreshName(const std::function<IoResult<>(const std::string&)>& make) {
  for (int attempt = 0;; ++attempt) {
    std::string name = TemporaryName();
    const IoResult<> made = make(name);
    if (made) return name;
    if (made.Error().What != IoProblem::Exists || attempt == 100) {
      return IoFailure(made.Error().Cause);
    }
  }
}

bool IsSameFile(FileSystem& files, const Path& input, const Path& output) {
  const std::optional<FileIdentity> source = files.Identity(input);
  return source && files.Identity(output) == source;
}

}  // namespace tavrinole
