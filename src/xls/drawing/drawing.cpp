#include "xls/drawing/drawing.h"

#include <algorithm>
#include <cstring>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/drawing/chart.h"
#include "xls/drawing/escher_io.h"
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

void TDrawing::BuildCaches() {
  anchors_.clear();
  objects_.clear();
  shapes_.clear();
  pictures_.clear();
  if (!root_) return;
  Walk(*root_, [&](TEscherRecord& r) {
    switch (r.Type()) {
      case escher::kClientAnchor:
        anchors_.push_back(static_cast<TEscherClientAnchorRecord*>(&r));
        break;
      case escher::kClientData:
        objects_.push_back(static_cast<TEscherClientDataRecord*>(&r));
        break;
      case escher::kSp:
        if (auto* sp = dynamic_cast<TEscherSPRecord*>(&r)) shapes_.push_back(sp);
        break;
      case escher::kOPT:
        if (auto* opt = dynamic_cast<TEscherOPTRecord*>(&r); opt && opt->BlipReferenceCount() > 0) {
          pictures_.push_back(opt);
        }
        break;
      default:
        break;
    }
  });
  std::stable_sort(shapes_.begin(), shapes_.end(),
                   [](const auto* a, const auto* b) { return a->ShapeId() < b->ShapeId(); });
}

TEscherClientDataRecord* TDrawing::FindObject(std::uint16_t object_id) const {
  for (auto* object : objects_) {
    if (object->Obj() != nullptr && object->Obj()->ObjectId() == object_id) return object;
  }
  return nullptr;
}

void TDrawing::SaveToStream(TOutStream& out) const {
  if (!root_) return;
  std::vector<std::uint8_t> pending;
  auto flush = [&]() {
    WriteSplitRecords(&out, rid::kMsoDrawing, rid::kMsoDrawing, pending);
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
