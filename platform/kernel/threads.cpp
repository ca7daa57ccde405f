// Threads: CreateThread, small stable thread ids, exit codes.
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/kernel_testing.h"

#include <atomic>
#include <system_error>
#include <thread>

namespace pf {
namespace {

struct ThreadObject : Waitable {
  ThreadObject() : Waitable(ObjectKind::kThread, true, false) {}
  std::uint32_t id = 0;
  std::uint32_t exitCode = kStillActive;
};

// Ids count up from 1 in the order threads first ask for one (or are created); 0 is never used.
std::atomic<std::uint32_t> nextThreadId{1};
thread_local std::uint32_t currentThreadId = 0;

void RunThread(const std::shared_ptr<ThreadObject>& thread, ThreadProc proc, void* argument) {
  currentThreadId = thread->id;
  std::uint32_t code = proc(argument);
  {
    std::lock_guard<std::mutex> lock(thread->mutex);
    thread->exitCode = code;
    thread->signalled = true;
  }
  thread->changed.notify_all();
}

}  // namespace

std::uint32_t GetCurrentThreadId() {
  if (currentThreadId == 0) currentThreadId = nextThreadId.fetch_add(1, std::memory_order_relaxed);
  return currentThreadId;
}

Handle CreateThread(ThreadProc proc, void* argument, std::uint32_t* threadId) {
  if (proc == nullptr || testing::ShouldFail("CreateThread")) return nullptr;
  auto thread = std::make_shared<ThreadObject>();
  thread->id = nextThreadId.fetch_add(1, std::memory_order_relaxed);
  Handle handle = kernel_objects::Register(thread);
  try {
    std::thread([thread, proc, argument] { RunThread(thread, proc, argument); }).detach();
  } catch (const std::system_error&) {
    kernel_objects::Unregister(handle);
    return nullptr;
  }
  if (threadId != nullptr) *threadId = thread->id;
  return handle;
}

bool GetExitCodeThread(Handle handle, std::uint32_t* code) {
  auto thread = kernel_objects::FindAs<ThreadObject>(handle, ObjectKind::kThread);
  if (thread == nullptr || code == nullptr) return false;
  std::lock_guard<std::mutex> lock(thread->mutex);
  *code = thread->exitCode;
  return true;
}

}  // namespace pf
