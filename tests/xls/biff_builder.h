#pragma once
// Builds BIFF8 workbook streams in memory for the model tests: records by id and body, and a
// minimal globals section with one BOUNDSHEET per sheet.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "xls/compound_file/xls_error.h"
#include "xls/records/biff_bytes.h"
#include "xls/records/biff_stream.h"
#include "xls/workbook.h"

namespace chronolin::bifftest {

using Bytes = std::vector<std::uint8_t>;

inline void Append(Bytes& out, const Bytes& more) {
  out.insert(out.end(), more.begin(), more.end());
}

inline Bytes Rec(std::uint16_t id, const Bytes& body) {
  Bytes r;
  biff::Put16(r, id);
  biff::Put16(r, static_cast<std::uint16_t>(body.size()));
  Append(r, body);
  return r;
}

// Little-endian fields: W(16-bit), D(32-bit).
inline Bytes W(std::initializer_list<std::uint16_t> words) {
  Bytes b;
  for (auto w : words) biff::Put16(b, w);
  return b;
}
inline Bytes D(std::uint32_t v) {
  Bytes b;
  biff::Put32(b, v);
  return b;
}
inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const auto& p : parts) Append(b, p);
  return b;
}
inline Bytes Latin1(const std::string& s) {
  return Bytes(s.begin(), s.end());
}

inline Bytes Bof(std::uint16_t kind, std::uint16_t version = 0x0600) {
  return Rec(0x0809, Cat({W({version, kind, 0x0DBB, 0x07CC}), D(0), D(0x0600)}));
}
inline Bytes Eof() {
  return Rec(0x000A, {});
}

// BOUNDSHEET with an 8-bit name and a zero offset (the save fills it in).
inline Bytes BoundSheet(const std::string& name, std::uint16_t options = 0) {
  return Rec(0x0085, Cat({D(0), W({options}), Bytes{static_cast<std::uint8_t>(name.size()), 0},
                          Latin1(name)}));
}

// An SST body of 8-bit strings.
inline Bytes SstBody(const std::vector<std::string>& strings) {
  Bytes b = Cat({D(static_cast<std::uint32_t>(strings.size())),
                 D(static_cast<std::uint32_t>(strings.size()))});
  for (const auto& s : strings)
    Append(b, Cat({W({static_cast<std::uint16_t>(s.size())}), Bytes{0}, Latin1(s)}));
  return b;
}

inline Bytes Row(std::uint16_t row) {
  return Rec(0x0208, W({row, 0, 1, 255, 0, 0, 0x100, 15}));
}
inline Bytes Number(std::uint16_t row, std::uint16_t col, double value, std::uint16_t xf = 15) {
  Bytes b = W({row, col, xf});
  b.resize(14);
  biff::SetDouble(b.data() + 6, value);
  return Rec(0x0203, b);
}
inline Bytes LabelSst(std::uint16_t row, std::uint16_t col, std::uint32_t index) {
  return Rec(0x00FD, Cat({W({row, col, 15}), D(index)}));
}
inline Bytes Window2() {
  return Rec(0x023E, W({0x06B6, 0, 0, 64, 0, 0, 0, 0, 0}));
}

// A workbook stream: globals (with `globals` records and the SST when given) and one
// worksheet per body, each body placed between its BOF and a WINDOW2 + EOF.
inline Bytes Workbook(const std::vector<Bytes>& sheet_bodies, const Bytes& globals = {},
                      const std::vector<std::string>& sst = {}) {
  Bytes s = Bof(0x0005);
  Append(s, globals);
  for (std::size_t i = 0; i < sheet_bodies.size(); ++i) {
    Append(s, BoundSheet("Sheet" + std::to_string(i + 1)));
  }
  Append(s, Rec(0x00FC, SstBody(sst)));
  Append(s, Eof());
  for (const auto& body : sheet_bodies) {
    Append(s, Bof(0x0010));
    Append(s, body);
    Append(s, Window2());
    Append(s, Eof());
  }
  return s;
}

inline Bytes Save(TWorkbook& workbook) {
  TMemoryOutStream out;
  workbook.Save(out);
  return out.Take();
}

