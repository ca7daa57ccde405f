// Critical sections: a recursive mutex built in the caller's storage. glibc's recursive mutex takes
// and releases an uncontended lock with one atomic operation and no system call.
#include "platform/kernel/kernel.h"

#include <mutex>
#include <new>

namespace pf {
namespace {

static_assert(sizeof(std::recursive_mutex) <= sizeof(CriticalSection::storage));
static_assert(alignof(std::recursive_mutex) <= alignof(CriticalSection));

std::recursive_mutex& MutexOf(CriticalSection* section) {
  return *std::launder(reinterpret_cast<std::recursive_mutex*>(section->storage));
}

}  // namespace

void InitializeCriticalSection(CriticalSection* section) { new (section->storage) std::recursive_mutex; }

void EnterCriticalSection(CriticalSection* section) { MutexOf(section).lock(); }

void LeaveCriticalSection(CriticalSection* section) { MutexOf(section).unlock(); }

void DeleteCriticalSection(CriticalSection* section) { MutexOf(section).~recursive_mutex(); }

}  // namespace pf
