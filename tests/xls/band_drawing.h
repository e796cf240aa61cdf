#pragma once
// A one-row band holding a note and a picture, as a report template has them: row 2 (0-based 1)
// with a number in A2, a comment on C2 and a PNG anchored in D2, the picture's blip in the
// drawing group. Shared by the drawing tests and the edit benchmark.
#include <algorithm>

#include "biff_builder.h"

namespace chronolin::bifftest {

inline Bytes EscherAtom(std::uint16_t ver_inst, std::uint16_t type, const Bytes& body) {
  return Cat({W({ver_inst, type}), D(static_cast<std::uint32_t>(body.size())), body});
}

inline Bytes EscherContainer(std::uint16_t type, const Bytes& children) {
  return EscherAtom(0x000F, type, children);
}

inline Bytes EscherAnchor(std::uint16_t row, std::uint16_t column) {
  return EscherAtom(
      0, 0xF010, W({2, column, 0, row, 0, static_cast<std::uint16_t>(column + 1), 0, row, 0x80}));
}

inline Bytes ObjRecord(std::uint16_t kind, std::uint16_t id) {
  return Rec(0x005D, Cat({W({0x15, 0x12, kind, id, 0x4011}), Bytes(12), W({0, 0})}));
}

struct BandWorkbook {
  Bytes globals;
  Bytes sheet;
};

inline BandWorkbook BandWithNoteAndPicture() {
  constexpr std::uint16_t kRow = 1;
  const Bytes blip = Cat({Bytes(16, 0x5A), Bytes{0xFF}, Bytes{0x89, 'P', 'N', 'G', 1, 2, 3, 4}});
  const Bytes blip_atom = EscherAtom(0x6E00, 0xF01E, blip);
  const Bytes bse =
      Cat({Bytes{6, 6}, Bytes(16, 0x5A), W({0}), D(static_cast<std::uint32_t>(blip_atom.size())),
           D(1), D(0), Bytes{0, 0, 0, 0}, blip_atom});
  // Dgg: last shape id + 1, clusters + 1, shapes, drawings; one cluster for drawing 1.
  const Bytes dgg = EscherContainer(
      0xF000, Cat({EscherAtom(0, 0xF006, Cat({D(1027), D(2), D(3), D(1), D(1), D(3)})),
                   EscherContainer(0xF001, EscherAtom(0x0062, 0xF007, bse))}));
  const Bytes data = EscherAtom(0, 0xF011, {});
  const Bytes textbox = EscherAtom(0, 0xF00D, {});
  const Bytes group_shape = EscherContainer(
      0xF004,
      Cat({EscherAtom(1, 0xF009, Bytes(16)), EscherAtom(0x0002, 0xF00A, Cat({D(1024), D(5)}))}));
  const Bytes comment_head =
      EscherContainer(0xF004, Cat({EscherAtom(0x0CA2, 0xF00A, Cat({D(1025), D(0xA00)})),
                                   EscherAtom(0x0013, 0xF00B, Cat({W({0x0080}), D(0)})),
                                   EscherAnchor(kRow, 2), data, textbox}));
  const Bytes picture = EscherContainer(
      0xF004,
      Cat({EscherAtom(0x04B2, 0xF00A, Cat({D(1026), D(0xA00)})),
           EscherAtom(0x0013, 0xF00B, Cat({W({0x4104}), D(1)})), EscherAnchor(kRow, 3), data}));
  const Bytes dg = EscherContainer(
      0xF002, Cat({EscherAtom(0x0010, 0xF008, Cat({D(3), D(1026)})),
                   EscherContainer(0xF003, Cat({group_shape, comment_head, picture}))}));
  // MSODRAWING pieces end at each client atom, its OBJ or TXO record next.
  std::vector<std::size_t> cuts;
  for (std::size_t at = 0; at + 8 <= dg.size(); ++at) {
    const bool client =
        std::equal(data.begin(), data.end(), dg.begin() + static_cast<long>(at)) ||
        std::equal(textbox.begin(), textbox.end(), dg.begin() + static_cast<long>(at));
    if (client) cuts.push_back(at + 8);
  }
  const Bytes txo = Cat({Rec(0x01B6, Cat({W({0x212, 0, 0, 0, 0, 5, 16}), D(0)})),
                         Rec(0x003C, Cat({Bytes{0}, Latin1("hello")})), Rec(0x003C, Bytes(16))});
  const Bytes client_records[] = {ObjRecord(0x19, 1), txo, ObjRecord(0x08, 2)};
  Bytes sheet = Cat({Row(kRow), Number(kRow, 0, 7)});
  std::size_t from = 0;
  for (std::size_t i = 0; i < cuts.size() && i < 3; ++i) {
    Append(sheet, Rec(0x00EC, Bytes(dg.begin() + static_cast<long>(from),
                                    dg.begin() + static_cast<long>(cuts[i]))));
    Append(sheet, client_records[i]);
    from = cuts[i];
  }
  Append(sheet, Rec(0x001C, Cat({W({kRow, 2, 0, 1, 3}), Bytes{0}, Latin1("Bob"), Bytes{0}})));
  return {Rec(0x00EB, dgg), sheet};
}

}  // namespace chronolin::bifftest
