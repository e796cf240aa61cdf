#pragma once
// Office drawing ("Escher") records: an 8-byte header (version/instance, type, body length)
// and either a body (atoms) or child records (containers). The model parses the tree far
// enough to find shapes, anchors, pictures and the BIFF records attached to client atoms;
// every body is kept as read.
#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "xls/drawing/ms_obj.h"
#include "xls/drawing/txo.h"
#include "xls/records/biff_record.h"

namespace chronolin {

namespace escher {
inline constexpr std::uint16_t kDggContainer = 0xF000;
inline constexpr std::uint16_t kBStoreContainer = 0xF001;
inline constexpr std::uint16_t kDgContainer = 0xF002;
inline constexpr std::uint16_t kSpgrContainer = 0xF003;
inline constexpr std::uint16_t kSpContainer = 0xF004;
inline constexpr std::uint16_t kSolverContainer = 0xF005;
inline constexpr std::uint16_t kDgg = 0xF006;
inline constexpr std::uint16_t kBSE = 0xF007;
inline constexpr std::uint16_t kDg = 0xF008;
inline constexpr std::uint16_t kSp = 0xF00A;
inline constexpr std::uint16_t kOPT = 0xF00B;
inline constexpr std::uint16_t kClientTextbox = 0xF00D;
inline constexpr std::uint16_t kClientAnchor = 0xF010;
inline constexpr std::uint16_t kClientData = 0xF011;
inline constexpr std::uint16_t kConnectorRule = 0xF012;
inline constexpr std::uint16_t kAlignRule = 0xF013;
inline constexpr std::uint16_t kArcRule = 0xF014;
inline constexpr std::uint16_t kCalloutRule = 0xF017;
}  // namespace escher

class TEscherRecord {
 public:
  TEscherRecord(std::uint16_t ver_inst, std::uint16_t type) : ver_inst_(ver_inst), type_(type) {}
  virtual ~TEscherRecord() = default;
  TEscherRecord& operator=(const TEscherRecord&) = delete;

  std::uint16_t VerInst() const { return ver_inst_; }
  std::uint16_t Type() const { return type_; }
  std::uint16_t Instance() const { return ver_inst_ >> 4; }
  void SetInstance(std::uint16_t instance) {
    ver_inst_ = static_cast<std::uint16_t>((instance << 4) | (ver_inst_ & 0x000F));
  }
  virtual bool IsContainer() const { return false; }
  virtual std::uint64_t BodySize() const = 0;
  std::uint64_t TotalSize() const { return 8 + BodySize(); }
  virtual std::unique_ptr<TEscherRecord> Clone() const = 0;

 protected:
  TEscherRecord(const TEscherRecord&) = default;

 private:
  std::uint16_t ver_inst_;
  std::uint16_t type_;
};

class TEscherDataRecord : public TEscherRecord {
 public:
  using TEscherRecord::TEscherRecord;
  std::uint64_t BodySize() const override { return data_.size(); }
  std::unique_ptr<TEscherRecord> Clone() const override;
  std::vector<std::uint8_t>& Data() { return data_; }
  const std::vector<std::uint8_t>& Data() const { return data_; }
  std::uint16_t Get16(std::size_t offset) const;  // 0 past the body
  std::uint32_t Get32(std::size_t offset) const;
  void Set16(std::size_t offset, std::uint16_t v);  // nothing past the body
  void Set32(std::size_t offset, std::uint32_t v);

 protected:
  TEscherDataRecord(const TEscherDataRecord&) = default;

 private:
  std::vector<std::uint8_t> data_;
};

class TEscherContainerRecord : public TEscherRecord {
 public:
  using TEscherRecord::TEscherRecord;
  TEscherContainerRecord(const TEscherContainerRecord& other);
  bool IsContainer() const override { return true; }
  std::uint64_t BodySize() const override;
  std::unique_ptr<TEscherRecord> Clone() const override;

  // A second BStore, Dg, Dgg or Solver container child raises its "Duplicated" message.
  void AddChild(std::unique_ptr<TEscherRecord> child);
  std::size_t ChildCount() const { return children_.size(); }
  TEscherRecord& Child(std::size_t i) const { return *children_[i]; }
  // The first child of the type, or null.
  TEscherRecord* FindChild(std::uint16_t type) const {
    for (const auto& child : children_) {
      if (child->Type() == type) return child.get();
    }
    return nullptr;
  }
  // The same for the root of a tree, which may be no container at all.
  static TEscherRecord* FindChild(const std::unique_ptr<TEscherRecord>& root, std::uint16_t type) {
    return root && root->IsContainer()
               ? static_cast<const TEscherContainerRecord&>(*root).FindChild(type)
               : nullptr;
  }
  void InsertChild(std::size_t i, std::unique_ptr<TEscherRecord> child) {
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(i), std::move(child));
  }
  std::unique_ptr<TEscherRecord> ExtractChild(std::size_t i) {
    std::unique_ptr<TEscherRecord> child = std::move(children_[i]);
    children_.erase(children_.begin() + static_cast<std::ptrdiff_t>(i));
    return child;
  }
  // Removes, in one pass, the children `remove` returns true for (called once per child).
  template <class P>
  void RemoveChildrenIf(P&& remove) {
    std::erase_if(children_, [&](const std::unique_ptr<TEscherRecord>& c) { return remove(*c); });
  }

