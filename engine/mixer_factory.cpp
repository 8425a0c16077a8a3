#include "engine/mixer_factory.h"

#include "engine/fast_engine.h"

namespace tavrinole {

std::unique_ptr<KeystreamMixer> MakeFastMixer() {
  return std::make_unique<FastMixer>();
}

}  // namespace tavrinole
