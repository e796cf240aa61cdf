#pragma once
// The drawing of a worksheet: its DgContainer, with the OBJ and TXO records of its shapes.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "xls/drawing/drawing_group.h"
#include "xls/drawing/escher_record.h"
#include "xls/drawing/shape_copy.h"
#include "xls/records/biff_stream.h"

namespace chronolin {

class TWorkbookGlobals;
class TSST;

class TDrawing {
 public:
  TDrawing() = default;
  TDrawing(const TDrawing&) = delete;
  TDrawing& operator=(const TDrawing&) = delete;

  bool Loaded() const { return root_ != nullptr; }
  // Reads the DgContainer starting in `first` (an MSODRAWING record) together with the OBJ
  // and TXO records that follow its client atoms, and any embedded chart sub-stream.
  void Load(TBiffReader& reader, std::unique_ptr<TBaseRecord> first, TWorkbookGlobals& globals,
            TSST& sst);
  void Clear();
  std::unique_ptr<TDrawing> Clone() const;

  const TEscherRecord* Root() const { return root_.get(); }
  // The records below leave out the shared copies of comments (TEscherShapeCopy), which
  // hold no records of their own until one is edited.
  const std::vector<TEscherClientAnchorRecord*>& Anchors() const { return anchors_; }
  const std::vector<TEscherClientDataRecord*>& Objects() const { return objects_; }
  const std::vector<TEscherSPRecord*>& Shapes() const { return shapes_; }  // by shape id
  const std::vector<TEscherOPTRecord*>& Pictures() const { return pictures_; }
  // The client data whose OBJ has this object id, or null.
  TEscherClientDataRecord* FindObject(std::uint16_t object_id) const;
  // Whether an object has this id, shared copies included.
  bool HasObject(std::uint16_t object_id) const;
  // Objects held, shared copies included.
  std::size_t ObjectTotal() const;
  // The last row an anchor reaches, -1 without any.
  int LastAnchorRow() const;
  // The text of the comment shape whose object has this id, or null.
  const TTXO* CommentTxo(std::uint16_t object_id) const;
  // The same, to change: a shared copy becomes a whole shape first.
  TTXO* EditCommentTxo(std::uint16_t object_id);

  // MSODRAWING records, each ending at a client atom and followed by its OBJ or TXO record.
  void SaveToStream(TOutStream& out) const;
  std::int64_t TotalSize() const;

  // Editing. The shapes are the children of the top group container; a comment's shape comes
  // and goes with its note, the others with the rows their anchor lies in.
  // The checks of the edits below: each raises what the edit would, before anything changes.
  void CheckDeleteRows(int first, int count, const TDrawingGroup& group) const;
  void CheckCopyRows(int first, int last, const TDrawingGroup& group) const;
  void CheckCloneObject(std::uint16_t object_id, const TDrawingGroup& group) const;
  void CheckRemoveObject(std::uint16_t object_id, const TDrawingGroup& group) const;
  void CheckNewIdentity(const TDrawingGroup& group) const;

  // Anchor rows >= from move by delta (rows inserted).
  void ShiftAnchors(int from, int delta);
  // Removes the shapes (comments aside) lying wholly in rows [first, first + count), then moves
  // later anchors up.
  void DeleteRows(int first, int count, TDrawingGroup& group);
  // The shapes (comments aside) anchored wholly within rows [first, last], found once for any
  // number of copies; refuses a shape that cannot be copied (an embedded OLE object).
  std::vector<const TEscherRecord*> ShapesInRows(int first, int last) const;
  // Object records held by those shapes: each copy numbers as many new ones.
  static std::size_t ObjectCount(const std::vector<const TEscherRecord*>& shapes);
  // Refuses, before anything changes, `count` new objects when their ids would not fit or
  // there is no drawing group to number their shapes.
  void CheckNewObjects(std::size_t count, const TDrawingGroup& group) const;
  // Clones `shapes` (from ShapesInRows), moved by delta rows.
  void CopyShapes(const std::vector<const TEscherRecord*>& shapes, int delta, TDrawingGroup& group);
  // Clones the shapes (comments aside) anchored within rows [first, last], moved by delta.
  void CopyRows(int first, int last, int delta, TDrawingGroup& group);
  // Clones the shape of a comment object, moved by delta; the clone's object id, or 0.
  std::uint16_t CloneObject(std::uint16_t object_id, int delta, TDrawingGroup& group);
  void RemoveObject(std::uint16_t object_id, TDrawingGroup& group);
  // Removes the shapes of these comment objects and those DeleteRows removes, in one pass.
  void DeleteRows(int first, int count, const std::vector<std::uint16_t>& comment_ids,
                  TDrawingGroup& group);
  // A copied sheet's drawing: a drawing id and shape ids of its own, blips counted again.
  void TakeNewIdentity(TDrawingGroup& group);
  // First row of the anchor of picture `index`, -1 without one.
  int PictureRow(std::size_t index) const;
  // Replaces picture `index` with a new blip store entry of the given bytes.
  void ReplacePicture(std::size_t index, std::span<const std::uint8_t> bytes, TPictureType type,
                      TDrawingGroup& group);

