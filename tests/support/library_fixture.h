#pragma once
// A fixture for tests that start the library: a scratch folder as the current (and start) folder,
// window mode and a title of its own, so parallel test processes never share a window class (and
// with it the single-instance lock). The log is read back as bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>

#include <zelvo/zelvo.h>

#include "support/test_paths.h"

namespace zelvo_test {

class LibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = MakeScratchFolder(std::string(info->test_suite_name()) + "_" + info->name());
    char saved[4096];
    savedFolder_ = getcwd(saved, sizeof saved) != nullptr ? saved : "/";
    ASSERT_EQ(chdir(folder_.c_str()), 0);
    std::snprintf(title_, sizeof title_, "zelvo-test-%d", static_cast<int>(getpid()));
    SwitchWindowMode(1);
    SetWindowTitleText(title_);
  }

  void TearDown() override {
    if (chdir(savedFolder_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << savedFolder_;
    RemoveFolderTree(folder_);
  }

  std::string ReadLog() const {
    std::ifstream in(folder_ + "/Log.txt", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // Each text must appear in the log after the one before it.
  static ::testing::AssertionResult InOrder(const std::string& log, std::initializer_list<const char*> texts) {
    std::size_t at = 0;
    for (const char* text : texts) {
      std::size_t found = log.find(text, at);
      if (found == std::string::npos) return ::testing::AssertionFailure() << "missing in order: " << text;
      at = found + 1;
    }
    return ::testing::AssertionSuccess();
  }

  std::string folder_;
  std::string savedFolder_;
  char title_[64] = {};
};

// A library started for each test and shut down after it.
class StartedLibraryTest : public LibraryTest {
 protected:
  void SetUp() override {
    LibraryTest::SetUp();
    ASSERT_EQ(StartUpLibrary(), 0);
  }
  void TearDown() override {
    EXPECT_EQ(ShutDownLibrary(), 0);
    LibraryTest::TearDown();
  }
};

}  // namespace zelvo_test