 private:
  std::vector<std::unique_ptr<TEscherRecord>> children_;
};

#define CHRONOLIN_ESCHER_CLASS(Name, Base)                    \
  class Name final : public Base {                            \
   public:                                                    \
    using Base::Base;                                         \
    std::unique_ptr<TEscherRecord> Clone() const override {   \
      return std::unique_ptr<TEscherRecord>(new Name(*this)); \
    }                                                         \
  }

CHRONOLIN_ESCHER_CLASS(TEscherBStoreRecord, TEscherContainerRecord);
CHRONOLIN_ESCHER_CLASS(TEscherSpgrContainerRecord, TEscherContainerRecord);
CHRONOLIN_ESCHER_CLASS(TEscherSpContainerRecord, TEscherContainerRecord);
CHRONOLIN_ESCHER_CLASS(TEscherSolverContainerRecord, TEscherContainerRecord);
CHRONOLIN_ESCHER_CLASS(TEscherConnectorRuleRecord, TEscherDataRecord);
CHRONOLIN_ESCHER_CLASS(TEscherAlignRuleRecord, TEscherDataRecord);
CHRONOLIN_ESCHER_CLASS(TEscherArcRuleRecord, TEscherDataRecord);
CHRONOLIN_ESCHER_CLASS(TEscherCalloutRuleRecord, TEscherDataRecord);

// Dgg: a shape id above every one in use at 0, the cluster count + 1 at 4, the shapes and the
// drawings saved at 8 and 12, then per cluster of shape ids the drawing it belongs to and how
// many of its ids are taken (8 bytes each).
class TEscherDggRecord final : public TEscherDataRecord {
 public:
  static constexpr std::size_t kFixedSize = 16;
  static constexpr std::uint32_t kClusterSize = 1024;  // shape ids per cluster

  using TEscherDataRecord::TEscherDataRecord;
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherDggRecord(*this));
  }
  // Whether the counters are there to be kept: edits refuse a group without them.
  bool HasCounters() const { return Data().size() >= kFixedSize; }
  std::uint32_t NextShapeId() const { return Get32(0); }
  void SetNextShapeId(std::uint32_t id) { Set32(0, id); }
  std::uint32_t SavedShapes() const { return Get32(8); }
  void SetSavedShapes(std::uint32_t count) { Set32(8, count); }
  std::uint32_t SavedDrawings() const { return Get32(12); }
  void SetSavedDrawings(std::uint32_t count) { Set32(12, count); }

  std::size_t ClusterCount() const { return HasCounters() ? (Data().size() - kFixedSize) / 8 : 0; }
  // Cluster i holds the shape ids from (i + 1) * kClusterSize.
  std::uint32_t ClusterDrawing(std::size_t i) const { return Get32(kFixedSize + 8 * i); }
  std::uint32_t ClusterIdsTaken(std::size_t i) const { return Get32(kFixedSize + 8 * i + 4); }
  void SetClusterIdsTaken(std::size_t i, std::uint32_t count) {
    Set32(kFixedSize + 8 * i + 4, count);
  }
  // Appends a cluster (after the last whole one) and counts it.
  void AddCluster(std::uint32_t drawing_id, std::uint32_t ids_taken);
};

// Dg: the shapes of a drawing at 0 and its last shape id at 4; the instance is the drawing id.
class TEscherDgRecord final : public TEscherDataRecord {
 public:
  using TEscherDataRecord::TEscherDataRecord;
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherDgRecord(*this));
  }
  std::uint32_t DrawingId() const { return Instance(); }
  std::uint32_t ShapeCount() const { return Get32(0); }
  std::uint32_t LastShapeId() const { return Get32(4); }
  void SetLastShapeId(std::uint32_t id) { Set32(4, id); }
  void ShapeAdded(std::uint32_t id) {
    Set32(0, ShapeCount() + 1);
    SetLastShapeId(std::max(LastShapeId(), id));
  }
  void ShapesRemoved(std::uint32_t count) {
    Set32(0, ShapeCount() >= count ? ShapeCount() - count : 0);
  }
};

// Picture types of a replacement, by their names "EMF", "WMF", "JPEG", "PNG" (their values are
// the format's blip types).
enum class TPictureType { kEmf = 2, kWmf = 3, kJpeg = 5, kPng = 6, kDib = 7 };

