// A whole file mixed in memory by the reference model: what every program's output
// must equal.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "engine/password.h"
#include "engine/reference_model.h"

namespace tavrinole::test_support {

inline std::vector<uint8_t> ReferenceMixed(std::vector<uint8_t> data,
                                           std::span<const int32_t> presses) {
  ReferenceMixer mixer;
  MixBuffer(mixer, data, SlotsFromPresses(presses));
  return data;
}

// The same, with the password typed as UTF-8 text.
inline std::vector<uint8_t> ReferenceMixed(std::vector<uint8_t> data, std::string_view password) {
  return ReferenceMixed(std::move(data), KeyIndicesFromUtf8(password).Value());
}

}  // namespace tavrinole::test_support
