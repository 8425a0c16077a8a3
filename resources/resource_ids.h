// Every id of the program's resources: the dialogs, their controls and the icon. The
// dialog templates, the resource script, the dialog logic and the tests use these
// names; the build writes them out for the end-to-end scripts.
#pragma once

namespace tavrinole::ids {

// clang-format off
// Dialogs and the icon group
inline constexpr int MainDialog  = 1001;
inline constexpr int HelpDialog  = 1002;
inline constexpr int AboutDialog = 1003;
inline constexpr int ProgramIcon = 8001;

// Controls of the main dialog; MakerLabel is also the one text of Help and About
inline constexpr int MakerLabel          = 4001;
inline constexpr int HelpButton          = 4002;
inline constexpr int AboutButton         = 4003;
inline constexpr int InputLabel          = 4004;
inline constexpr int OpenButton          = 4005;
inline constexpr int SaveAsButton        = 4006;
inline constexpr int OutputLabel         = 4007;
inline constexpr int RunButton           = 4008;
inline constexpr int PasswordDisplay     = 4010;
inline constexpr int ResetPasswordButton = 4037;
inline constexpr int ShowPasswordBox     = 4063;

// The keypad's keys, named after their captions
inline constexpr int KeySpace        = 4009;
inline constexpr int KeyB            = 4011;
inline constexpr int KeyN            = 4012;
inline constexpr int KeyC            = 4013;
inline constexpr int KeyP            = 4014;
inline constexpr int KeyA            = 4015;
inline constexpr int KeyQ            = 4016;
inline constexpr int KeyD            = 4017;
inline constexpr int KeyE            = 4018;
inline constexpr int KeyF            = 4019;
inline constexpr int KeyG            = 4020;
inline constexpr int KeyI            = 4021;
inline constexpr int KeyJ            = 4022;
inline constexpr int KeyO            = 4023;
inline constexpr int KeyS            = 4024;
inline constexpr int KeyR            = 4025;
inline constexpr int KeyH            = 4026;
inline constexpr int KeyT            = 4027;
inline constexpr int KeyU            = 4028;
inline constexpr int KeyV            = 4029;
inline constexpr int KeyW            = 4030;
inline constexpr int KeyK            = 4031;
inline constexpr int KeyX            = 4032;
inline constexpr int KeyL            = 4033;
inline constexpr int KeyY            = 4034;
inline constexpr int KeyM            = 4035;
inline constexpr int KeyZ            = 4036;
inline constexpr int Key1            = 4038;
inline constexpr int Key2            = 4039;
inline constexpr int Key3            = 4040;
inline constexpr int Key4            = 4041;
inline constexpr int Key5            = 4042;
inline constexpr int Key6            = 4043;
inline constexpr int Key7            = 4044;
inline constexpr int Key8            = 4045;
inline constexpr int Key9            = 4046;
inline constexpr int Key0            = 4047;
inline constexpr int KeyAt           = 4048;
inline constexpr int KeyPound        = 4049;
inline constexpr int KeyDollar       = 4050;
inline constexpr int KeyEquals       = 4051;
inline constexpr int KeyLess         = 4052;
inline constexpr int KeyGreater      = 4053;
inline constexpr int KeyPlus         = 4054;
inline constexpr int KeyMinus        = 4055;
inline constexpr int KeyTimes        = 4056;  // caption lower-case x
inline constexpr int KeySlash        = 4057;
inline constexpr int KeyPercent      = 4058;
inline constexpr int KeyExclamation  = 4059;
inline constexpr int KeyQuestion     = 4060;
inline constexpr int KeyOpenParen    = 4061;
inline constexpr int KeyCloseParen   = 4062;
// clang-format on

}  // namespace tavrinole::ids
