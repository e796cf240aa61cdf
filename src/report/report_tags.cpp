// Parsing and evaluating tags. A tag is the whole text of a cell value, note or picture name:
//   ##DataSet##Field[##anything]   the field's value at the data set's current record
//   ##DataSet##*                   the whole data set as a table below the tag
//   #.Name[#.index#.index...]      a named value, else a published property; indexes select
//                                  an element of an array value
// Markers compare exactly; anything else is a constant.
#include <charconv>

#include "common/format.h"
#include "report/custom_report.h"
#include "report/report_error.h"

namespace chronolin {
namespace {

bool StartsWith(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// "1#.2#." or "1#.2": each index followed by "#.", the last one may stand alone.
std::vector<std::int32_t> ParseIndexes(const std::string& part) {
  std::vector<std::int32_t> indexes;
  std::size_t start = 0;
  while (start < part.size()) {
    std::size_t end = part.find("#.", start);
    if (end == std::string::npos) end = part.size();
    const std::string piece = part.substr(start, end - start);
    std::int32_t index = 0;
    const char* first = piece.data();
    const char* last = piece.data() + piece.size();
    if (first != last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, index);
    if (piece.empty() || ec != std::errc() || ptr != last) {
      throw ReportError(Format("'%s' is not a valid integer value", piece.c_str()));
    }
    indexes.push_back(index);
    start = end + 2;
  }
  return indexes;
}

}  // namespace

std::string TagDataSetName(const std::string& tag) {
  std::string rest = StartsWith(tag, "##") ? tag.substr(2) : tag;
  return rest.substr(0, rest.find("##"));
}

Variant MemoText(const Variant& value) {
  std::string text = value.IsNull() ? std::string() : value.ToString();
  std::erase(text, '\r');
  return Variant::FromString(std::move(text));
}

IXlsDataSet& TCustomReport::RequireDataSet(const std::string& name) {
  IXlsDataSet* dataSet = GetDataSet(name);
  if (dataSet == nullptr) throw ReportError(Format(report_msg::kDataSetNotFound, name.c_str()));
  return *dataSet;
}

TOneBandValue TCustomReport::ParseValue(RunData& run, const Variant& value, std::int32_t column,
                                        std::int32_t xf) {
  TOneBandValue parsed;
  parsed.Column = column;
  parsed.XF = xf;
  parsed.Value = value;
  if (!value.IsText()) return parsed;
  const std::string text = value.ToString();
  if (StartsWith(text, "##")) {
    parsed.Text = text;
    const std::string rest = text.substr(2);
    const std::size_t nameEnd = rest.find("##");
    const std::string dataSetName = rest.substr(0, nameEnd);
    std::string fieldName;
    if (nameEnd != std::string::npos) {
      fieldName = rest.substr(nameEnd + 2);
      fieldName = fieldName.substr(0, fieldName.find("##"));
    }
    IXlsDataSet& dataSet = RequireDataSet(dataSetName);
    if (fieldName == "*") {
      parsed.Kind = TBandValueKind::FullDataSet;
      return parsed;
    }
    OpenDataSet(run, dataSet);
    parsed.Field = dataSet.FieldByName(fieldName);
    parsed.Kind = TBandValueKind::Field;
  } else if (StartsWith(text, "#.")) {
    parsed.Text = text;
    const std::string rest = text.substr(2);
    const std::size_t nameEnd = rest.find("#.");
    parsed.PropName = rest.substr(0, nameEnd);
    if (nameEnd != std::string::npos) parsed.Index = rest.substr(nameEnd + 2);
    if (const TProp* named = values_.Find(parsed.PropName)) {
      parsed.Kind = TBandValueKind::NamedValue;
      parsed.Value = named->Value;
    } else {
      parsed.PropInfo = GetPropertyInfo(parsed.PropName);
      if (parsed.PropInfo == nullptr) {
        throw ReportError(Format(report_msg::kPropertyNotDefined, parsed.PropName.c_str()));
      }
      parsed.Kind = TBandValueKind::Property;
    }
  }
  return parsed;
}

Variant TCustomReport::EvaluateValue(RunData& run, const TOneBandValue& value, std::int32_t row) {
  switch (value.Kind) {
    case TBandValueKind::Constant:
      return value.Value;
    case TBandValueKind::Field: {
      IXlsField& field = *value.Field;
      IXlsDataSet* dataSet = field.DataSet();
      Variant result;
      if (dataSet == nullptr || !dataSet->Eof()) {
        if (field.IsDateTime()) {
          // Written as a number, so the cell's own format shows it.
          const Variant v = field.Value();
          if (!v.IsEmpty() && !v.IsNull()) result = Variant::FromDouble(v.ToDouble());
        } else if (field.IsMemo()) {
          result = MemoText(field.Value());
        } else {
          result = field.Value();
        }
      }
      if (OnGetCellValue) OnGetCellValue(this, value.Text, result);
      return result;
    }
    case TBandValueKind::FullDataSet:
      run.fullDataSets.push_back(TFullDataSet{value.Text, row, value.Column});
      return {};
    case TBandValueKind::NamedValue:
    case TBandValueKind::Property: {
      Variant result;
      if (value.Kind == TBandValueKind::NamedValue) {
        result = value.Value;
      } else {
        try {
          result = GetPropertyValue(*value.PropInfo);
        } catch (...) {
          throw ReportError(Format(report_msg::kPropertyNotVariant, value.PropName.c_str()));
        }
      }
      if (result.IsArray()) result = IndexedValue(result, value);
      if (OnGetCellValue) OnGetCellValue(this, value.Text, result);
      if (result.Type() == VarType::Date) result = Variant::FromDouble(result.ToDouble());
      return result;
    }
  }
  return {};
}

Variant TCustomReport::IndexedValue(const Variant& value, const TOneBandValue& tag) {
  const std::vector<std::int32_t> indexes = ParseIndexes(tag.Index);
  if (indexes.empty()) return value;
  const char* name = tag.PropName.c_str();
  auto checkBounds = [name](std::int32_t index, const ArrayBound& bound) {
    if (index < bound.low || index > bound.high) {
      throw ReportError(Format(report_msg::kIndexOutOfRange, index, name, bound.low, bound.high));
    }
  };

  const VariantArray& array = value.AsArray();
  const auto dimensions = static_cast<std::int32_t>(array.DimensionCount());
  if (dimensions == 1) {
    // Each index selects an element of what the previous one selected (arrays of arrays).
    Variant current = value;
    std::int32_t used = 0;
    for (std::int32_t index : indexes) {
      if (!current.IsArray() || current.AsArray().DimensionCount() != 1) {
        throw ReportError(Format(report_msg::kPropertyDimensions, name, used));
      }
      checkBounds(index, current.AsArray().Bounds()[0]);
      Variant element = current.AsArray().At({index});
      current = std::move(element);
      ++used;
    }
    return current;
  }

  if (static_cast<std::int32_t>(indexes.size()) > dimensions) {
    throw ReportError(Format(report_msg::kPropertyDimensions, name, dimensions));
  }
  // Index k applies to dimension k; a dimension without an index takes its first element.
  std::vector<std::int32_t> position(static_cast<std::size_t>(dimensions));
  for (std::size_t k = 0; k < position.size(); ++k) {
    const ArrayBound& bound = array.Bounds()[k];
    if (k < indexes.size()) {
      checkBounds(indexes[k], bound);
      position[k] = indexes[k];
    } else {
      position[k] = bound.low;
    }
  }
  return array.At(std::span<const std::int32_t>(position));
}

}  // namespace chronolin
