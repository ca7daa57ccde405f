#pragma once
// A scratch working folder per test, made the platform's current folder, with helpers to lay out
// files in it. Archives opened by a test are freed when it ends.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "media/core/archive_files.h"
#include "platform/kernel/kernel.h"
#include "support/test_paths.h"
#include "support/zva_writer.h"

namespace zelvo_test {

class FileLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeScratchFolderForCurrentTest();
    ASSERT_TRUE(pf::SetCurrentDirectory(pf::HostPathToWindows(folder_).c_str()));
  }
  void TearDown() override {
    zelvo::ResetArchiveState();
    RemoveFolderTree(folder_);
  }
  // `relative` uses slashes; folders are made as needed.
  std::string Put(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::path path = std::filesystem::path(folder_) / relative;
    std::filesystem::create_directories(path.parent_path());
    WriteFileBytes(path.string(), bytes);
    return path.string();
  }
  std::string Put(const std::string& relative, const std::string& text) { return Put(relative, BytesOf(text)); }

  std::string folder_;
};

}  // namespace zelvo_test
