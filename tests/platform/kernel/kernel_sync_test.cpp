// Threads, events, waits and critical sections.
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

struct Handshake {
  pf::Handle started;
  pf::Handle proceed;
  std::uint32_t seenId = 0;
};

std::uint32_t WaitForGoAhead(void* argument) {
  auto* handshake = static_cast<Handshake*>(argument);
  handshake->seenId = pf::GetCurrentThreadId();
  pf::SetEvent(handshake->started);
  pf::WaitForSingleObject(handshake->proceed, pf::kInfinite);
  return 42;
}

TEST(KernelThreads, ExitCodeIdAndSignalOnEnd) {
  Handshake handshake{pf::CreateEvent(true, false), pf::CreateEvent(true, false)};
  std::uint32_t id = 0;
  pf::Handle thread = pf::CreateThread(WaitForGoAhead, &handshake, &id);
  ASSERT_NE(thread, nullptr);
  ASSERT_EQ(pf::WaitForSingleObject(handshake.started, pf::kInfinite), pf::kWaitObject0);

  std::uint32_t code = 0;
  ASSERT_TRUE(pf::GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, pf::kStillActive);
  EXPECT_EQ(pf::WaitForSingleObject(thread, 0), pf::kWaitTimeout);
  EXPECT_EQ(handshake.seenId, id);
  EXPECT_NE(id, pf::GetCurrentThreadId());
  EXPECT_NE(id, 0u);

  pf::SetEvent(handshake.proceed);
  EXPECT_EQ(pf::WaitForSingleObject(thread, pf::kInfinite), pf::kWaitObject0);
  EXPECT_EQ(pf::WaitForSingleObject(thread, 0), pf::kWaitObject0);  // stays signalled
  ASSERT_TRUE(pf::GetExitCodeThread(thread, &code));
  EXPECT_EQ(code, 42u);

  EXPECT_TRUE(pf::CloseHandle(thread));
  EXPECT_TRUE(pf::CloseHandle(handshake.started));
  EXPECT_TRUE(pf::CloseHandle(handshake.proceed));
}

TEST(KernelThreads, IdsAreSmallAndStable) {
  const std::uint32_t id = pf::GetCurrentThreadId();
  EXPECT_GT(id, 0u);
  EXPECT_LT(id, 1000u);
  EXPECT_EQ(pf::GetCurrentThreadId(), id);
}

TEST(KernelEvents, AutoResetReleasesOneWaitManualStaysSet) {
  pf::Handle autoEvent = pf::CreateEvent(false, true);
  EXPECT_EQ(pf::WaitForSingleObject(autoEvent, 0), pf::kWaitObject0);
  EXPECT_EQ(pf::WaitForSingleObject(autoEvent, 0), pf::kWaitTimeout);
  pf::SetEvent(autoEvent);
  EXPECT_EQ(pf::WaitForSingleObject(autoEvent, 5), pf::kWaitObject0);

  pf::Handle manual = pf::CreateEvent(true, false);
  EXPECT_EQ(pf::WaitForSingleObject(manual, 0), pf::kWaitTimeout);
  pf::SetEvent(manual);
  EXPECT_EQ(pf::WaitForSingleObject(manual, 0), pf::kWaitObject0);
  EXPECT_EQ(pf::WaitForSingleObject(manual, 0), pf::kWaitObject0);
  pf::ResetEvent(manual);
  EXPECT_EQ(pf::WaitForSingleObject(manual, 0), pf::kWaitTimeout);
  pf::CloseHandle(autoEvent);
  pf::CloseHandle(manual);
}

TEST(KernelHandles, InvalidAndClosedHandlesFail) {
  pf::Handle event = pf::CreateEvent(true, true);
  ASSERT_TRUE(pf::CloseHandle(event));
  EXPECT_FALSE(pf::CloseHandle(event));
  EXPECT_FALSE(pf::SetEvent(event));
  EXPECT_EQ(pf::WaitForSingleObject(event, 0), pf::kWaitFailed);
  EXPECT_FALSE(pf::CloseHandle(nullptr));
  EXPECT_FALSE(pf::CloseHandle(pf::kInvalidHandle));
  EXPECT_EQ(pf::WaitForSingleObject(nullptr, 0), pf::kWaitFailed);
}

TEST(KernelFaults, CreateThreadAndCreateEventHonourSwitches) {
  pf::testing::FailNextCalls("CreateEvent", 2);
  EXPECT_EQ(pf::CreateEvent(true, false), nullptr);
  EXPECT_EQ(pf::CreateEvent(true, false), nullptr);
  pf::Handle event = pf::CreateEvent(true, false);
  EXPECT_NE(event, nullptr);
  pf::CloseHandle(event);

  pf::testing::FailNextCalls("CreateThread", 1);
  EXPECT_EQ(pf::CreateThread([](void*) -> std::uint32_t { return 0; }, nullptr, nullptr), nullptr);

  pf::testing::FailNextCalls("CreateEvent", 5);
  pf::testing::ClearFaults();
  EXPECT_FALSE(pf::testing::ShouldFail("CreateEvent"));
  pf::testing::FailNextCalls("Other", 1);
  EXPECT_FALSE(pf::testing::ShouldFail("CreateEvent"));
  EXPECT_TRUE(pf::testing::ShouldFail("Other"));
  EXPECT_FALSE(pf::testing::ShouldFail("Other"));
}

struct Counter {
  pf::CriticalSection section;
  pf::Handle ready;
  long value = 0;
};

std::uint32_t AddUnderSection(void* argument) {
  auto* counter = static_cast<Counter*>(argument);
  pf::WaitForSingleObject(counter->ready, pf::kInfinite);
  for (int i = 0; i < 20000; ++i) {
    pf::EnterCriticalSection(&counter->section);
    pf::EnterCriticalSection(&counter->section);  // recursion by the owner
    ++counter->value;
    pf::LeaveCriticalSection(&counter->section);
    pf::LeaveCriticalSection(&counter->section);
  }
  return 0;
}

TEST(KernelCriticalSection, RecursiveAndExclusive) {
  Counter counter;
  pf::InitializeCriticalSection(&counter.section);
  counter.ready = pf::CreateEvent(true, false);
  pf::Handle threads[4];
  for (pf::Handle& thread : threads) thread = pf::CreateThread(AddUnderSection, &counter, nullptr);
  pf::SetEvent(counter.ready);
  for (pf::Handle thread : threads) {
    ASSERT_EQ(pf::WaitForSingleObject(thread, pf::kInfinite), pf::kWaitObject0);
    pf::CloseHandle(thread);
  }
  EXPECT_EQ(counter.value, 4 * 20000);
  pf::CloseHandle(counter.ready);
  pf::DeleteCriticalSection(&counter.section);
}

std::uint32_t SetAfterStart(void* argument) {
  pf::SetEvent(static_cast<pf::Handle>(argument));
  return 7;
}

TEST(KernelEvents, CloseWhileThreadStillHoldsHandleIsSafe) {
  pf::Handle event = pf::CreateEvent(false, false);
  pf::Handle thread = pf::CreateThread(SetAfterStart, event, nullptr);
  ASSERT_EQ(pf::WaitForSingleObject(event, pf::kInfinite), pf::kWaitObject0);
  pf::CloseHandle(thread);  // closing the handle does not stop or free the running thread
  pf::CloseHandle(event);
}

}  // namespace
