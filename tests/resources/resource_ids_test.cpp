// The one place outside resources/resource_ids.h where ids are numbers: their values
// are what the Windows program's resources have always carried, and the keypad's
// layout joins the keystream's keys to their buttons.
#include "resources/resource_ids.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "engine/key_table.h"
#include "resources/keypad_layout.h"

namespace tavrinole::resources {
namespace {

struct NamedId {
  const char* Name;
  int Id;
  int Value;
};

// clang-format off
constexpr NamedId Pinned[] = {
  {"MainDialog", ids::MainDialog, 1001}, {"HelpDialog", ids::HelpDialog, 1002},
  {"AboutDialog", ids::AboutDialog, 1003}, {"ProgramIcon", ids::ProgramIcon, 8001},
  {"MakerLabel", ids::MakerLabel, 4001}, {"HelpButton", ids::HelpButton, 4002},
  {"AboutButton", ids::AboutButton, 4003}, {"InputLabel", ids::InputLabel, 4004},
  {"OpenButton", ids::OpenButton, 4005}, {"SaveAsButton", ids::SaveAsButton, 4006},
  {"OutputLabel", ids::OutputLabel, 4007}, {"RunButton", ids::RunButton, 4008},
  {"PasswordDisplay", ids::PasswordDisplay, 4010},
  {"ResetPasswordButton", ids::ResetPasswordButton, 4037},
  {"ShowPasswordBox", ids::ShowPasswordBox, 4063},
  {"KeySpace", ids::KeySpace, 4009}, {"KeyB", ids::KeyB, 4011}, {"KeyN", ids::KeyN, 4012},
  {"KeyC", ids::KeyC, 4013}, {"KeyP", ids::KeyP, 4014}, {"KeyA", ids::KeyA, 4015},
  {"KeyQ", ids::KeyQ, 4016}, {"KeyD", ids::KeyD, 4017}, {"KeyE", ids::KeyE, 4018},
  {"KeyF", ids::KeyF, 4019}, {"KeyG", ids::KeyG, 4020}, {"KeyI", ids::KeyI, 4021},
  {"KeyJ", ids::KeyJ, 4022}, {"KeyO", ids::KeyO, 4023}, {"KeyS", ids::KeyS, 4024},
  {"KeyR", ids::KeyR, 4025}, {"KeyH", ids::KeyH, 4026}, {"KeyT", ids::KeyT, 4027},
  {"KeyU", ids::KeyU, 4028}, {"KeyV", ids::KeyV, 4029}, {"KeyW", ids::KeyW, 4030},
  {"KeyK", ids::KeyK, 4031}, {"KeyX", ids::KeyX, 4032}, {"KeyL", ids::KeyL, 4033},
  {"KeyY", ids::KeyY, 4034}, {"KeyM", ids::KeyM, 4035}, {"KeyZ", ids::KeyZ, 4036},
  {"Key1", ids::Key1, 4038}, {"Key2", ids::Key2, 4039}, {"Key3", ids::Key3, 4040},
  {"Key4", ids::Key4, 4041}, {"Key5", ids::Key5, 4042}, {"Key6", ids::Key6, 4043},
  {"Key7", ids::Key7, 4044}, {"Key8", ids::Key8, 4045}, {"Key9", ids::Key9, 4046},
  {"Key0", ids::Key0, 4047}, {"KeyAt", ids::KeyAt, 4048}, {"KeyPound", ids::KeyPound, 4049},
  {"KeyDollar", ids::KeyDollar, 4050}, {"KeyEquals", ids::KeyEquals, 4051},
  {"KeyLess", ids::KeyLess, 4052}, {"KeyGreater", ids::KeyGreater, 4053},
  {"KeyPlus", ids::KeyPlus, 4054}, {"KeyMinus", ids::KeyMinus, 4055},
  {"KeyTimes", ids::KeyTimes, 4056}, {"KeySlash", ids::KeySlash, 4057},
  {"KeyPercent", ids::KeyPercent, 4058}, {"KeyExclamation", ids::KeyExclamation, 4059},
  {"KeyQuestion", ids::KeyQuestion, 4060}, {"KeyOpenParen", ids::KeyOpenParen, 4061},
  {"KeyCloseParen", ids::KeyCloseParen, 4062},
};
// clang-format on

TEST(ResourceIds, KeepTheirValues) {
  std::set<int> controls;
  for (const NamedId& id : Pinned) {
    EXPECT_EQ(id.Id, id.Value) << id.Name;
    if (id.Value >= 4000 && id.Value < 5000) {
      EXPECT_TRUE(controls.insert(id.Id).second) << id.Name;
    }
  }
  EXPECT_EQ(controls.size(), 63u) << "11 controls and 52 keys";
}

// The scripts read the ids from the list the build writes; it must hold every name
// with its value and nothing else.
TEST(ResourceIds, TheBuildsListForTheScriptsHoldsEveryNameAndValue) {
#ifndef TAVRINOLE_RESOURCE_IDS_SCRIPT
  GTEST_SKIP() << "the list is written on the build machine only";
#else
  std::ifstream list(TAVRINOLE_RESOURCE_IDS_SCRIPT);
  ASSERT_TRUE(list) << TAVRINOLE_RESOURCE_IDS_SCRIPT;
  std::map<std::string, int> read;
  for (std::string line; std::getline(list, line);) {
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    ASSERT_NE(equals, std::string::npos) << line;
    read[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
  }
  std::map<std::string, int> expected;
  for (const NamedId& id : Pinned) expected[id.Name] = id.Value;
  EXPECT_EQ(read, expected);
#endif
}

// The keystream numbers the keys; the layout gives each index its button and place.
TEST(KeypadLayout, GivesEveryKeyIndexOneButtonAndOnePlace) {
  std::set<std::pair<int32_t, int32_t>> places;
  std::set<int32_t> buttons;
  for (size_t i = 0; i < KeypadLayout.size(); ++i) {
    const KeyPlace& key = KeypadLayout[i];
    EXPECT_EQ(key.KeyIndex, KeyTable[i].KeyIndex);
    EXPECT_TRUE(buttons.insert(key.ControlId).second) << "key " << key.KeyIndex;
    EXPECT_TRUE(places.insert({key.Row, key.Column}).second) << "two keys at one place";
    EXPECT_GE(key.Row, 1);
    EXPECT_LE(key.Row, KeypadRows);
    EXPECT_GE(key.Column, 1);
    EXPECT_LE(key.Column, KeypadColumns);
    EXPECT_EQ(KeyPlaceByControlId(key.ControlId), &key);
  }
  EXPECT_EQ(KeypadLayout.size(), KeyTable.size());
  EXPECT_EQ(KeyPlaceByControlId(ids::RunButton), nullptr);
}

// Letters and signs take their ids in KeyIndex order from 4011, the digits and the
// three signs after them skip 4037 (Reset password), and the space bar has 4009.
TEST(KeypadLayout, ButtonIdsFollowTheKeyIndex) {
  for (const KeyPlace& key : KeypadLayout) {
    const int32_t id = key.ControlId;
    if ((id >= 4011 && id <= 4036) || (id >= 4051 && id <= 4062)) {
      EXPECT_EQ(key.KeyIndex, id - 4010);
    } else if (id >= 4038 && id <= 4050) {
      EXPECT_EQ(key.KeyIndex, id - 4011);
    } else {
      EXPECT_EQ(id, 4009);
      EXPECT_EQ(key.KeyIndex, 40);
    }
  }
}

// Each button's name says the character its key types, and rows 1 and 2 hold the
// alphabet in screen order.
TEST(KeypadLayout, EachButtonTypesTheCharacterItIsNamedFor) {
  for (const NamedId& id : Pinned) {
    const std::string name = id.Name;
    if (name.size() != 4 || name.rfind("Key", 0) != 0) continue;  // KeyA..KeyZ, Key0..Key9
    const KeyPlace* key = KeyPlaceByControlId(id.Id);
    ASSERT_NE(key, nullptr) << name;
    EXPECT_EQ(KeyByIndex(key->KeyIndex).Caption, static_cast<char16_t>(name[3])) << name;
    if (name[3] >= 'A' && name[3] <= 'Z') {
      EXPECT_EQ(key->Row, 1 + (name[3] - 'A') / 13) << name;
      EXPECT_EQ(key->Column, 1 + (name[3] - 'A') % 13) << name;
    }
  }
  const std::pair<int, char16_t> signs[] = {
      {ids::KeySpace, u' '},       {ids::KeyAt, u'@'},       {ids::KeyPound, u'\u00A3'},
      {ids::KeyDollar, u'$'},      {ids::KeyEquals, u'='},   {ids::KeyLess, u'<'},
      {ids::KeyGreater, u'>'},     {ids::KeyPlus, u'+'},     {ids::KeyMinus, u'-'},
      {ids::KeyTimes, u'x'},       {ids::KeySlash, u'/'},    {ids::KeyPercent, u'%'},
      {ids::KeyExclamation, u'!'}, {ids::KeyQuestion, u'?'}, {ids::KeyOpenParen, u'('},
      {ids::KeyCloseParen, u')'}};
  for (const auto& [id, caption] : signs) {
    const KeyPlace* key = KeyPlaceByControlId(id);
    ASSERT_NE(key, nullptr) << id;
    EXPECT_EQ(KeyByIndex(key->KeyIndex).Caption, caption) << id;
  }
}

}  // namespace
}  // namespace tavrinole::resources
