// Threads are lined up deterministically: each next thread starts only once the previous one is
// seen parked in the queue, so arrival order is known whatever the scheduler does.
#include "media/core/library_lock.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "tests/support/poll_until.h"

namespace zelvo {
namespace {

void WaitForWaiters(int count) {
  ASSERT_TRUE(testing_support::PollUntil([count] { return LibraryLockWaiterCount() == count; }))
      << "waiting for " << count << " queued threads, " << LibraryLockWaiterCount() << " queued";
}

// Served order, appended only by the thread that holds the lock.
struct ServedOrder {
  std::vector<int> ids;
  void TakeRecordRelease(int id) {
    TakeLibraryLock();
    ids.push_back(id);
    ReleaseLibraryLock();
  }
};

TEST(LibraryLock, ReentryNeedsEveryReleaseBeforeAnotherThreadGetsIn) {
  ServedOrder order;
  TakeLibraryLock();
  TakeLibraryLock();
  ReleaseLibraryLock();
  std::thread other([&] { order.TakeRecordRelease(1); });
  WaitForWaiters(1);   // still held after one of two releases: the other thread queues
  order.ids.push_back(0);
  ReleaseLibraryLock();
  other.join();
  EXPECT_EQ(order.ids, (std::vector<int>{0, 1}));
  EXPECT_EQ(LibraryLockWaiterCount(), 0);
}

TEST(LibraryLock, WaitersAreServedInArrivalOrder) {
  ServedOrder order;
  TakeLibraryLock();
  std::vector<std::thread> threads;
  for (int id = 1; id <= 3; ++id) {
    threads.emplace_back([&order, id] { order.TakeRecordRelease(id); });
    WaitForWaiters(id);
  }
  ReleaseLibraryLock();
  for (std::thread& t : threads) {
    t.join();
  }
  EXPECT_EQ(order.ids, (std::vector<int>{1, 2, 3}));
}

TEST(LibraryLock, NewcomerQueuesBehindAWokenHead) {
  ServedOrder order;
  TakeLibraryLock();
  std::thread first([&] { order.TakeRecordRelease(1); });
  WaitForWaiters(1);
  // The release wakes the head; taking again at once must not overtake it.
  ReleaseLibraryLock();
  order.TakeRecordRelease(0);
  first.join();
  EXPECT_EQ(order.ids, (std::vector<int>{1, 0}));
}

TEST(LibraryLock, NoYieldReleaseHandsOverToTheHead) {
  ServedOrder order;
  TakeLibraryLock();
  std::thread first([&] { order.TakeRecordRelease(1); });
  WaitForWaiters(1);
  ReleaseLibraryLockNoYield();
  first.join();
  EXPECT_EQ(order.ids, (std::vector<int>{1}));
}

TEST(LibraryLock, MessageThreadVariantGivesUpAtOnceWhenAlreadyClosed) {
  int closed = 1;
  TakeLibraryLock();
  int result = -1;
  std::thread message([&] { result = TakeLibraryLockUnlessClosed(&closed); });
  message.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(LibraryLockWaiterCount(), 0);
  ReleaseLibraryLock();
  std::atomic_ref<int>(closed).store(0);
  EXPECT_EQ(TakeLibraryLockUnlessClosed(&closed), 1);   // free lock: taken even by the variant
  ReleaseLibraryLockNoYield();
}

TEST(LibraryLock, MessageThreadAtTheHeadLeavesAndWakesTheNext) {
  int closed = 0;
  ServedOrder order;
  TakeLibraryLock();
  int result = -1;
  std::thread message([&] {
    result = TakeLibraryLockUnlessClosed(&closed);
    if (result == 1) {
      ReleaseLibraryLockNoYield();
    }
  });
  WaitForWaiters(1);
  std::thread second([&] { order.TakeRecordRelease(2); });
  WaitForWaiters(2);
  std::atomic_ref<int>(closed).store(1);
  ReleaseLibraryLock();
  message.join();
  second.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(order.ids, (std::vector<int>{2}));
  EXPECT_EQ(LibraryLockWaiterCount(), 0);
}

// Queued in the middle, the message thread notices the closed flag within its 1000 ms wait slice
// and leaves without disturbing the order of the others.
TEST(LibraryLock, MessageThreadInTheMiddleLeavesTheQueue) {
  int closed = 0;
  ServedOrder order;
  TakeLibraryLock();
  std::thread first([&] { order.TakeRecordRelease(1); });
  WaitForWaiters(1);
  int result = -1;
  std::atomic<bool> gaveUp{false};
  std::thread message([&] {
    result = TakeLibraryLockUnlessClosed(&closed);
    gaveUp = true;
  });
  WaitForWaiters(2);
  std::thread third([&] { order.TakeRecordRelease(3); });
  WaitForWaiters(3);
  std::atomic_ref<int>(closed).store(1);
  // The waiter sees the close at the end of its current slice, as time goes on.
  EXPECT_TRUE(testing_support::PollUntil([&] { return gaveUp.load(); }));
  message.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(LibraryLockWaiterCount(), 2);
  ReleaseLibraryLock();
  first.join();
  third.join();
  EXPECT_EQ(order.ids, (std::vector<int>{1, 3}));
}

// Threads with small stacks, so that a full queue of 4096 stays cheap.
struct SmallThread {
  pthread_t thread{};
  static void* Run(void* argument) {
    (*static_cast<std::function<void()>*>(argument))();
    return nullptr;
  }
};

TEST(LibraryLock, ArrivalsBeyondAFullQueuePollUntilASlotFrees) {
  constexpr int kQueueSize = 4096;
  std::atomic<int> served{0};
  std::function<void()> body = [&] {
    TakeLibraryLock();
    served.fetch_add(1, std::memory_order_relaxed);
    ReleaseLibraryLock();
  };
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 256 * 1024);
  std::vector<pthread_t> threads(kQueueSize + 2);

