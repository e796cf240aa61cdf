#pragma once
// BIFF8 record ids the model routes or writes.
#include <cstddef>
#include <cstdint>

namespace chronolin::rid {

inline constexpr std::uint16_t kFormula = 0x0006;
inline constexpr std::uint16_t kEof = 0x000A;
inline constexpr std::uint16_t kExternSheet = 0x0017;
inline constexpr std::uint16_t kName = 0x0018;
inline constexpr std::uint16_t kHPageBreak = 0x001B;
inline constexpr std::uint16_t kNote = 0x001C;
inline constexpr std::uint16_t kFilePass = 0x002F;
inline constexpr std::uint16_t kFont = 0x0031;
inline constexpr std::uint16_t kContinue = 0x003C;
inline constexpr std::uint16_t kWindow1 = 0x003D;
inline constexpr std::uint16_t kDefColWidth = 0x0055;
inline constexpr std::uint16_t kXct = 0x0059;
inline constexpr std::uint16_t kCrn = 0x005A;
inline constexpr std::uint16_t kExternName = 0x0023;
inline constexpr std::uint16_t kObj = 0x005D;
inline constexpr std::uint16_t kColInfo = 0x007D;
inline constexpr std::uint16_t kBoundSheet = 0x0085;
inline constexpr std::uint16_t kPalette = 0x0092;
inline constexpr std::uint16_t kMulRk = 0x00BD;
inline constexpr std::uint16_t kMulBlank = 0x00BE;
inline constexpr std::uint16_t kDbCell = 0x00D7;
inline constexpr std::uint16_t kXf = 0x00E0;
inline constexpr std::uint16_t kMergedCells = 0x00E5;
inline constexpr std::uint16_t kMsoDrawingGroup = 0x00EB;
inline constexpr std::uint16_t kMsoDrawing = 0x00EC;
inline constexpr std::uint16_t kMsoDrawingSelection = 0x00ED;
inline constexpr std::uint16_t kSst = 0x00FC;
inline constexpr std::uint16_t kLabelSst = 0x00FD;
inline constexpr std::uint16_t kExtSst = 0x00FF;
inline constexpr std::uint16_t kSupBook = 0x01AE;
inline constexpr std::uint16_t kCondFmt = 0x01B0;
inline constexpr std::uint16_t kCf = 0x01B1;
inline constexpr std::uint16_t kDVal = 0x01B2;
inline constexpr std::uint16_t kDv = 0x01BE;
inline constexpr std::uint16_t kHLink = 0x01B8;
inline constexpr std::uint16_t kHLinkTooltip = 0x0800;
inline constexpr std::uint16_t kTxo = 0x01B6;
inline constexpr std::uint16_t kRecalcId = 0x01C1;
inline constexpr std::uint16_t kDimensions = 0x0200;
inline constexpr std::uint16_t kBlank = 0x0201;
inline constexpr std::uint16_t kNumber = 0x0203;
inline constexpr std::uint16_t kLabel = 0x0204;
inline constexpr std::uint16_t kRString = 0x00D6;
inline constexpr std::uint16_t kBoolErr = 0x0205;
inline constexpr std::uint16_t kString = 0x0207;
inline constexpr std::uint16_t kRow = 0x0208;
inline constexpr std::uint16_t kIndex = 0x020B;
inline constexpr std::uint16_t kArray = 0x0221;
inline constexpr std::uint16_t kDefRowHeight = 0x0225;
inline constexpr std::uint16_t kTable = 0x0236;
inline constexpr std::uint16_t kWindow2 = 0x023E;
inline constexpr std::uint16_t kRk = 0x027E;
inline constexpr std::uint16_t kStyle = 0x0293;
inline constexpr std::uint16_t kFormat = 0x041E;
inline constexpr std::uint16_t kShrFmla = 0x04BC;
inline constexpr std::uint16_t kBof = 0x0809;
inline constexpr std::uint16_t kChartAi = 0x1051;

// Sub-stream types in the BOF record.
inline constexpr std::uint16_t kBofGlobals = 0x0005;
inline constexpr std::uint16_t kBofWorksheet = 0x0010;
inline constexpr std::uint16_t kBofChart = 0x0020;

// Largest record body BIFF8 allows.
inline constexpr std::size_t kMaxBody = 8224;
// The shared string table fills its records to two bytes under that; its saved layout, EXTSST
// offsets included, follows from this size.
inline constexpr std::size_t kMaxSstBody = 8222;

}  // namespace chronolin::rid
