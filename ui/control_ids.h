// Control ids of the main dialog (1001) and of the Help and About boxes, as the dialog
// templates give them. The 52 keys take their ids from KeyTable.
#pragma once

namespace tavrinole::ids {

inline constexpr int MakerLabel = 4001;  // also the one text of Help and About
inline constexpr int HelpButton = 4002;
inline constexpr int AboutButton = 4003;
inline constexpr int InputLabel = 4004;
inline constexpr int OpenButton = 4005;
inline constexpr int SaveAsButton = 4006;
inline constexpr int OutputLabel = 4007;
inline constexpr int RunButton = 4008;
inline constexpr int PasswordDisplay = 4010;
inline constexpr int ResetPasswordButton = 4037;
inline constexpr int ShowPasswordBox = 4063;

}  // namespace tavrinole::ids