 private:
  // The caches follow every edit: rebuilt after removals and loads, extended by each clone.
  void BuildCaches();
  void AddToCaches(TEscherRecord& unit);
  void CacheCopy(TEscherShapeCopy& copy);
  TEscherContainerRecord* TopGroup() const;
  TEscherDgRecord* Dg() const;
  // Gives every shape of `unit` a new shape id, takes the blip references again.
  void AdoptClone(TEscherRecord& unit, TDrawingGroup& group, bool new_object_ids);
  // Clones a top-level shape, moved by delta rows, and appends it; the clone.
  TEscherRecord& AppendClone(const TEscherRecord& unit, int delta, TDrawingGroup& group);
  // The shared, unchanging shape a copy of `unit` can stand on, or null when it must be cloned
  // whole.
  std::shared_ptr<const TShapePrototype> PrototypeFor(const TEscherRecord& unit);
  // A shared copy of `unit` moved by delta rows, with a shape id and an object id of its own.
  std::unique_ptr<TEscherShapeCopy> NewCopy(const TEscherRecord& unit,
                                            std::shared_ptr<const TShapePrototype> prototype,
                                            int delta, TDrawingGroup& group);

  std::unique_ptr<TEscherRecord> root_;
  std::vector<TEscherClientAnchorRecord*> anchors_;
  std::vector<TEscherClientDataRecord*> objects_;
  std::vector<TEscherSPRecord*> shapes_;
  std::vector<TEscherOPTRecord*> pictures_;
  // Shared copies not expanded yet: those skip their entries in the caches above.
  std::vector<TEscherShapeCopy*> copies_;
  std::uint32_t max_shape_id_ = 0;
  // The prototype made for the last shape copied this way, while that shape is unchanged: a
  // band's note copied many times makes one.
  struct TPrototypeCache {
    const TEscherRecord* source = nullptr;
    const TBaseRecord* text = nullptr;
    std::shared_ptr<const TShapePrototype> prototype;
  } prototype_cache_;
  // Entries of the caches lying after the top group (a background shape): clones go before them
  // so that the caches keep the order of the tree.
  std::size_t trailing_anchors_ = 0;
  std::size_t trailing_objects_ = 0;
  std::size_t trailing_pictures_ = 0;
  // Object ids are 16-bit: a table by id costs a pointer per id, where a hash map cost a node
  // per object (tens of thousands of copied notes).
  template <class T>
  class TIdTable {
   public:
    T* Find(std::uint16_t id) const { return id < items_.size() ? items_[id] : nullptr; }
    // The first one added for an id stays.
    void Add(std::uint16_t id, T* item) {
      if (id >= items_.size()) {
        items_.resize(
            std::min<std::size_t>(0x10000, std::max<std::size_t>(id + 1u, items_.size() * 2)));
      }
      if (items_[id] == nullptr) items_[id] = item;
    }
    void Clear() { items_.clear(); }

   private:
    std::vector<T*> items_;
  };
  // Object id -> its client data, and -> the top-level shape it is the first object of.
  TIdTable<TEscherClientDataRecord> objects_by_id_;
  TIdTable<TEscherRecord> units_by_id_;
  std::uint32_t next_object_id_ = 1;
};

}  // namespace chronolin
