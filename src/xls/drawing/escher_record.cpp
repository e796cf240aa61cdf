#include "xls/drawing/escher_record.h"

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"

namespace chronolin {

std::unique_ptr<TEscherRecord> TEscherDataRecord::Clone() const {
  return std::unique_ptr<TEscherRecord>(new TEscherDataRecord(*this));
}

std::uint16_t TEscherDataRecord::Get16(std::size_t offset) const {
  return offset + 2 <= data_.size() ? biff::Get16(data_.data() + offset) : 0;
}

std::uint32_t TEscherDataRecord::Get32(std::size_t offset) const {
  return offset + 4 <= data_.size() ? biff::Get32(data_.data() + offset) : 0;
}

void TEscherDataRecord::Set16(std::size_t offset, std::uint16_t v) {
  if (offset + 2 <= data_.size()) biff::Set16(data_.data() + offset, v);
}

void TEscherDataRecord::Set32(std::size_t offset, std::uint32_t v) {
  if (offset + 4 <= data_.size()) biff::Set32(data_.data() + offset, v);
}

TEscherContainerRecord::TEscherContainerRecord(const TEscherContainerRecord& other)
    : TEscherRecord(other) {
  children_.reserve(other.children_.size());
  for (const auto& child : other.children_) children_.push_back(child->Clone());
}

std::uint64_t TEscherContainerRecord::BodySize() const {
  std::uint64_t size = 0;
  for (const auto& child : children_) size += child->TotalSize();
  return size;
}

std::unique_ptr<TEscherRecord> TEscherContainerRecord::Clone() const {
  return std::unique_ptr<TEscherRecord>(new TEscherContainerRecord(*this));
}

void TEscherContainerRecord::AddChild(std::unique_ptr<TEscherRecord> child) {
  const char* duplicate = nullptr;
  switch (child->Type()) {
    case escher::kBStoreContainer:
      duplicate = msg::kDuplicatedBStore;
      break;
    case escher::kDg:
      duplicate = msg::kDuplicatedDg;
      break;
    case escher::kDgg:
      duplicate = msg::kDuplicatedDgg;
      break;
    case escher::kSolverContainer:
      duplicate = msg::kDuplicatedSolver;
      break;
    default:
      break;
  }
  if (duplicate != nullptr) {
    for (const auto& c : children_) {
      if (c->Type() == child->Type()) throw XlsError(duplicate);
    }
  }
  children_.push_back(std::move(child));
}

int TEscherOPTRecord::BlipReferenceCount() const {
  // Simple properties are 6 bytes each (id word, value); the instance gives their count.
  int blips = 0;
  for (std::size_t i = 0; i < Instance(); ++i) {
    const std::uint16_t id = Get16(6 * i);
    if ((id & 0x3FFF) == 0x0104 && (id & 0x4000)) ++blips;
  }
  return blips;
}

TEscherClientDataRecord::TEscherClientDataRecord(const TEscherClientDataRecord& other)
    : TEscherDataRecord(other) {
  if (other.obj_) obj_ = std::make_unique<TMsObj>(*other.obj_);
}

TEscherClientTextBoxRecord::TEscherClientTextBoxRecord(const TEscherClientTextBoxRecord& other)
    : TEscherDataRecord(other) {
  if (other.txo_) txo_ = std::make_unique<TTXO>(*other.txo_);
}

std::unique_ptr<TEscherRecord> CreateEscherRecord(std::uint16_t ver_inst, std::uint16_t type) {
  switch (type) {
    case escher::kBStoreContainer:
      return std::make_unique<TEscherBStoreRecord>(ver_inst, type);
    case escher::kSpgrContainer:
      return std::make_unique<TEscherSpgrContainerRecord>(ver_inst, type);
    case escher::kSpContainer:
      return std::make_unique<TEscherSpContainerRecord>(ver_inst, type);
    case escher::kSolverContainer:
      return std::make_unique<TEscherSolverContainerRecord>(ver_inst, type);
    case escher::kDgg:
      return std::make_unique<TEscherDggRecord>(ver_inst, type);
    case escher::kBSE:
      return std::make_unique<TEscherBSERecord>(ver_inst, type);
    case escher::kDg:
      return std::make_unique<TEscherDgRecord>(ver_inst, type);
    case escher::kSp:
      return std::make_unique<TEscherSPRecord>(ver_inst, type);
    case escher::kOPT:
      return std::make_unique<TEscherOPTRecord>(ver_inst, type);
    case escher::kClientTextbox:
      return std::make_unique<TEscherClientTextBoxRecord>(ver_inst, type);
    case escher::kClientAnchor:
      return std::make_unique<TEscherClientAnchorRecord>(ver_inst, type);
    case escher::kClientData:
      return std::make_unique<TEscherClientDataRecord>(ver_inst, type);
    case escher::kConnectorRule:
      return std::make_unique<TEscherConnectorRuleRecord>(ver_inst, type);
    case escher::kAlignRule:
      throw XlsError(Format(msg::kNotImplementedRecord, "AlignRule"));
    case escher::kArcRule:
      return std::make_unique<TEscherArcRuleRecord>(ver_inst, type);
    case escher::kCalloutRule:
      return std::make_unique<TEscherCalloutRuleRecord>(ver_inst, type);
    default:
      break;
  }
  if ((ver_inst & 0x000F) == 0x000F)
    return std::make_unique<TEscherContainerRecord>(ver_inst, type);
  return std::make_unique<TEscherDataRecord>(ver_inst, type);
}

}  // namespace chronolin
