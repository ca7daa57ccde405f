#pragma once
// Handles and the fixed-size tables behind them. A Handle is slot | type << 27 | check << 16 with
// bit 31 clear; every record starts with its 11-bit check number, so a handle to a freed and reused
// slot fails the check until the counter has wrapped.
#include <cstdint>
#include <cstring>

#include "media/core/log.h"

namespace zelvo {

enum HandleType : int {
  kHandleGraph = 1,
  kHandleSound = 2,
  kHandleMovie = 3,
  kHandleFont = 4,
  kHandleSurface2D = 5,
  kHandleTexture3D = 6,
  kHandleSurfaceData = 7,
  kHandleMask = 8,
  kHandleNetwork = 9,
  kHandleTextInput = 10,
  kHandleMusic = 11,
};

constexpr int kHandleTypeShift = 27;
constexpr int kHandleCheckShift = 16;
constexpr std::int32_t kHandleCheckMask = 0x07FF0000;
constexpr std::int32_t kHandleSlotMask = 0x0000FFFF;
constexpr int kCheckNumberLimit = 2048;

inline int MakeHandle(int slot, int type, int check) {
  return slot | (type << kHandleTypeShift) | (check << kHandleCheckShift);
}
inline int HandleTypeOf(int handle) { return (handle >> kHandleTypeShift) & 0xF; }
inline int HandleSlotOf(int handle) { return handle & kHandleSlotMask; }

// How a new record finds its slot.
enum SlotRule : int { kHighWaterSlot = 0, kFirstEmptySlot = 1 };

// Record types start with `std::int32_t check`; records freed with a lost-flag pointer set it to 1.
// The slot test of every table is slot < Size (for the 32768-slot tables that is "bit 15 clear",
// for the 65536-slot tables any slot passes).
template <typename Record, int Type, int Size, int Rule>
struct HandleTable {
  Record* slots[Size];
  int count;
  int highWater;   // one more than the highest occupied slot (high-water rule)
  int checkCounter;

  void Reset() { std::memset(this, 0, sizeof *this); }

  // The slot a new record takes, or -1 when there is none.
  int FreeSlot() const {
    if (count >= Size) return -1;
    if (Rule == kHighWaterSlot && highWater < Size) return highWater;
    for (int slot = 0; slot < Size; ++slot) {
      if (slots[slot] == nullptr) return slot;
    }
    return -1;
  }

  // Puts a zeroed record of the tracked allocator into `slot`; the handle, or -1 (with the
  // allocation failure logged) when there is no memory.
  int Occupy(int slot, Record** out) {
    Record* record = static_cast<Record*>(TrackedAllocZeroed(sizeof(Record), __FILE__, __LINE__));
    if (record == nullptr) {
      WriteLogText("メモリの確保に失敗しました\n");
      return -1;
    }
    slots[slot] = record;
    record->check = checkCounter;
    checkCounter = (checkCounter + 1) % kCheckNumberLimit;
    ++count;
    if (slot == highWater) ++highWater;
    if (out != nullptr) *out = record;
    return MakeHandle(slot, Type, record->check);
  }

  Record* Find(int handle) const {
    if (handle < 0 || HandleTypeOf(handle) != Type) return nullptr;
    const int slot = HandleSlotOf(handle);
    if (slot >= Size || slots[slot] == nullptr) return nullptr;
    if ((slots[slot]->check << kHandleCheckShift) != (handle & kHandleCheckMask)) return nullptr;
    return slots[slot];
  }

  int HandleOfSlot(int slot) const { return MakeHandle(slot, Type, slots[slot]->check); }

  // Frees the record of a valid handle (the caller has cleaned it up) and gives the slot back.
  void Free(int handle) {
    const int slot = HandleSlotOf(handle);
    Record* record = slots[slot];
    if (record->lostFlag != nullptr) *record->lostFlag = 1;
    TrackedFree(record);
    slots[slot] = nullptr;
    --count;
    if (highWater == slot + 1) {
      int top = slot;
      while (top > 0 && slots[top - 1] == nullptr) --top;
      highWater = count == 0 ? 0 : top;
    }
  }
};

}  // namespace zelvo
