#pragma once
// The workbook's drawing group: the DggContainer with the blip store of pictures, and the
// counters that keep drawing and shape ids unique across the file.
#include <cstdint>
#include <memory>
#include <vector>

#include "xls/drawing/escher_record.h"
#include "xls/records/biff_stream.h"

namespace chronolin {

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

  // Editing: drawing ids and shape ids are handed out through the Dgg's clusters (1024 ids
  // each) so that every shape id of the file stays unique and the counters stay true.
  // Raises "Error processing Escher record" unless the group can hand out ids (a Dgg with its
  // fixed part): edits call it before changing anything.
  void CheckEditable() const;
  std::uint32_t NewDrawingId();
  std::uint32_t AllocateShapeId(std::uint32_t drawing_id, std::uint32_t at_least);
  void ShapesRemoved(std::uint32_t count);
  // Reference count of the blip store entry (1-based, as pictures name it).
  void AddBlipReference(std::uint32_t index, int delta);
  // Appends an entry; its 1-based index.
  std::uint32_t AddBlip(std::unique_ptr<TEscherBSERecord> entry);

  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

 private:
  std::vector<std::uint8_t> Bytes() const;
  TEscherDggRecord& Dgg() const;
  TEscherContainerRecord* BStore() const;

  std::unique_ptr<TEscherRecord> root_;
  std::vector<const TEscherBSERecord*> sorted_blips_;
};

}  // namespace chronolin
