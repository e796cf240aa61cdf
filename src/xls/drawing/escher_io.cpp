#include "xls/drawing/escher_io.h"

#include <limits>

#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_messages.h"
#include "xls/drawing/shape_copy.h"
#include "xls/records/record_ids.h"
#include "xls/records/record_reader.h"

namespace chronolin {

namespace {

// Group shapes nest, but never this deep in a real drawing; the limit keeps a crafted file
// from exhausting the stack.
constexpr int kMaxDepth = 64;

}  // namespace

TEscherPieceReader::TEscherPieceReader(TBiffReader& reader, std::unique_ptr<TBaseRecord> first)
    : reader_(reader),
      id_(first->Id()),
      piece_(std::move(first)),
      chain_(*piece_, 0, [this]() -> const TBaseRecord& { return NextPiece(); }) {}

const TBaseRecord& TEscherPieceReader::NextPiece() {
  RecordHeader header;
  if (!reader_.PeekHeader(header) || header.id != id_) throw XlsError(msg::kFileInvalid);
  reader_.ReadHeader(header);
  piece_ = ReadRecord(reader_, header);
  return *piece_;
}

namespace {

std::unique_ptr<TEscherRecord> ReadLimited(TEscherPieceReader& source, const TClientAtomHook& hook,
                                           int depth, std::uint64_t limit) {
  std::uint8_t header[8];
  source.Read(header, 8);
  const std::uint16_t ver_inst = biff::Get16(header);
  const std::uint16_t type = biff::Get16(header + 2);
  const std::uint32_t length = biff::Get32(header + 4);
  if (std::uint64_t{length} + 8 > limit) throw XlsError(msg::kFileInvalid);
  std::unique_ptr<TEscherRecord> record = CreateEscherRecord(ver_inst, type);
  if (record->IsContainer()) {
    if (depth >= kMaxDepth) throw XlsError(msg::kFileInvalid);
    auto& container = static_cast<TEscherContainerRecord&>(*record);
    std::uint64_t left = length;
    while (left > 0) {
      if (left < 8) throw XlsError(msg::kFileInvalid);
      auto child = ReadLimited(source, hook, depth + 1, left);
      left -= child->TotalSize();
      container.AddChild(std::move(child));
    }
  } else {
    source.ReadAppend(static_cast<TEscherDataRecord&>(*record).Data(), length);
    if (hook && (type == escher::kClientData || type == escher::kClientTextbox)) hook(*record);
  }
  return record;
}

}  // namespace

std::unique_ptr<TEscherRecord> ReadEscherRecord(TEscherPieceReader& source,
                                                const TClientAtomHook& hook) {
  return ReadLimited(source, hook, 0, std::numeric_limits<std::uint64_t>::max());
}

void WriteEscherRecord(const TEscherRecord& record, std::vector<std::uint8_t>& out,
                       const std::function<void(const TEscherRecord&)>& hook) {
  if (const TEscherShapeCopy* copy = CompactCopy(record)) {
    WriteEscherRecord(copy->ToWrite(), out, hook);
    return;
  }
  const std::uint64_t body = record.BodySize();
  biff::Put16(out, record.VerInst());
  biff::Put16(out, record.Type());
  biff::Put32(out, static_cast<std::uint32_t>(body));
  if (record.IsContainer()) {
    const auto& container = static_cast<const TEscherContainerRecord&>(record);
    for (std::size_t i = 0; i < container.ChildCount(); ++i) {
      WriteEscherRecord(container.Child(i), out, hook);
    }
    return;
  }
  const auto& data = static_cast<const TEscherDataRecord&>(record).Data();
  out.insert(out.end(), data.begin(), data.end());
  if (hook && (record.Type() == escher::kClientData || record.Type() == escher::kClientTextbox)) {
    hook(record);
  }
}

}  // namespace chronolin