// BSE, a blip store entry: the blip types for two platforms at 0 and 1, the picture's 16-byte
// digest at 2, a tag, the size of the blip record at 20, the references to the entry at 24,
// more fixed fields to 36, then the blip record itself.
class TEscherBSERecord final : public TEscherDataRecord {
 public:
  static constexpr std::size_t kFixedSize = 36;

  using TEscherDataRecord::TEscherDataRecord;
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherBSERecord(*this));
  }
  // An entry holding the picture (not compressed), with no reference yet.
  static std::unique_ptr<TEscherBSERecord> FromPicture(std::span<const std::uint8_t> bytes,
                                                       TPictureType type);
  // All zeros for an entry too short to hold one.
  std::array<std::uint8_t, 16> Digest() const;
  std::uint32_t RefCount() const { return Get32(24); }
  void SetRefCount(std::uint32_t count) { Set32(24, count); }
};

// Sp: shape id (32-bit at 0) and flags (32-bit at 4).
class TEscherSPRecord final : public TEscherDataRecord {
 public:
  using TEscherDataRecord::TEscherDataRecord;
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherSPRecord(*this));
  }
  std::uint32_t ShapeId() const { return Get32(0); }
  void SetShapeId(std::uint32_t id) { Set32(0, id); }
};

// OPT: property table; a picture shape refers to a blip store entry through property 0x4104.
class TEscherOPTRecord final : public TEscherDataRecord {
 public:
  using TEscherDataRecord::TEscherDataRecord;
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherOPTRecord(*this));
  }
  // Number of blip references among the simple properties.
  int BlipReferenceCount() const { return static_cast<int>(BlipOffsets().size()); }
  // The blip store entries (1-based) the picture properties name.
  std::vector<std::uint32_t> BlipReferences() const;
  void SetBlipReferences(std::uint32_t index);

 private:
  // Where the values of the blip properties lie.
  std::vector<std::size_t> BlipOffsets() const;
};

// ClientAnchor of a sheet shape: flags, then column/offset/row/offset of the top-left and the
// bottom-right corners.
class TEscherClientAnchorRecord final : public TEscherDataRecord {
 public:
  using TEscherDataRecord::TEscherDataRecord;
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherClientAnchorRecord(*this));
  }
  std::uint16_t FirstColumn() const { return Get16(2); }
  std::uint16_t FirstRow() const { return Get16(6); }
  std::uint16_t LastColumn() const { return Get16(10); }
  std::uint16_t LastRow() const { return Get16(14); }
  void SetRows(std::uint16_t first, std::uint16_t last) {
    Set16(6, first);
    Set16(14, last);
  }
  // Offsets within the first and last columns (in 1/1024 of the column's width).
  std::uint16_t FirstColumnOffset() const { return Get16(4); }
  std::uint16_t LastColumnOffset() const { return Get16(12); }
  // Offsets within the first and last rows (in 1/256 of the row's height).
  std::uint16_t FirstRowOffset() const { return Get16(8); }
  std::uint16_t LastRowOffset() const { return Get16(16); }
  void SetRowOffsets(std::uint16_t first, std::uint16_t last) {
    Set16(8, first);
    Set16(16, last);
  }
};

class TEscherClientDataRecord final : public TEscherDataRecord {
 public:
  using TEscherDataRecord::TEscherDataRecord;
  TEscherClientDataRecord(const TEscherClientDataRecord& other);
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherClientDataRecord(*this));
  }
  TMsObj* Obj() const { return obj_.get(); }
  void SetObj(std::unique_ptr<TMsObj> obj) { obj_ = std::move(obj); }

 private:
  std::unique_ptr<TMsObj> obj_;
};

class TEscherClientTextBoxRecord final : public TEscherDataRecord {
 public:
  using TEscherDataRecord::TEscherDataRecord;
  TEscherClientTextBoxRecord(const TEscherClientTextBoxRecord& other);
  std::unique_ptr<TEscherRecord> Clone() const override {
    return std::unique_ptr<TEscherRecord>(new TEscherClientTextBoxRecord(*this));
  }
  TTXO* Txo() const { return txo_.get(); }
  void SetTxo(std::unique_ptr<TTXO> txo) { txo_ = std::move(txo); }

 private:
  std::unique_ptr<TTXO> txo_;
};

// The first record of the type in a tree, the root included (depth first), or null.
TEscherRecord* FindFirst(TEscherRecord& root, std::uint16_t type);
template <class T>
T* FindFirstAs(TEscherRecord& root, std::uint16_t type) {
  return static_cast<T*>(FindFirst(root, type));
}

// The class for a record type; AlignRule raises "This file has a not implemented kind of
// record: %s".
std::unique_ptr<TEscherRecord> CreateEscherRecord(std::uint16_t ver_inst, std::uint16_t type);

}  // namespace chronolin