struct RawRecord {
  std::uint16_t id;
  std::size_t offset;  // of the header
  Bytes body;
};

// The records of a stream, in order, without interpretation.
inline std::vector<RawRecord> Records(const Bytes& stream) {
  std::vector<RawRecord> out;
  std::size_t pos = 0;
  while (pos + 4 <= stream.size()) {
    const std::uint16_t id = biff::Get16(stream.data() + pos);
    const std::uint16_t size = biff::Get16(stream.data() + pos + 2);
    out.push_back({id, pos, Bytes(stream.begin() + pos + 4, stream.begin() + pos + 4 + size)});
    pos += 4 + size;
  }
  return out;
}

inline std::vector<std::uint16_t> Ids(const Bytes& stream) {
  std::vector<std::uint16_t> ids;
  for (const auto& r : Records(stream)) ids.push_back(r.id);
  return ids;
}

inline std::size_t CountId(const Bytes& stream, std::uint16_t id) {
  std::size_t n = 0;
  for (const auto& r : Records(stream)) n += r.id == id;
  return n;
}

// Loading `stream` must fail with exactly `message`.
inline void ExpectLoadError(const Bytes& stream, const std::string& message) {
  TWorkbook workbook;
  try {
    workbook.Load(stream);
    FAIL() << "loaded; expected: " << message;
  } catch (const XlsError& e) {
    EXPECT_EQ(e.what(), message);
  }
}

// Office drawing pieces: an atom or container header with its body, a sheet anchor, an OBJ.
inline Bytes Atom(std::uint16_t ver_inst, std::uint16_t type, const Bytes& body) {
  return Cat({W({ver_inst, type}), D(static_cast<std::uint32_t>(body.size())), body});
}
inline Bytes Container(std::uint16_t type, const Bytes& children) {
  return Atom(0x000F, type, children);
}

inline Bytes Anchor(std::uint16_t first_row, std::uint16_t last_row) {
  return Atom(0, 0xF010, W({2, 1, 0, first_row, 0, 3, 0, last_row, 0}));
}
inline Bytes Obj(std::uint16_t kind, std::uint16_t id) {
  return Rec(0x005D, Cat({W({0x15, 0x12, kind, id, 0x4011}), Bytes(12), W({0, 0})}));
}

// A comment shape (the drawing's first two MSODRAWING pieces) with its OBJ and TXO records.
struct CommentDrawing {
  Bytes records;
  Bytes note;
};

inline CommentDrawing MakeComment() {
  const Bytes group_shape = Container(
      0xF004, Cat({Atom(1, 0xF009, Bytes(16)), Atom(0x0002, 0xF00A, Cat({D(1024), D(5)}))}));
  const Bytes textbox = Atom(0, 0xF00D, {});
  const Bytes shape_head =
      Cat({Atom(0x0C92, 0xF00A, Cat({D(1025), D(0xA00)})),
           Atom(0x0013, 0xF00B, Cat({W({0x0080}), D(0)})), Anchor(2, 5), Atom(0, 0xF011, {})});
  const Bytes shape = Container(0xF004, Cat({shape_head, textbox}));
  const Bytes group = Container(0xF003, Cat({group_shape, shape}));
  const Bytes dg = Container(0xF002, Cat({Atom(0x0010, 0xF008, Cat({D(2), D(1025)})), group}));
  // Cut after the client data: its OBJ follows; then the text box and its TXO.
  const std::size_t cut = dg.size() - textbox.size();
  CommentDrawing c;
  c.records = Cat({Rec(0x00EC, Bytes(dg.begin(), dg.begin() + static_cast<std::ptrdiff_t>(cut))),
                   Obj(0x19, 1), Rec(0x00EC, textbox),
                   Rec(0x01B6, Cat({W({0x212, 0, 0, 0, 0, 5, 16}), D(0)})),
                   Rec(0x003C, Cat({Bytes{0}, Latin1("hello")})), Rec(0x003C, Bytes(16))});
  c.note = Rec(0x001C, Cat({W({2, 1, 0, 1, 3}), Bytes{0}, Latin1("Bob"), Bytes{0}}));
  return c;
}

}  // namespace chronolin::bifftest
