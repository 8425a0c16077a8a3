// Conversions between our UTF-16 text and UTF-8, for diagnostics and native file names.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32_api.h"

namespace tavrinole {

// Unpaired surrogates become U+FFFD: the result is always valid UTF-8.
std::string ToUtf8(WStringView text);

// Invalid sequences become U+FFFD.
WString FromUtf8(std::string_view text);

}  // namespace tavrinole
