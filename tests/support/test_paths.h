#pragma once
#include <gtest/gtest.h>

#include <string>

namespace zelvo_test {

// A fresh, empty folder under the build tree for one test; removed again by the caller's fixture.
std::string MakeScratchFolder(const std::string& name);
void RemoveFolderTree(const std::string& path);
// A fresh scratch folder named after the running test.
std::string MakeScratchFolderForCurrentTest();

// A test that runs in its own scratch folder as the platform's current folder; afterwards the fault
// switches are cleared, the current folder goes back to the root and the folder is removed.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string root_;
};

}  // namespace zelvo_test
