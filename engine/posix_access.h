// The access of POSIX files beside their mode: a file's owner, group and access list
// read, and a descriptor given the access the rules (engine/access_rules.h) derive. The
// rules decide; this only reads and applies.
#pragma once

#include <sys/stat.h>

#include <string>

#include "engine/file_system.h"

namespace tavrinole {

// The access of the open file `fd`, which `st` describes.
FileAccess AccessOfOpenFile(int fd, const struct stat& st);
// The access of the file a path names, the name itself (a link is not followed).
FileAccess AccessOfName(const std::string& path, const struct stat& st);

// Gives the file `fd` the access the rules derive from `from`: the input's under a new
// name, the replaced file's when `replacing`. The owner first, since changing it may clear
// permission bits; then the list, before the mode, so that no moment grants more, and a
// list the folder handed down goes. Whatever the system refuses, the rules are asked
// again without it.
IoResult<> GiveDescriptorAccess(int fd, const FileAccess& from, bool replacing);

}  // namespace tavrinole
