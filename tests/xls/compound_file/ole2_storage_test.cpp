// The open document: where and when a written document appears, what a failed save leaves,
// what read mode refuses, and sub-storages and streams in read mode.
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cfb_test_support.h"
#include "xls/compound_file/ole2_storage.h"
#include "xls/compound_file/xls_error.h"
#include "xls/compound_file/xls_storage.h"

namespace chronolin {
namespace {

using namespace cfbtest;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

void WriteSample(TOle2Storage& storage) {
  TOle2Stream(storage, u"First").Write(Bytes{1, 2, 3});
  TOle2SubStorage sub(storage, u"Folder");
  TOle2Stream(storage, u"Inner").Write(Bytes(5000, 9));
}
const StreamMap kSample = {{"First", SizeCrc({1, 2, 3})},
                           {"Folder/Inner", SizeCrc(Bytes(5000, 9))}};

TEST(Ole2Storage, FileTargetIsCreatedExclusivelyAndFilledWhenFinished) {
  ScratchDir dir;
  WriteBytes(dir / "taken.xls", {'k'});
  EXPECT_THAT([&] { TOle2Storage(dir / "taken.xls", TOle2Mode::Write); },
              ThrowsMessage<XlsError>(
                  ::testing::StartsWith("Can't create file \"" + dir / "taken.xls" + "\"")));
  EXPECT_EQ(ReadBytes(dir / "taken.xls"), Bytes{'k'});
  for (const char* name : {"finished.xls", "destroyed.xls"}) {
    {
      TOle2Storage storage(dir / name, TOle2Mode::Write);
      WriteSample(storage);
      if (name[0] == 'f') storage.Finish();
    }
    if (name[0] == 'd') {
      // Only Finish writes: the file created for an unfinished storage goes away with it.
      EXPECT_FALSE(std::filesystem::exists(dir / name));
      continue;
    }
    TXlsStorageList list;
    list.LoadFromFile(dir / name);
    EXPECT_EQ(Flatten(list), kSample) << name;
  }
}

TEST(Ole2Storage, ByteTargetsReceiveTheDocumentOnlyWhenFinished) {
  Bytes bytes = {0xAA};  // what the caller had stays in front
  std::ostringstream stream, dropped;
  {
    TOle2Storage to_bytes(bytes), to_stream(stream), unfinished(dropped);
    WriteSample(to_bytes);
    WriteSample(to_stream);
    WriteSample(unfinished);
    EXPECT_EQ(bytes.size(), 1u);
    to_bytes.Finish();
    EXPECT_TRUE(stream.str().empty());
    to_stream.Finish();
  }
  EXPECT_TRUE(dropped.str().empty());
  const std::string streamed = stream.str();
  EXPECT_EQ(Bytes(bytes.begin() + 1, bytes.end()), Bytes(streamed.begin(), streamed.end()));
  TXlsStorageList list;
  list.LoadFromMemory(Bytes(streamed.begin(), streamed.end()), "memory");
  EXPECT_EQ(Flatten(list), kSample);
}

// A save that fails part way must not leave a document that looks complete.
TEST(Ole2Storage, FailedSaveLeavesNoDocument) {
  ScratchDir dir;
  Bytes bytes;
  try {
    TOle2Storage to_file(dir / "failed.xls", TOle2Mode::Write), to_bytes(bytes);
    WriteSample(to_file);
    WriteSample(to_bytes);
    throw std::runtime_error("records could not be written");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "failed.xls"));
  EXPECT_TRUE(bytes.empty());
  TXlsStorageList list;  // a failure inside the storage: names equal but for case
  list.Add(u"Workbook").Data().assign(3, 1);
  list.Add(u"WORKBOOK").Data().assign(3, 2);
  EXPECT_THROW(list.SaveToFile(dir / "failed.xls", Bytes{1}), XlsError);
  EXPECT_FALSE(std::filesystem::exists(dir / "failed.xls"));
}

TEST(Ole2Storage, ReadModeRefusesWhatIsNotACompoundDocument) {
  ScratchDir dir;
  WriteBytes(dir / "text.xls", {'h', 'e', 'l', 'l', 'o'});
  for (const std::string& path : {dir / "missing.xls", dir / "text.xls", dir / ""}) {
    EXPECT_THAT([&] { TOle2Storage(path, TOle2Mode::Read); },
                ThrowsMessage<XlsError>(StrEq("The file \"" + path + "\" is invalid")));
  }
  EXPECT_FALSE(IsCompoundFile(dir / "text.xls"));
  EXPECT_TRUE(IsCompoundFile(FixturePaths().front()));
  TOle2Storage writing(dir / "new.xls", TOle2Mode::Write);  // write-only until finished
  EXPECT_THAT([&] { writing.ListElements(); },
              ThrowsMessage<XlsError>(StrEq("Can't read file \"" + dir / "new.xls" + "\"")));
}

TEST(Ole2Storage, ReadModeSubStoragesAndStreams) {
  Bytes bytes;
  {
    TOle2Storage storage(bytes);
    WriteSample(storage);
    storage.Finish();
  }
  TOle2Storage storage(bytes, "sample.xls");
  EXPECT_THAT([&] { storage.EnterStorage(u"Nowhere"); },
              ThrowsMessage<XlsError>(StrEq("Storage \"Nowhere\" not found")));
  EXPECT_THROW(storage.EnterStorage(u"First"), XlsError);  // a stream
  EXPECT_THROW(storage.LeaveStorage(), XlsError);          // nothing was entered
  {
    TOle2SubStorage sub(storage, u"Folder");
    ASSERT_EQ(storage.ListElements().size(), 1u);
    EXPECT_EQ(storage.ListElements()[0].size, 5000u);
    EXPECT_THROW(TOle2Stream(storage, u"First"), XlsError);  // not in this storage
  }
  EXPECT_EQ(storage.ListElements().size(), 2u);  // back at the root
  TOle2Stream stream(storage, u"First");
  uint8_t buffer[8] = {};
  stream.Seek(1, std::ios_base::beg);
  EXPECT_EQ(stream.Read(buffer, sizeof buffer), 2u);
  EXPECT_EQ(buffer[0], 2);
  EXPECT_THROW(stream.Seek(-4, std::ios_base::end), XlsError);
  EXPECT_THROW(stream.Write(buffer, 1), XlsError);
}

}  // namespace
}  // namespace chronolin
