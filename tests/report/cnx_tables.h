// The export's two memory tables, shared by the table and report tests: entries (CnxList) and
// the connections of each entry (Cnx, its detail on "Name").
#pragma once

#include <gtest/gtest.h>

#include "report/data_module.h"
#include "report/mem_table.h"

namespace chronolin::test {

inline Variant S(const char* text) {
  return Variant::FromString(text);
}

struct CnxTables : ::testing::Test {
  CnxTables() {
    list.SetName("CnxList");
    list.Columns().Add("Name");
    cnx.SetName("Cnx");
    cnx.Columns().Add("Name");
    cnx.Columns().Add("Duree");
    cnx.SetMasterField("Name");
    cnx.SetMasterTable(&list);
  }
  TDataModule module;
  TMemTable list{&module};
  TMemTable cnx{&module};
};

}  // namespace chronolin::test
