#include "engine/posix_access.h"

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

namespace tavrinole {
namespace {

constexpr const char* AccessListName = "system.posix_acl_access";

// A file's access list, its bytes read through `get` (an fgetxattr or an lgetxattr):
// empty when the file has none, nothing when it could not be read.
std::optional<AccessList> ReadAccessList(const std::function<ssize_t(void*, size_t)>& get) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const ssize_t size = get(nullptr, 0);
    if (size < 0) {
      if (errno == ENODATA || errno == ENOTSUP) return AccessList{};
      return std::nullopt;
    }
    std::string list(static_cast<size_t>(size), '\0');
    const ssize_t got = get(list.data(), list.size());
    if (got >= 0) return AccessList{list.substr(0, static_cast<size_t>(got))};
    if (errno != ERANGE) return std::nullopt;  // ERANGE: it grew in between
  }
  return std::nullopt;
}

FileAccess AccessOf(const struct stat& st, std::optional<AccessList> list) {
  return {st.st_mode & 0777u, st.st_uid, st.st_gid, std::move(list)};
}

}  // namespace

FileAccess AccessOfOpenFile(int fd, const struct stat& st) {
  return AccessOf(st, ReadAccessList([fd](void* into, size_t size) {
                    return ::fgetxattr(fd, AccessListName, into, size);
                  }));
}

FileAccess AccessOfName(const std::string& path, const struct stat& st) {
  return AccessOf(st, ReadAccessList([&path](void* into, size_t size) {
                    return ::lgetxattr(path.c_str(), AccessListName, into, size);
                  }));
}

IoResult<> GiveDescriptorAccess(int fd, const FileAccess& from, bool replacing) {
  Allowed allowed;
  const auto decide = [&] {
    return replacing ? AccessFromReplaced(from, allowed) : AccessFromInput(from);
  };
  NewAccess access = decide();
  if (access.Owner && ::fchown(fd, *access.Owner, *access.Group) != 0) {
    allowed.Owner = false;
    access = decide();
  }
  if (!access.Owner && access.Group && ::fchown(fd, static_cast<uid_t>(-1), *access.Group) != 0) {
    allowed.Group = false;
    access = decide();
  }
  const std::string& list = access.List.Bytes;
  if (!list.empty() && ::fsetxattr(fd, AccessListName, list.data(), list.size(), 0) != 0) {
    allowed.List = false;
    access = decide();
  }
  // Nothing to remove, or no lists on this file system, is what is wanted.
  if (access.List.Empty() && ::fremovexattr(fd, AccessListName) != 0 && errno != ENODATA &&
      errno != ENOTSUP) {
    return IoFailure(std::strerror(errno));
  }
  if (::fchmod(fd, access.Mode) != 0) return IoFailure(std::strerror(errno));
  return {};
}

}  // namespace tavrinole
