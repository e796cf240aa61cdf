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

}  // namespace chronolin::bifftest
