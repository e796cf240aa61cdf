#pragma once
// Cell records (row, column, XF index, then the value) and the ROW record.
#include <cstdint>
#include <memory>
#include <vector>

#include "common/variant.h"
#include "xls/records/biff_record.h"
#include "xls/strings/sst.h"

namespace chronolin {

class TCellRecord : public TBaseRowColRecord {
 public:
  // Every cell body holds at least row, column and XF; min_size adds the value part.
  TCellRecord(std::uint16_t id, std::vector<std::uint8_t> data, std::size_t min_size = 6);
  std::unique_ptr<TBaseRecord> Clone() const override {
    return std::unique_ptr<TBaseRecord>(new TCellRecord(*this));
  }

  std::uint16_t XF() const { return Get16(4); }
  void SetXF(std::uint16_t xf) { Set16(4, xf); }
  // The generic class (ARRAY) has no value of its own.
  virtual Variant GetValue() const { return Variant(); }
  // Stores the value in the body; the classes without a value part ignore it.
  virtual void SetValue(const Variant& value) { (void)value; }

  // A fresh body of the given size holding row, column and XF.
  static std::vector<std::uint8_t> NewBody(std::size_t size, std::uint16_t row,
                                           std::uint16_t column, std::uint16_t xf);

 protected:
  TCellRecord(const TCellRecord&) = default;
};

class TBlankRecord final : public TCellRecord {
 public:
  TBlankRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
};

class TNumberRecord final : public TCellRecord {
 public:
  TNumberRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  Variant GetValue() const override;
  void SetValue(const Variant& value) override;
};

class TRKRecord final : public TCellRecord {
 public:
  TRKRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  Variant GetValue() const override;
  // A number without an RK form raises "Invalid cell value: \"%s\"".
  void SetValue(const Variant& value) override;
};

class TBoolErrRecord final : public TCellRecord {
 public:
  TBoolErrRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  // A Boolean, or the error's text ("#DIV/0!"...; an unknown code reads as "#NULL!").
  Variant GetValue() const override;
  // A Boolean, or one of the seven error texts exactly ("Invalid cell error code: ..."
  // otherwise); any other type raises "Invalid cell value: ...".
  void SetValue(const Variant& value) override;
  static const char* ErrorText(std::uint8_t code);
};

// A text cell: an index into the shared string table, held as a counted link to the entry
// (the table keeps every entry with references alive).
class TLabelSSTRecord final : public TCellRecord {
 public:
  TLabelSSTRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  TLabelSSTRecord(const TLabelSSTRecord& other);
  // A new text cell; its text is given by SetValue.
  TLabelSSTRecord(std::uint16_t row, std::uint16_t column, std::uint16_t xf, TSST& sst);
  // A text cell over an entry whose reference the caller hands over (null for none).
  TLabelSSTRecord(std::uint16_t row, std::uint16_t column, std::uint16_t xf, TSST* sst,
                  TSSTEntry* entry);
  ~TLabelSSTRecord() override;
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }

  // On load: the stored index must be below the table's count ("File invalid").
  void LinkToSST(TSST& sst);
  TSSTEntry* Entry() const { return entry_; }
  TSST* StringTable() const { return sst_; }
  // Hands the entry's reference to the caller; the cell is left without text.
  TSSTEntry* TakeEntry();
  Variant GetValue() const override;
  // Takes a reference on the table's entry for the value's text, releasing the old one.
  void SetValue(const Variant& value) override;
  // Writes the entry's index of the current save.
  void SaveToStream(TOutStream& out) const override;

 private:
  TSSTEntry* entry_ = nullptr;  // one reference held
  TSST* sst_ = nullptr;         // set for cells that may take new text
};

// LABEL and RSTRING: a text cell holding its own text, as older writers store text. Kept
// opaque, among the sheet's other records, and written back as read; row edits still move,
// copy and delete it with its row.
class TLabelRecord final : public TBaseRowColRecord {
 public:
  TLabelRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
};

// MULRK and MULBLANK are only read: the sheet loader expands them into single cells.
class TMulRKRecord final : public TBaseRowColRecord {
 public:
  TMulRKRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::vector<std::unique_ptr<TCellRecord>> Expand() const;
};

class TMulBlankRecord final : public TBaseRowColRecord {
 public:
  TMulBlankRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }
  std::vector<std::unique_ptr<TCellRecord>> Expand() const;
};

// ROW: row, first column, last column + 1, height, two reserved words, options, XF word.
class TRowRecord final : public TBaseRecord {
 public:
  TRowRecord(std::uint16_t id, std::vector<std::uint8_t> data);
  // The model's own: 16 zero bytes with the row and a height of 255.
  explicit TRowRecord(std::uint16_t row);
  std::unique_ptr<TBaseRecord> Clone() const override { return CloneAs(*this); }

  std::uint16_t Row() const { return Get16(0); }
  void SetRow(std::uint16_t row) { Set16(0, row); }
  std::uint16_t FirstColumn() const { return Get16(2); }
  std::uint16_t LastColumnPlus1() const { return Get16(4); }
  void SetColumnSpan(std::uint16_t first, std::uint16_t last_plus1) {
    Set16(2, first);
    Set16(4, last_plus1);
  }
  std::uint16_t Height() const { return Get16(6); }
  void SetHeight(std::uint16_t height) {
    Set16(6, height);
    SetCustomHeight(true);
  }
  std::uint16_t Options() const { return Get16(12); }
  bool HasCustomHeight() const { return (Options() & 0x40) != 0; }
  void SetCustomHeight(bool custom) {
    Set16(12, static_cast<std::uint16_t>(custom ? Options() | 0x40 : Options() & ~0x40));
  }
  // The row's format when bit 0x80 is set, else 0.
  std::uint16_t Format() const { return (Options() & 0x80) ? (Get16(14) & 0x0FFF) : 0; }
  void SetFormat(std::uint16_t xf) {
    Set16(12, static_cast<std::uint16_t>(Options() | 0x0180));
    Set16(14, static_cast<std::uint16_t>((Get16(14) & 0xF000) | (xf & 0x0FFF)));
  }
};

}  // namespace chronolin
