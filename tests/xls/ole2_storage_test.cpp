// The open-document semantics: read and write modes, where and when the finished document
// appears, sub-storages, and the byte stream over one element.
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/ole2_storage.h"
#include "xls/xls_error.h"
#include "xls/xls_storage.h"

namespace chronolin {
namespace {

using testing::StrEq;
using testing::ThrowsMessage;

void WriteSample(TOle2Storage& storage) {
  {
    TOle2Stream stream(storage, u"First");
    stream.Write(std::vector<uint8_t>{1, 2, 3});
  }
  TOle2SubStorage sub(storage, u"Folder");
  TOle2Stream inner(storage, u"Inner");
  inner.Write(std::vector<uint8_t>(5000, 9));
}

TEST(Ole2Storage, WriteModeRefusesAnExistingFileAndLeavesItAlone) {
  cfbtest::ScratchDir dir;
  const std::string path = dir / "exists.xls";
  cfbtest::WriteBytes(path, {'k', 'e', 'e', 'p'});
  EXPECT_THAT([&] { TOle2Storage storage(path, TOle2Mode::Write); },
              ThrowsMessage<XlsError>(testing::StartsWith("Can't create file \"" + path + "\"")));
  EXPECT_EQ(cfbtest::ReadBytes(path), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST(Ole2Storage, FileIsCompleteAfterFinishOrDestruction) {
  cfbtest::ScratchDir dir;
  for (bool explicit_finish : {true, false}) {
    const std::string path = dir / (explicit_finish ? "finished.xls" : "destroyed.xls");
    {
      TOle2Storage storage(path, TOle2Mode::Write);
      WriteSample(storage);
      if (explicit_finish) storage.Finish();
    }
    TXlsStorageList list;
    list.LoadFromFile(path);
    EXPECT_THAT(cfbtest::Flatten(list),
                testing::ElementsAre(testing::Pair("First", "3:1438416925"),
                                     testing::Pair("Folder/Inner", testing::StartsWith("5000:"))));
  }
}

TEST(Ole2Storage, ByteTargetsReceiveTheDocumentOnlyWhenFinished) {
  std::vector<uint8_t> bytes = {0xAA, 0xBB};  // what the caller had stays in front
  std::ostringstream stream;
  {
    TOle2Storage to_bytes(bytes);
    TOle2Storage to_stream(stream);
    WriteSample(to_bytes);
    WriteSample(to_stream);
    EXPECT_EQ(bytes.size(), 2u);
    EXPECT_TRUE(stream.str().empty());
    to_bytes.Finish();
    EXPECT_GT(bytes.size(), 2u);
    EXPECT_TRUE(stream.str().empty());
  }
  const std::string streamed = stream.str();
  ASSERT_FALSE(streamed.empty());
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 2, bytes.end()),
            std::vector<uint8_t>(streamed.begin(), streamed.end()));
  TXlsStorageList list;
  list.LoadFromMemory(std::vector<uint8_t>(bytes.begin() + 2, bytes.end()), "memory");
  EXPECT_EQ(list.Count(), 2u);
}

// A save that fails part way must not leave a document that looks complete.
TEST(Ole2Storage, FailedSaveLeavesNoDocument) {
  cfbtest::ScratchDir dir;
  const std::string path = dir / "failed.xls";
  std::vector<uint8_t> bytes;
  EXPECT_THROW(
      {
        TOle2Storage to_file(path, TOle2Mode::Write);
        TOle2Storage to_bytes(bytes);
        WriteSample(to_file);
        WriteSample(to_bytes);
        throw std::runtime_error("records could not be written");
      },
      std::runtime_error);
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(bytes.empty());
  // A failure inside the storage (a duplicate name) behaves the same.
  TXlsStorageList list;
  list.Add(u"Workbook").Data().assign(3, 1);
  list.Add(u"WORKBOOK").Data().assign(3, 2);
  EXPECT_THROW(list.SaveToFile(path, std::vector<uint8_t>{1}), XlsError);
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(Ole2Storage, ReadModeRefusesWhatIsNotACompoundDocument) {
  cfbtest::ScratchDir dir;
  cfbtest::WriteBytes(dir / "text.xls", {'h', 'e', 'l', 'l', 'o'});
  for (const std::string& path : {dir / "missing.xls", dir / "text.xls", dir / ""}) {
    EXPECT_THAT([&] { TOle2Storage storage(path, TOle2Mode::Read); },
                ThrowsMessage<XlsError>(StrEq("The file \"" + path + "\" is invalid")));
  }
  EXPECT_FALSE(IsCompoundFile(dir / "text.xls"));
  EXPECT_TRUE(IsCompoundFile(cfbtest::FixturePaths().front()));
}

TEST(Ole2Storage, WriteModeStorageCannotBeEnumerated) {
  cfbtest::ScratchDir dir;
  const std::string path = dir / "new.xls";
  TOle2Storage storage(path, TOle2Mode::Write);
  EXPECT_THAT([&] { storage.ListElements(); },
              ThrowsMessage<XlsError>(StrEq("Can't read file \"" + path + "\"")));
}

TEST(Ole2Storage, SubStoragesAndStreamsInReadMode) {
  std::vector<uint8_t> bytes;
  {
    TOle2Storage storage(bytes);
    WriteSample(storage);
  }
  TOle2Storage storage(bytes, "sample.xls");
  EXPECT_THAT([&] { storage.EnterStorage(u"Nowhere"); },
              ThrowsMessage<XlsError>(StrEq("Storage \"Nowhere\" not found")));
  EXPECT_THROW(storage.EnterStorage(u"First"), XlsError);  // a stream, not a storage
  EXPECT_THROW(storage.LeaveStorage(), XlsError);          // nothing entered: the root stays
  {
    TOle2SubStorage sub(storage, u"Folder");
    const std::vector<TOle2Element> elements = storage.ListElements();
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].name, u"Inner");
    EXPECT_EQ(elements[0].type, kOle2StreamElement);
    EXPECT_EQ(elements[0].size, 5000u);
    EXPECT_THROW(TOle2Stream(storage, u"First"), XlsError);  // not in this storage
  }
  EXPECT_EQ(storage.ListElements().size(), 2u);  // back at the root

  TOle2Stream stream(storage, u"First");
  EXPECT_EQ(stream.Size(), 3u);
  uint8_t buffer[8] = {};
  EXPECT_EQ(stream.Seek(1, std::ios_base::beg), 1u);
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 2u);
  EXPECT_EQ(buffer[0], 2);
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0u);
  EXPECT_EQ(stream.Seek(-3, std::ios_base::end), 0u);
  EXPECT_THROW(stream.Seek(-1, std::ios_base::cur), XlsError);
  EXPECT_THROW(stream.Write(buffer, 1), XlsError);  // read mode
}

TEST(Ole2Storage, StreamWritesAtItsPositionAndFillsGaps) {
  std::vector<uint8_t> bytes;
  {
    TOle2Storage storage(bytes);
    TOle2Stream stream(storage, u"S");
    stream.Write(std::vector<uint8_t>{1, 2, 3, 4});
    stream.Seek(1, std::ios_base::beg);
    stream.Write(std::vector<uint8_t>{9});
    stream.Seek(2, std::ios_base::end);
    stream.Write(std::vector<uint8_t>{7});
    EXPECT_EQ(stream.Size(), 7u);
  }
  TXlsStorageList list;
  list.LoadFromMemory(bytes, "m");
  EXPECT_EQ(list.FindStream(u"S"), (std::vector<uint8_t>{1, 9, 3, 4, 0, 0, 7}));
}

}  // namespace
}  // namespace chronolin
