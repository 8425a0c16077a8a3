// The engine the programs use.
#pragma once

#include <memory>

#include "engine/keystream_types.h"

namespace tavrinole {

std::unique_ptr<KeystreamMixer> MakeFastMixer();

}  // namespace tavrinole
