// Reads a compiled .res file (what windres writes with -O res): its resources, the
// extended dialog templates among them and icon groups. The tests compare what the
// compiler made of our script with the templates the script was written from.
#pragma once

#include <optional>
#include <vector>

#include "binary_reader.h"

namespace tavrinole::resources::testing {

inline constexpr uint16_t RT_ICON = 3;
inline constexpr uint16_t RT_DIALOG = 5;
inline constexpr uint16_t RT_GROUP_ICON = 14;

// A resource type or name, or a dialog's menu, class or control text: a number, a
// string, or (Ordinal empty and Name empty) nothing.
struct NameOrOrdinal {
  std::optional<uint16_t> Ordinal;
  std::u16string Name;
};

inline NameOrOrdinal ReadNameOrOrdinal(Cursor& cursor) {
  if (cursor.PeekWord() != 0xFFFF) return {std::nullopt, cursor.String()};
  cursor.Word();
  return {cursor.Word(), u""};
}

struct Resource {
  NameOrOrdinal Type;
  NameOrOrdinal Name;
  Bytes Data;
};

// Each resource: data size, header size, type, name, then fixed fields; the data
// follows the header and is padded to four bytes.
inline std::vector<Resource> ReadRes(const Bytes& file) {
  std::vector<Resource> resources;
  Cursor cursor(file);
  while (!cursor.AtEnd()) {
    const std::size_t start = cursor.At();
    const uint32_t dataSize = cursor.DWord();
    const uint32_t headerSize = cursor.DWord();
    Resource resource;
    resource.Type = ReadNameOrOrdinal(cursor);
    resource.Name = ReadNameOrOrdinal(cursor);
    Cursor data(file, start + headerSize);
    resource.Data = data.Slice(dataSize);
    if (dataSize > 0) resources.push_back(std::move(resource));  // the first is an empty marker
    cursor = data;
    cursor.AlignTo(4);
  }
  return resources;
}

inline const Resource* FindResource(const std::vector<Resource>& all, uint16_t type, uint16_t id) {
  for (const Resource& resource : all) {
    if (resource.Type.Ordinal == type && resource.Name.Ordinal == id) return &resource;
  }
  return nullptr;
}

struct ResControl {
  uint32_t Style;
  uint32_t ExStyle;
  int16_t X, Y, Width, Height;
  uint32_t Id;
  NameOrOrdinal Class;
  NameOrOrdinal Text;
};

struct ResDialog {
  uint32_t Style;
  uint32_t ExStyle;
  int16_t X, Y, Width, Height;
  NameOrOrdinal Menu;
  NameOrOrdinal Class;
  std::u16string Title;
  uint16_t PointSize;
  uint16_t Weight;
  uint8_t Italic;
  uint8_t Charset;
  std::u16string Face;
  std::vector<ResControl> Controls;
};

inline ResControl ReadDialogExItem(Cursor& cursor) {
  cursor.AlignTo(4);
  ResControl control{};
  cursor.DWord();  // help id
  control.ExStyle = cursor.DWord();
  control.Style = cursor.DWord();
  control.X = cursor.Short();
  control.Y = cursor.Short();
  control.Width = cursor.Short();
  control.Height = cursor.Short();
  control.Id = cursor.DWord();
  control.Class = ReadNameOrOrdinal(cursor);
  control.Text = ReadNameOrOrdinal(cursor);
  cursor.Slice(cursor.Word());  // creation data
  return control;
}

// An extended dialog template; the font block is read when the style says DS_SETFONT.
inline ResDialog ReadDialogEx(const Bytes& data) {
  Cursor cursor(data);
  if (cursor.Word() != 1 || cursor.Word() != 0xFFFF) throw std::runtime_error("not DIALOGEX");
  ResDialog dialog{};
  cursor.DWord();  // help id
  dialog.ExStyle = cursor.DWord();
  dialog.Style = cursor.DWord();
  const uint16_t count = cursor.Word();
  dialog.X = cursor.Short();
  dialog.Y = cursor.Short();
  dialog.Width = cursor.Short();
  dialog.Height = cursor.Short();
  dialog.Menu = ReadNameOrOrdinal(cursor);
  dialog.Class = ReadNameOrOrdinal(cursor);
  dialog.Title = cursor.String();
  if (dialog.Style & 0x40) {
    dialog.PointSize = cursor.Word();
    dialog.Weight = cursor.Word();
    dialog.Italic = cursor.Byte();
    dialog.Charset = cursor.Byte();
    dialog.Face = cursor.String();
  }
  for (uint16_t i = 0; i < count; ++i) dialog.Controls.push_back(ReadDialogExItem(cursor));
  return dialog;
}

struct GroupIconEntry {
  int Width;  // 0 in the data already read as 256
  int Height;
  uint16_t BitCount;
  uint32_t Size;
  uint16_t IconId;
};

inline std::vector<GroupIconEntry> ReadGroupIcon(const Bytes& data) {
  Cursor cursor(data);
  if (cursor.Word() != 0 || cursor.Word() != 1) throw std::runtime_error("not an icon group");
  std::vector<GroupIconEntry> entries(cursor.Word());
  for (GroupIconEntry& entry : entries) {
    entry.Width = cursor.Byte();
    entry.Height = cursor.Byte();
    if (entry.Width == 0) entry.Width = 256;
    if (entry.Height == 0) entry.Height = 256;
    cursor.Byte();  // colour count
    cursor.Byte();  // reserved
    cursor.Word();  // planes
    entry.BitCount = cursor.Word();
    entry.Size = cursor.DWord();
    entry.IconId = cursor.Word();
  }
  return entries;
}

}  // namespace tavrinole::resources::testing
