// The rules for a new document's access, as a table: no file system, and no access
// lists, needed. The promise each row keeps: never more than the file it comes from.
#include "engine/access_rules.h"

#include <gtest/gtest.h>

namespace tavrinole {
namespace {

using Tag = AccessTag;

constexpr uint32_t Me = 1000, Other = 65534, MyGroup = 100, TheirGroup = 200;

// A named user reads; the owning group has nothing, and the mask lets the named user read.
const AccessList ReaderOnly = AccessList::Of({{Tag::Owner, 6},
                                              {Tag::NamedUser, 4, 2},
                                              {Tag::OwningGroup, 0},
                                              {Tag::Mask, 4},
                                              {Tag::Others, 0}});
// The owning group reads; a named user may read and write.
const AccessList GroupReads = AccessList::Of({{Tag::Owner, 6},
                                              {Tag::NamedUser, 6, 2},
                                              {Tag::OwningGroup, 4},
                                              {Tag::Mask, 6},
                                              {Tag::Others, 0}});
// The owning group may read and write, but the mask lets everyone named read only.
const AccessList MaskedGroup =
    AccessList::Of({{Tag::Owner, 6}, {Tag::OwningGroup, 6}, {Tag::Mask, 4}, {Tag::Others, 0}});
const std::optional<AccessList> Unreadable;

constexpr Allowed Everything{};
constexpr Allowed GroupOnly{.Owner = false};
constexpr Allowed Nothing{.Owner = false, .Group = false, .List = false};
constexpr Allowed NoLists{.List = false};

FileAccess From(uint32_t mode, uint32_t owner, uint32_t group,
                std::optional<AccessList> list = AccessList{}) {
  return {mode, owner, group, std::move(list)};
}
NewAccess Ours(uint32_t mode) {
  return {mode, std::nullopt, std::nullopt, {}};
}
NewAccess Given(uint32_t mode, std::optional<uint32_t> owner, uint32_t group,
                AccessList list = {}) {
  return {mode, owner, group, std::move(list)};
}

struct Row {
  const char* name;
  bool replacing;
  FileAccess from;
  Allowed allowed;
  NewAccess expected;
};

const Row kRows[] = {
    // Under a new name the document stays ours: the input's mode, no list, no owner.
    {"NewNameTakesTheMode", false, From(0640, Other, TheirGroup), Everything, Ours(0640)},
    {"NewNameTakesNoSpecialBits", false, From(04755, Other, TheirGroup), Everything, Ours(0755)},
    {"NewNameGroupGetsWhatTheOwningGroupHad", false, From(0640, Me, MyGroup, ReaderOnly),
     Everything, Ours(0600)},
    {"NewNameGroupGetsTheOwningGroupsRightsNotTheMask", false, From(0660, Me, MyGroup, GroupReads),
     Everything, Ours(0640)},
    {"NewNameGroupIsBoundByTheMask", false, From(0640, Me, MyGroup, MaskedGroup), Everything,
     Ours(0640)},
    {"NewNameUnreadableListGivesTheGroupNothing", false, From(0664, Me, MyGroup, Unreadable),
     Everything, Ours(0604)},
    // Replacing, it takes the replaced file's mode, owner and group, as far as allowed.
    {"ReplacedKeepsEverything", true, From(0604, Other, TheirGroup), Everything,
     Given(0604, Other, TheirGroup)},
    {"ReplacedTakesNoSpecialBits", true, From(02775, Other, TheirGroup), Everything,
     Given(0775, Other, TheirGroup)},
    {"ReplacedByAnotherUserKeepsItsGroup", true, From(0664, Other, TheirGroup), GroupOnly,
     Given(0664, std::nullopt, TheirGroup)},
    {"ReplacedWithoutItsGroupGrantsOurGroupNoMoreThanOthers", true, From(0674, Other, TheirGroup),
     Nothing, Ours(0644)},
    {"ReplacedWithoutItsGroupNeverGrantsMoreThanTheGroupHad", true, From(0604, Other, TheirGroup),
     Nothing, Ours(0604)},
    // ... and its access list, which only a kept group makes mean the same.
    {"ReplacedKeepsItsList", true, From(0640, Other, TheirGroup, ReaderOnly), Everything,
     Given(0640, Other, TheirGroup, ReaderOnly)},
    {"ReplacedKeepsItsListWithItsGroup", true, From(0640, Other, TheirGroup, ReaderOnly), GroupOnly,
     Given(0640, std::nullopt, TheirGroup, ReaderOnly)},
    {"AListWithoutItsGroupGivesTheGroupNothing", true, From(0640, Other, TheirGroup, ReaderOnly),
     Nothing, Ours(0600)},
    {"AListTheFileSystemRefusesGivesTheGroupNothing", true,
     From(0660, Other, TheirGroup, GroupReads), NoLists, Given(0600, Other, TheirGroup)},
    {"AnUnreadableListGivesTheGroupNothing", true, From(0664, Other, TheirGroup, Unreadable),
     Everything, Given(0604, Other, TheirGroup)},
};

void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}

class AccessRule : public ::testing::TestWithParam<Row> {};

TEST_P(AccessRule, NeverGrantsMoreThanTheFileItComesFrom) {
  const Row& row = GetParam();
  const NewAccess access =
      row.replacing ? AccessFromReplaced(row.from, row.allowed) : AccessFromInput(row.from);
  EXPECT_EQ(access.Mode, row.expected.Mode)
      << std::oct << "0" << access.Mode << " for 0" << row.expected.Mode;
  EXPECT_EQ(access.Owner, row.expected.Owner);
  EXPECT_EQ(access.Group, row.expected.Group);
  EXPECT_EQ(access.List, row.expected.List);
}

INSTANTIATE_TEST_SUITE_P(Each, AccessRule, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

// The bytes the system keeps: a version word, then tag, permissions and id per entry.
TEST(AccessList, ReadsEntriesByTagFromTheSystemsBytes) {
  EXPECT_EQ(GroupReads.Bytes.size(), 4u + 5 * 8);
  EXPECT_EQ(GroupReads.Bytes.substr(0, 4), std::string({2, 0, 0, 0}));
  EXPECT_EQ(GroupReads.Bytes.substr(12, 8), std::string({2, 0, 6, 0, 2, 0, 0, 0}));
  EXPECT_EQ(GroupReads.PermissionsOf(Tag::OwningGroup), 4u);
  EXPECT_EQ(GroupReads.PermissionsOf(Tag::Mask), 6u);
  EXPECT_EQ(GroupReads.PermissionsOf(Tag::NamedGroup), std::nullopt);
  // An entry cut short is no entry.
  const AccessList cut{GroupReads.Bytes.substr(0, GroupReads.Bytes.size() - 1)};
  EXPECT_EQ(cut.PermissionsOf(Tag::Others), std::nullopt);
  EXPECT_EQ(cut.PermissionsOf(Tag::Mask), 6u);
}

}  // namespace
}  // namespace tavrinole
