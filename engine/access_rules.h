// Who may read and write the new document: its mode, owner, group and access list, as a
// pure function of the attributes they come from. The file code reads those attributes,
// asks these rules, and applies the answer; should the system refuse a part of it (an
// owner only a privileged process may give, a group that is not ours, a file system
// without access lists), it asks the rules again with what the system allowed.
//
// The one promise: the new document never grants anyone more than the file its access
// comes from, the input (under a new name) or the file it replaces.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>

namespace tavrinole {

// The entries of a POSIX access list, by the tag the system stores.
enum class AccessTag : uint16_t {
  Owner = 0x01,
  NamedUser = 0x02,
  OwningGroup = 0x04,
  NamedGroup = 0x08,
  Mask = 0x10,  // bounds the named entries and the owning group; shows as the mode's group bits
  Others = 0x20,
};

inline constexpr uint32_t NoId = 0xFFFFFFFF;  // the id of the entries that name nobody

struct AccessEntry {
  AccessTag Tag;
  uint16_t Permissions;  // rwx as 4, 2, 1
  uint32_t Id = NoId;
};

// An access list as the system keeps it beside the mode ("system.posix_acl_access"): a
// version word, then entries of a 16-bit tag, 16-bit permissions and a 32-bit id, all
// little-endian. Empty bytes: the file has none.
struct AccessList {
  std::string Bytes;

  static AccessList Of(std::initializer_list<AccessEntry> entries);
  bool Empty() const { return Bytes.empty(); }
  // The permissions of the first entry with `tag`; nothing when it has none.
  std::optional<uint32_t> PermissionsOf(AccessTag tag) const;
  friend bool operator==(const AccessList&, const AccessList&) = default;
};

// What a file's access is made of.
struct FileAccess {
  uint32_t Mode = 0644;  // the permission bits; with an access list, the group bits are its mask
  uint32_t Owner = 0;
  uint32_t Group = 0;
  std::optional<AccessList> List = AccessList{};  // nothing: it could not be read
  friend bool operator==(const FileAccess&, const FileAccess&) = default;
};

// What the system lets this process give the new document, as it turned out when it
// tried: the replaced file's owner (a privileged process, or the owner is this process's
// user), its group (one of this process's groups), an access list (the file system keeps
// them).
struct Allowed {
  bool Owner = true;
  bool Group = true;
  bool List = true;
};

// The new document's access. Owner and group are set only when given; an empty list
// means none, also none that the folder would hand down.
struct NewAccess {
  uint32_t Mode = 0600;
  std::optional<uint32_t> Owner;
  std::optional<uint32_t> Group;
  AccessList List;
  friend bool operator==(const NewAccess&, const NewAccess&) = default;
};

// Under a new name the document stays ours, without a list, and its group bits grant
// what the input's owning group had. Replacing a file, it takes that file's mode, owner,
// group and list as far as `allowed`; what it cannot keep it gives no one.
NewAccess AccessFromInput(const FileAccess& input);
NewAccess AccessFromReplaced(const FileAccess& replaced, const Allowed& allowed);

}  // namespace tavrinole