  TakeLibraryLock();
  for (int i = 0; i < kQueueSize; ++i) {
    ASSERT_EQ(pthread_create(&threads[i], &attributes, SmallThread::Run, &body), 0);
  }
  WaitForWaiters(kQueueSize);
  // Two more arrivals find the queue full: they poll instead of queueing.
  for (int i = kQueueSize; i < kQueueSize + 2; ++i) {
    ASSERT_EQ(pthread_create(&threads[i], &attributes, SmallThread::Run, &body), 0);
  }
  for (int spin = 0; spin < 1000; ++spin) {
    std::this_thread::yield();
  }
  EXPECT_EQ(LibraryLockWaiterCount(), kQueueSize);
  EXPECT_EQ(served.load(), 0);
  ReleaseLibraryLock();
  for (pthread_t& t : threads) {
    pthread_join(t, nullptr);
  }
  pthread_attr_destroy(&attributes);
  EXPECT_EQ(served.load(), kQueueSize + 2);
  EXPECT_EQ(LibraryLockWaiterCount(), 0);
}

TEST(LibraryLock, WorksAgainAfterClosing) {
  TakeLibraryLock();
  ReleaseLibraryLock();
  CloseLibraryLock();
  EXPECT_EQ(LibraryLockWaiterCount(), 0);
  ServedOrder order;
  TakeLibraryLock();
  std::thread other([&] { order.TakeRecordRelease(1); });
  WaitForWaiters(1);
  ReleaseLibraryLock();
  other.join();
  EXPECT_EQ(order.ids, (std::vector<int>{1}));
  CloseLibraryLock();
}

TEST(LibraryLock, StrayReleaseOfAFreeLockChangesNothing) {
  ReleaseLibraryLock();
  ServedOrder order;
  TakeLibraryLock();
  std::thread other([&] { order.TakeRecordRelease(1); });
  WaitForWaiters(1);   // the stray release did not leave the lock free under its owner
  ReleaseLibraryLock();
  other.join();
  EXPECT_EQ(order.ids, (std::vector<int>{1}));
}

}  // namespace
}  // namespace zelvo
