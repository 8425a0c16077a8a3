#include "engine/mixer_factory.h"

#include "engine/reference_model.h"

namespace tavrinole {

std::unique_ptr<KeystreamMixer> MakeFastMixer() { return std::make_unique<ReferenceMixer>(); }

}  // namespace tavrinole
