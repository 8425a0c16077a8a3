#include "engine/access_rules.h"

namespace tavrinole {
namespace {

constexpr uint32_t PermissionBits = 0777;
constexpr uint32_t GroupBits = 070;
constexpr size_t VersionBytes = 4;
constexpr size_t EntryBytes = 8;
constexpr uint32_t ListVersion = 2;

void AppendLittleEndian(std::string& bytes, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes += static_cast<char>(value >> 8 * i & 0xFF);
}

uint32_t WithGroupBits(uint32_t mode, uint32_t group) {
  return (mode & PermissionBits & ~GroupBits) | (group & 07) << 3;
}

}  // namespace

AccessList AccessList::Of(std::initializer_list<AccessEntry> entries) {
  AccessList list;
  AppendLittleEndian(list.Bytes, ListVersion, VersionBytes);
  for (const AccessEntry& entry : entries) {
    AppendLittleEndian(list.Bytes, static_cast<uint32_t>(entry.Tag), 2);
    AppendLittleEndian(list.Bytes, entry.Permissions, 2);
    AppendLittleEndian(list.Bytes, entry.Id, 4);
  }
  return list;
}

std::optional<uint32_t> AccessList::PermissionsOf(AccessTag tag) const {
  const auto field = [&](size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(Bytes[at]));
  };
  for (size_t at = VersionBytes; at + EntryBytes <= Bytes.size(); at += EntryBytes) {
    if ((field(at) | field(at + 1) << 8) == static_cast<uint32_t>(tag)) return field(at + 2) & 07;
  }
  return std::nullopt;
}

// With a list, the mode's group bits are the mask, which bounds the named entries; the
// owning group may have less, and the group bits keep only that. A list that could not be
// read leaves unknown who had what: the group gets nothing.
NewAccess AccessFromInput(const FileAccess& input) {
  NewAccess access;
  if (!input.List) {
    access.Mode = WithGroupBits(input.Mode, 0);
    return access;
  }
  const uint32_t group =
      input.List->PermissionsOf(AccessTag::OwningGroup).value_or(input.Mode >> 3);
  const uint32_t mask = input.List->PermissionsOf(AccessTag::Mask).value_or(07);
  access.Mode = WithGroupBits(input.Mode, group & mask);
  return access;
}

NewAccess AccessFromReplaced(const FileAccess& replaced, const Allowed& allowed) {
  NewAccess access;
  access.Mode = replaced.Mode & PermissionBits;
  // Only a privileged process gives the file away; otherwise it stays ours, and keeps
  // the old group where that is one of ours.
  const bool keepsGroup = allowed.Owner || allowed.Group;
  if (allowed.Owner) access.Owner = replaced.Owner;
  if (keepsGroup) access.Group = replaced.Group;
  const bool hasList = !replaced.List || !replaced.List->Empty();
  if (keepsGroup && allowed.List && replaced.List && hasList) {
    access.List = *replaced.List;
  } else if (hasList) {
    access.Mode = WithGroupBits(access.Mode, 0);  // a list it cannot keep: who had what is unknown
  } else if (!keepsGroup) {
    // Our group's members had the old group's rights or everyone's: no more than both.
    access.Mode = WithGroupBits(access.Mode, (access.Mode >> 3) & access.Mode);
  }
  return access;
}

}  // namespace tavrinole
