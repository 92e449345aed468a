// The component commands: one property expression per schema bit, stored in
// increasing property id, and the cabinet commands that extend them.
#include "script/commands.h"

#include "script/pages.h"

namespace vesk::script {

using namespace vesk::lang;  // the vocabulary ids

TComComponent::TComComponent(TPage* page, int id) : TCommand(page) {
  PropertySet set{};
  if (page != nullptr && id >= 0 && id < kCommandCount) set = page->Schema[static_cast<size_t>(id)];
  SetPropertySet(set);
}

void TComComponent::SetPropertySet(const PropertySet& set) {
  set_ = set;
  // Bits past the last property id mean nothing; no slot is made for them.
  for (int p = 0; p < kPropertyCount; ++p)
    props_[static_cast<size_t>(p)] =
        PropertyBit(set, p) ? std::make_unique<TVeskParser>() : nullptr;
}

std::vector<int> TComComponent::PropertyIds() const {
  std::vector<int> ids;
  for (int p = 0; p < kPropertyCount; ++p)
    if (props_[static_cast<size_t>(p)]) ids.push_back(p);
  return ids;
}

TVeskParser* TComComponent::Property(int property_id) {
  if (property_id < 0 || property_id >= kPropertyCount) return nullptr;
  return props_[static_cast<size_t>(property_id)].get();
}

const TVeskParser* TComComponent::Property(int property_id) const {
  if (property_id < 0 || property_id >= kPropertyCount) return nullptr;
  return props_[static_cast<size_t>(property_id)].get();
}

// The expressions follow the schema: one per property the set names.
void TComComponent::Transfer(RecordIO& io) {
  TCommand::Transfer(io);
  for (auto& expression : props_)
    if (expression) expression->Transfer(io);
}

void TComCabinet::Transfer(RecordIO& io) {
  TComComponent::Transfer(io);
  Mode.Transfer(io);
  TransferExpressionList(io, Names, "cabinet name count");
}

}  // namespace vesk::script
