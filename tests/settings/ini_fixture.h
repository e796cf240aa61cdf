#pragma once
// A fresh directory for a settings file, removed after the test.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "support/files.h"
#include "support/scratch_dir.h"

namespace chronolin {

class IniFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = std::make_unique<chronolin::testing::TempDir>();
    dir_ = scratch_->path();
  }
  void TearDown() override { scratch_.reset(); }

  std::filesystem::path Ini() const { return dir_ / "Chronolin.ini"; }
  void Put(std::string_view text) const { chronolin::testing::WriteFile(Ini(), std::string(text)); }
  std::string Slurp() const { return chronolin::testing::ReadFile(Ini()); }

  std::unique_ptr<chronolin::testing::TempDir> scratch_;
  std::filesystem::path dir_;
};

}  // namespace chronolin
