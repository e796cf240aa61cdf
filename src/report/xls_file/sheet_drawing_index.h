#pragma once
// Looks a worksheet's drawing up without walking its shape tree on every call: the anchor of
// each picture, found in one walk. Valid until the drawing's
// shapes are added, removed or reordered; the owner rebuilds it then.
#include <cstddef>
#include <string>
#include <vector>

#include "xls/drawing/drawing.h"

namespace chronolin {

class TSheetDrawingIndex {
 public:
  void Build(const TDrawing& drawing);
  void Clear();
  // Null when the picture has no anchor (or the index is out of range).
  const TEscherClientAnchorRecord* PictureAnchor(std::size_t picture) const;

 private:
  std::vector<const TEscherClientAnchorRecord*> picture_anchors_;
};

// The shape's name (property 0x0380 of its property table), empty when it has none.
std::u16string ShapeName(const TEscherOPTRecord& opt);

}  // namespace chronolin
