#pragma once
// The drawing of a worksheet (its DgContainer, with the OBJ and TXO records of its shapes) and
// the workbook's drawing group (the DggContainer with the blip store of pictures).
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/biff_stream.h"
#include "xls/escher_record.h"

namespace chronolin {

class TWorkbookGlobals;

class TDrawing {
 public:
  TDrawing() = default;
  TDrawing(const TDrawing&) = delete;
  TDrawing& operator=(const TDrawing&) = delete;

  bool Loaded() const { return root_ != nullptr; }
  // Reads the DgContainer starting in `first` (an MSODRAWING record) together with the OBJ
  // and TXO records that follow its client atoms, and any embedded chart sub-stream.
  void Load(TBiffReader& reader, std::unique_ptr<TBaseRecord> first, TWorkbookGlobals& globals);
  void Clear();
  std::unique_ptr<TDrawing> Clone() const;

  const TEscherRecord* Root() const { return root_.get(); }
  const std::vector<TEscherClientAnchorRecord*>& Anchors() const { return anchors_; }
  const std::vector<TEscherClientDataRecord*>& Objects() const { return objects_; }
  const std::vector<TEscherSPRecord*>& Shapes() const { return shapes_; }  // by shape id
  const std::vector<TEscherOPTRecord*>& Pictures() const { return pictures_; }
  // The client data whose OBJ has this object id, or null.
  TEscherClientDataRecord* FindObject(std::uint16_t object_id) const;

  // MSODRAWING records, each ending at a client atom and followed by its OBJ or TXO record.
  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  void BuildCaches();

  std::unique_ptr<TEscherRecord> root_;
  std::vector<TEscherClientAnchorRecord*> anchors_;
  std::vector<TEscherClientDataRecord*> objects_;
  std::vector<TEscherSPRecord*> shapes_;
  std::vector<TEscherOPTRecord*> pictures_;
};

class TDrawingGroup {
 public:
  bool Loaded() const { return root_ != nullptr; }
  // A second drawing group raises "Error reading Excel records. File invalid".
  void Load(TBiffReader& reader, std::unique_ptr<TBaseRecord> first);
  void Clear();
  const TEscherRecord* Root() const { return root_.get(); }
  // The blip store entries ordered by their digest, for look-up.
  void SortBlips();
  const std::vector<const TEscherBSERecord*>& SortedBlips() const { return sorted_blips_; }

  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  std::vector<std::uint8_t> Bytes() const;

  std::unique_ptr<TEscherRecord> root_;
  std::vector<const TEscherBSERecord*> sorted_blips_;
};

}  // namespace chronolin
