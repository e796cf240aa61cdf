#include "xls/drawing/escher_record.h"

#include <algorithm>

#include "common/format.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/drawing/md5.h"

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

std::vector<std::size_t> TEscherOPTRecord::BlipOffsets() const {
  // Simple properties are 6 bytes each (id word, value); the instance gives their count. A
  // blip reference is property 0x0104 with its "blip id" flag.
  std::vector<std::size_t> offsets;
  for (std::size_t i = 0; i < Instance(); ++i) {
    const std::uint16_t id = Get16(6 * i);
    if ((id & 0x3FFF) == 0x0104 && (id & 0x4000)) offsets.push_back(6 * i + 2);
  }
  return offsets;
}

std::vector<std::uint32_t> TEscherOPTRecord::BlipReferences() const {
  std::vector<std::uint32_t> references;
  for (const std::size_t at : BlipOffsets()) references.push_back(Get32(at));
  return references;
}

void TEscherOPTRecord::SetBlipReferences(std::uint32_t index) {
  for (const std::size_t at : BlipOffsets()) Set32(at, index);
}

void TEscherDggRecord::AddCluster(std::uint32_t drawing_id, std::uint32_t ids_taken) {
  const std::size_t clusters = ClusterCount();
  Data().resize(kFixedSize + 8 * clusters);
  biff::Put32(Data(), drawing_id);
  biff::Put32(Data(), ids_taken);
  Set32(4, static_cast<std::uint32_t>(clusters + 2));
}

std::unique_ptr<TEscherBSERecord> TEscherBSERecord::FromPicture(std::span<const std::uint8_t> bytes,
                                                                TPictureType type) {
  const std::array<std::uint8_t, 16> uid = Md5(bytes);
  const auto blip_type = static_cast<std::uint8_t>(type);
  const bool metafile = type == TPictureType::kEmf || type == TPictureType::kWmf;
  // The blip: its identifier, then a tag and the bytes of a bitmap, or the header of an
  // uncompressed metafile and its bytes.
  std::vector<std::uint8_t> body(uid.begin(), uid.end());
  if (metafile) {
    biff::Put32(body, static_cast<std::uint32_t>(bytes.size()));
    body.resize(body.size() + 16 + 8);  // bounds and size: left to the reader
    biff::Put32(body, static_cast<std::uint32_t>(bytes.size()));
    body.push_back(0xFE);  // not compressed
    body.push_back(0xFE);
  } else {
    body.push_back(0xFF);
  }
  body.insert(body.end(), bytes.begin(), bytes.end());
  std::uint16_t instance = 0;
  switch (type) {
    case TPictureType::kEmf:
      instance = 0x3D4;
      break;
    case TPictureType::kWmf:
      instance = 0x216;
      break;
    case TPictureType::kJpeg:
      instance = 0x46A;
      break;
    case TPictureType::kPng:
      instance = 0x6E0;
      break;
    case TPictureType::kDib:
      instance = 0x7A8;
      break;
  }
  auto entry = std::make_unique<TEscherBSERecord>(static_cast<std::uint16_t>(blip_type * 16 + 2),
                                                  escher::kBSE);
  std::vector<std::uint8_t>& data = entry->Data();
  data.reserve(kFixedSize + 8 + body.size());
  data.push_back(blip_type);
  data.push_back(metafile ? 4 : blip_type);  // the other platform reads metafiles as PICT
  data.insert(data.end(), uid.begin(), uid.end());
  biff::Put16(data, 0xFF);
  biff::Put32(data, static_cast<std::uint32_t>(8 + body.size()));
  biff::Put32(data, 0);  // references: counted by whoever uses the entry
  biff::Put32(data, 0);
  data.insert(data.end(), 4, 0);
  biff::Put16(data, static_cast<std::uint16_t>(instance << 4));
  biff::Put16(data, static_cast<std::uint16_t>(0xF018 + blip_type));
  biff::Put32(data, static_cast<std::uint32_t>(body.size()));
  data.insert(data.end(), body.begin(), body.end());
  return entry;
}

std::array<std::uint8_t, 16> TEscherBSERecord::Digest() const {
  std::array<std::uint8_t, 16> digest{};
  if (Data().size() >= 18) std::copy_n(Data().begin() + 2, 16, digest.begin());
  return digest;
}

TEscherClientDataRecord::TEscherClientDataRecord(const TEscherClientDataRecord& other)
    : TEscherDataRecord(other) {
  if (other.obj_) obj_ = std::make_unique<TMsObj>(*other.obj_);
}

TEscherClientTextBoxRecord::TEscherClientTextBoxRecord(const TEscherClientTextBoxRecord& other)
    : TEscherDataRecord(other) {
  if (other.txo_) txo_ = std::make_unique<TTXO>(*other.txo_);
}

TEscherRecord* FindFirst(TEscherRecord& root, std::uint16_t type) {
  if (root.Type() == type) return &root;
  if (!root.IsContainer()) return nullptr;
  const auto& container = static_cast<const TEscherContainerRecord&>(root);
  for (std::size_t i = 0; i < container.ChildCount(); ++i) {
    if (TEscherRecord* found = FindFirst(container.Child(i), type)) return found;
  }
  return nullptr;
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
