#include "xls/drawing/drawing.h"

#include <algorithm>
#include <cstring>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/drawing/chart.h"
#include "xls/drawing/escher_io.h"
#include "xls/records/record_chain_writer.h"
#include "xls/records/record_ids.h"
#include "xls/records/record_reader.h"

namespace chronolin {

namespace {

template <class F>
void Walk(TEscherRecord& record, F&& f) {
  f(record);
  if (!record.IsContainer()) return;
  auto& container = static_cast<TEscherContainerRecord&>(record);
  for (std::size_t i = 0; i < container.ChildCount(); ++i) Walk(container.Child(i), f);
}

// Reads the BIFF record a client atom calls for; it must come next in the stream.
std::unique_ptr<TBaseRecord> ReadClientRecord(TEscherPieceReader& source, std::uint16_t id) {
  RecordHeader header;
  if (!source.PieceExhausted() || !source.Stream().PeekHeader(header) || header.id != id) {
    throw XlsError(msg::kUnsupportedDrawing);
  }
  source.Stream().ReadHeader(header);
  return ReadRecord(source.Stream(), header);
}

}  // namespace

void TDrawing::Load(TBiffReader& reader, std::unique_ptr<TBaseRecord> first,
                    TWorkbookGlobals& globals, TSST& sst) {
  if (root_) throw XlsError(msg::kFileInvalid);
  TEscherPieceReader source(reader, std::move(first));
  auto hook = [&](TEscherRecord& atom) {
    if (atom.Type() == escher::kClientData) {
      auto obj = std::make_unique<TMsObj>(ReadClientRecord(source, rid::kObj));
      RecordHeader header;
      if (reader.PeekHeader(header) && header.id == rid::kBof) {
        reader.ReadHeader(header);
        std::unique_ptr<TBaseRecord> bof = ReadRecord(reader, header);
        auto* chart_bof = static_cast<TBOFRecord*>(bof.get());
        if (chart_bof->Kind() != rid::kBofChart) throw XlsError(msg::kFileInvalid);
        auto chart = std::make_unique<TChart>(globals, sst);
        bof.release();
        chart->Load(reader, std::unique_ptr<TBOFRecord>(chart_bof));
        obj->SetChart(std::move(chart));
      }
      static_cast<TEscherClientDataRecord&>(atom).SetObj(std::move(obj));
    } else {
      static_cast<TEscherClientTextBoxRecord&>(atom).SetTxo(
          std::make_unique<TTXO>(ReadClientRecord(source, rid::kTxo)));
    }
  };
  root_ = ReadEscherRecord(source, hook);
  // The container must end where its records end.
  if (!source.PieceExhausted()) throw XlsError(msg::kFileInvalid);
  BuildCaches();
}

void TDrawing::Clear() {
  root_.reset();
  BuildCaches();
}

std::unique_ptr<TDrawing> TDrawing::Clone() const {
  auto copy = std::make_unique<TDrawing>();
  if (root_) copy->root_ = root_->Clone();
  copy->BuildCaches();
  return copy;
}

namespace {

// The first client data of a shape, or null.
TEscherClientDataRecord* FirstObject(TEscherRecord& unit) {
  return FindFirstAs<TEscherClientDataRecord>(unit, escher::kClientData);
}

}  // namespace

void TDrawing::BuildCaches() {
  anchors_.clear();
  objects_.clear();
  shapes_.clear();
  pictures_.clear();
  copies_.clear();
  trailing_anchors_ = trailing_objects_ = trailing_pictures_ = 0;
  objects_by_id_.Clear();
  units_by_id_.Clear();
  next_object_id_ = 1;
  max_shape_id_ = 0;
  prototype_cache_ = {};
  if (!root_) return;
  TEscherContainerRecord* top = TopGroup();
  auto collect = [&](TEscherRecord& r) {
    switch (r.Type()) {
      case escher::kClientAnchor:
        anchors_.push_back(static_cast<TEscherClientAnchorRecord*>(&r));
        break;
      case escher::kClientData: {
        auto* data = static_cast<TEscherClientDataRecord*>(&r);
        objects_.push_back(data);
        if (data->Obj() != nullptr) {
          objects_by_id_.Add(data->Obj()->ObjectId(), data);
          next_object_id_ = std::max<std::uint32_t>(next_object_id_, data->Obj()->ObjectId() + 1u);
        }
        break;
      }
      case escher::kSp:
        if (auto* sp = dynamic_cast<TEscherSPRecord*>(&r)) shapes_.push_back(sp);
        break;
      case escher::kOPT:
        if (auto* opt = dynamic_cast<TEscherOPTRecord*>(&r); opt && opt->BlipReferenceCount() > 0) {
          pictures_.push_back(opt);
        }
        break;
      case escher::kSpContainer:
        if (TEscherShapeCopy* copy = CompactCopy(r)) CacheCopy(*copy);
        break;
      default:
        break;
    }
  };
  Walk(*root_, collect);
  std::stable_sort(shapes_.begin(), shapes_.end(),
                   [](const auto* a, const auto* b) { return a->ShapeId() < b->ShapeId(); });
  if (!shapes_.empty()) max_shape_id_ = std::max(max_shape_id_, shapes_.back()->ShapeId());
  if (top == nullptr) return;
  for (std::size_t i = 0; i < top->ChildCount(); ++i) {
    if (const TEscherShapeCopy* copy = CompactCopy(top->Child(i))) {
      units_by_id_.Add(copy->ObjectId(), &top->Child(i));
      continue;
    }
    TEscherClientDataRecord* data = FirstObject(top->Child(i));
    if (data != nullptr && data->Obj() != nullptr) {
      units_by_id_.Add(data->Obj()->ObjectId(), &top->Child(i));
    }
  }
  // What lies after the top group, counted so that clones are cached before it.
  auto& root = static_cast<TEscherContainerRecord&>(*root_);
  bool after = false;
  for (std::size_t i = 0; i < root.ChildCount(); ++i) {
    if (after) {
      Walk(root.Child(i), [&](TEscherRecord& r) {
        trailing_anchors_ += r.Type() == escher::kClientAnchor;
        trailing_objects_ += r.Type() == escher::kClientData;
        if (auto* opt = dynamic_cast<TEscherOPTRecord*>(&r); opt && r.Type() == escher::kOPT) {
          trailing_pictures_ += opt->BlipReferenceCount() > 0;
        }
      });
    }
    after = after || &root.Child(i) == top;
  }
}

void TDrawing::AddToCaches(TEscherRecord& unit) {
  auto before_trailing = [](auto& cache, std::size_t trailing, auto* entry) {
    cache.insert(cache.end() - static_cast<std::ptrdiff_t>(trailing), entry);
  };
  Walk(unit, [&](TEscherRecord& r) {
    switch (r.Type()) {
      case escher::kClientAnchor:
        before_trailing(anchors_, trailing_anchors_, static_cast<TEscherClientAnchorRecord*>(&r));
        break;
      case escher::kClientData: {
        auto* data = static_cast<TEscherClientDataRecord*>(&r);
        before_trailing(objects_, trailing_objects_, data);
        if (data->Obj() != nullptr) {
          objects_by_id_.Add(data->Obj()->ObjectId(), data);
          next_object_id_ = std::max<std::uint32_t>(next_object_id_, data->Obj()->ObjectId() + 1u);
        }
        break;
      }
      case escher::kSp:
        if (auto* sp = dynamic_cast<TEscherSPRecord*>(&r)) {
          // Clones take ids above every other: the order by id is kept by appending.
          auto at = std::upper_bound(
              shapes_.begin(), shapes_.end(), sp,
              [](const auto* a, const auto* b) { return a->ShapeId() < b->ShapeId(); });
          shapes_.insert(at, sp);
          max_shape_id_ = std::max(max_shape_id_, sp->ShapeId());
        }
        break;
      case escher::kOPT:
        if (auto* opt = dynamic_cast<TEscherOPTRecord*>(&r); opt && opt->BlipReferenceCount() > 0) {
          before_trailing(pictures_, trailing_pictures_, opt);
        }
        break;
      case escher::kSpContainer:
        if (TEscherShapeCopy* copy = CompactCopy(r)) CacheCopy(*copy);
        break;
      default:
        break;
    }
  });
  if (const TEscherShapeCopy* copy = CompactCopy(unit)) {
    units_by_id_.Add(copy->ObjectId(), &unit);
    return;
  }
  TEscherClientDataRecord* data = FirstObject(unit);
  if (data != nullptr && data->Obj() != nullptr) units_by_id_.Add(data->Obj()->ObjectId(), &unit);
}

void TDrawing::CacheCopy(TEscherShapeCopy& copy) {
  copies_.push_back(&copy);
  next_object_id_ = std::max<std::uint32_t>(next_object_id_, copy.ObjectId() + 1u);
  max_shape_id_ = std::max(max_shape_id_, copy.ShapeId());
}

TEscherClientDataRecord* TDrawing::FindObject(std::uint16_t object_id) const {
  return objects_by_id_.Find(object_id);
}

bool TDrawing::HasObject(std::uint16_t object_id) const {
  if (FindObject(object_id) != nullptr) return true;
  const TEscherRecord* unit = units_by_id_.Find(object_id);
  return unit != nullptr && CompactCopy(*unit) != nullptr;
}

std::size_t TDrawing::ObjectTotal() const {
  std::size_t total = objects_.size();
  for (const TEscherShapeCopy* copy : copies_) total += !copy->Expanded();
  return total;
}

int TDrawing::LastAnchorRow() const {
  int last = -1;
  for (const auto* anchor : anchors_) last = std::max<int>(last, anchor->LastRow());
  for (const TEscherShapeCopy* copy : copies_) {
    if (!copy->Expanded()) last = std::max<int>(last, copy->LastRow());
  }
  return last;
}

void TDrawing::SaveToStream(TOutStream& out) const {
  if (!root_) return;
  std::vector<std::uint8_t> pending;
  // The drawing runs on in further MSODRAWING records, not CONTINUE ones.
  auto flush = [&]() {
    TRecordChainWriter chain(out, rid::kMsoDrawing, rid::kMsoDrawing);
    chain.Write(pending);
    chain.Finish();
    pending.clear();
  };
  WriteEscherRecord(*root_, pending, [&](const TEscherRecord& atom) {
    flush();
    if (atom.Type() == escher::kClientData) {
      const auto& data = static_cast<const TEscherClientDataRecord&>(atom);
      if (data.Obj() != nullptr) data.Obj()->SaveToStream(out);
    } else {
      const auto& box = static_cast<const TEscherClientTextBoxRecord&>(atom);
      if (box.Txo() != nullptr) box.Txo()->SaveToStream(out);
    }
  });
  if (!pending.empty()) flush();
}

std::int64_t TDrawing::TotalSize() const {
  TCountingOutStream counter;
  SaveToStream(counter);
  return static_cast<std::int64_t>(counter.Position());
}

}  // namespace chronolin
