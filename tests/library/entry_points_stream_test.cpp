// The public file, random, time and log entries, called only through the public header.
#include <zelvo/zelvo.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "support/test_paths.h"

namespace {

std::string WriteScratchFile(const std::string& folder, const std::string& name, const std::string& bytes) {
  std::string path = folder + "/" + name;
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
  return path;
}

TEST(PublicStreams, ReadLinesBytesAndEndThroughTheLock) {
  std::string dir = zelvo_test::MakeScratchFolder("public_streams");
  std::string path = WriteScratchFile(dir, "lines.txt", "ab\r\ncd\r\nx");
  for (int async : {0, 1}) {
    intptr_t s = OpenReadStream(path.c_str(), async);
    ASSERT_NE(s, 0);
    char line[16];
    EXPECT_EQ(ReadStreamLine(line, sizeof line, s), 2);
    EXPECT_STREQ(line, "ab");
    EXPECT_EQ(ReadStreamLine(line, sizeof line, s), 2);
    EXPECT_STREQ(line, "cd");
    EXPECT_EQ(ReadStreamAtEnd(s), 0);
    EXPECT_EQ(ReadStreamByte(s), 'x');
    EXPECT_EQ(ReadStreamAtEnd(s), 1);
    EXPECT_EQ(ReadStreamByte(s), -1);
    EXPECT_EQ(CloseReadStream(s), 0);
  }
  zelvo_test::RemoveFolderTree(dir);
}

TEST(PublicStreams, MissingFileAndFailedHandles) {
  EXPECT_EQ(OpenReadStream("no\\such\\file.txt", 0), 0);
  // A handle that was never returned, including the failure value itself, is refused.
  EXPECT_EQ(CloseReadStream(0), -1);
  char line[8];
  EXPECT_EQ(ReadStreamLine(line, sizeof line, 0), -1);
}

TEST(PublicStreams, PathsThatAreNotRegularFilesFailAtOnce) {
  std::string dir = zelvo_test::MakeScratchFolder("public_streams_special");
  const std::string fifo = dir + "/pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0666), 0);
  ASSERT_EQ(mkdir((dir + "/folder").c_str(), 0777), 0);
  // Should an open wait for a writer after all, a writer comes after 30 s and the time check fails.
  auto seconds = [] {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec;
  };
  const time_t start = seconds();
  std::atomic<bool> done{false};
  std::thread rescue([&] {
    while (!done) {
      if (seconds() - start >= 30) {
        const int fd = open(fifo.c_str(), O_RDWR | O_NONBLOCK);
        if (fd >= 0) close(fd);
      }
      usleep(5000);
    }
  });
  for (const std::string& path : {fifo, dir + "/folder", std::string("/dev/zero")}) {
    for (int async : {0, 1}) EXPECT_EQ(OpenReadStream(path.c_str(), async), 0) << path << " " << async;
  }
  EXPECT_LT(seconds() - start, 30);
  done = true;
  rescue.join();
  zelvo_test::RemoveFolderTree(dir);
}

TEST(PublicStreams, The513thOpenStreamFailsAndTheOthersStillRead) {
  std::string dir = zelvo_test::MakeScratchFolder("public_streams_limit");
  std::vector<intptr_t> open;
  for (int i = 0; i < 512; ++i) {
    std::string path = WriteScratchFile(dir, "f" + std::to_string(i) + ".txt", std::to_string(i) + "\r\n");
    intptr_t s = OpenReadStream(path.c_str(), 0);
    ASSERT_NE(s, 0) << i;
    open.push_back(s);
  }
  std::string extra = WriteScratchFile(dir, "extra.txt", "x");
  EXPECT_EQ(OpenReadStream(extra.c_str(), 0), 0);
  for (int i = 0; i < 512; ++i) {
    char line[16];
    ASSERT_EQ(ReadStreamLine(line, sizeof line, open[i]), static_cast<int>(std::to_string(i).size()));
    EXPECT_EQ(std::string(line), std::to_string(i));
    EXPECT_EQ(CloseReadStream(open[i]), 0);
  }
  zelvo_test::RemoveFolderTree(dir);
}

TEST(PublicHelpers, RandomTimeAndLogSwitch) {
  EXPECT_EQ(RandomUpTo(0), 0);
  for (int i = 0; i < 1000; ++i) {
    int r = RandomUpTo(6);
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 6);
  }
  int t0 = GetTickMilliseconds(0);
  int t1 = GetTickMilliseconds(0);
  EXPECT_GT(static_cast<unsigned>(t1 - t0), 0u);  // the virtual clock moves on every query
  ZelvoDateTime now{};
  EXPECT_EQ(GetLocalDateTime(&now), 0);
  EXPECT_GE(now.Year, 2024);
  EXPECT_GE(now.Month, 1);
  EXPECT_LE(now.Month, 12);
  EXPECT_EQ(SetLogFileEnabled(0), 0);
  EXPECT_EQ(SetLogFileEnabled(1), 0);
}

}  // namespace
