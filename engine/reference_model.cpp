#include "engine/reference_model.h"

#include <cassert>

namespace tavrinole {

void ReferenceModel::ExpandByte(int32_t value) {
  const int32_t byte = value & 0xFF;
  for (int bit = 7; bit >= 0; --bit) {
    BitBlock[FillCount++] = ((byte >> bit) & 1) ? CellOne : CellZero;
  }
}

void ReferenceModel::PackBlock(int32_t count, std::span<uint8_t> sink) {
  PackCount = 0;
  if (count <= 0) return;
  assert(sink.size() >= static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    int32_t sum = 0;
    for (int32_t weight = 128; weight > 0; weight /= 2) {
      if (BitBlock[PackCount++] & 1) sum += weight;
    }
    sink[i] = static_cast<uint8_t>(sum);
  }
}

void ReferenceModel::FlipEvery(int32_t start, int32_t step) {
  for (int32_t i = start; i < BlockCells; i += step) {
    BitBlock[i] = BitBlock[i] == CellOne ? CellZero : CellOne;
  }
}

void ReferenceModel::ChooseSizeProfile(int32_t size) {
  Profile = ProfileForSize(size, Profile);
}

void ReferenceModel::ApplyBasePattern(int32_t size) {
  if (const auto pattern = BasePatternForSize(size)) FlipEvery(pattern->Start, pattern->Step);
}

void ReferenceModel::AdjustRegisters() {
  tavrinole::AdjustRegisters(OffsetRegister, Profile);
}

void ReferenceModel::ApplyKey(int32_t size, const PasswordSlots& slots) {
  ApplyBasePattern(size);
  for (int position = 0; position < MixedPositions; ++position) MixSlot(position, slots);
}

void ReferenceModel::MixSlot(int position, const PasswordSlots& slots) {
  const std::optional<EntryIndex> entry = SelectedEntry(slots[position]);
  if (!entry) return;
  int32_t& reg = OffsetRegister[entry->Row][entry->Column];
  const int32_t step = StepOf(MixerTable[entry->Row][entry->Column], Profile);
  FlipEvery(reg, step);
  AdvanceRegister(reg, step);
}

ReferenceMixer::ReferenceMixer() : model_(std::make_unique<ReferenceModel>()) {}

void ReferenceMixer::Prepare(uint32_t fileSize, const PasswordSlots& slots) {
  fileSize_ = fileSize;
  slots_ = slots;
  model_->FillCount = 0;
  model_->PackCount = 0;
  model_->Profile = {};
  model_->OffsetRegister = InitialRegisters();
  model_->ChooseSizeProfile(SignedSize(fileSize_));
  model_->AdjustRegisters();
}

void ReferenceMixer::MixBlock(std::span<uint8_t> block) {
  assert(block.size() <= static_cast<size_t>(BlockBytes));
  for (const uint8_t byte : block) model_->ExpandByte(byte);
  model_->ApplyKey(SignedSize(fileSize_), slots_);
  model_->PackBlock(static_cast<int32_t>(block.size()), block);
  model_->FillCount = 0;
  model_->PackCount = 0;
}

}  // namespace tavrinole
