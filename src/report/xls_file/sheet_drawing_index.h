#pragma once
// Looks a worksheet's drawing up without walking its shape tree on every call: the anchor of
// each picture and the text box of each comment, found in one walk. Valid until the drawing's
// shapes are added, removed or reordered; the owner rebuilds it then.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "xls/drawing/drawing.h"

namespace chronolin {

class TSheetDrawingIndex {
 public:
  void Build(const TDrawing& drawing);
  void Clear();
  // Null when the picture has no anchor (or the index is out of range).
  const TEscherClientAnchorRecord* PictureAnchor(std::size_t picture) const;
  // Null when the comment's shape has no text box.
  TEscherClientTextBoxRecord* TextBox(const TEscherClientDataRecord* object) const;

 private:
  std::vector<const TEscherClientAnchorRecord*> picture_anchors_;
  // Sorted by object: one flat table, where a hash map cost a node per copied note.
  std::vector<std::pair<const TEscherClientDataRecord*, TEscherClientTextBoxRecord*>> text_boxes_;
};

// The shape's name (property 0x0380 of its property table), empty when it has none.
std::u16string ShapeName(const TEscherOPTRecord& opt);

}  // namespace chronolin
