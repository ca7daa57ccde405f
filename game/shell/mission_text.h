#pragma once
// A mission text file: its pages of three rows, the pictures shown from a page on, the key tags
// that name the player's own keys, and the typing of a page row by row.
#include <cstdint>

namespace horundel {

constexpr int kTextPictureCapacity = 10;
constexpr int kTextRowCapacity = 50;
constexpr int kTextPageCapacity = kTextRowCapacity / 3;   // 16 full pages
constexpr int kRowsPerPage = 3;
constexpr int kTextRowBytes = 512;   // a row after its key tags are written out, with its NUL
constexpr int kTextPathBytes = 200;
constexpr int kSkipShownBytes = 64;  // a skipped page shows each row up to this many bytes

struct TextPicture {
  int used;
  int handle;
  float x;
  float y;
  float scale;
  float angle;
  int mirror;
  int firstPage;
  int keepScale;
  char path[kTextPathBytes];
};

struct TextRow {
  int length;
  char text[kTextRowBytes];
};

struct MissionText {
  int lastPage;
  TextPicture pictures[kTextPictureCapacity];
  TextRow rows[kTextRowCapacity];
};

// Reads the file from an open read stream. Pages past the capacity, pictures past the capacity and
// rows past the end of the file are dropped (missing rows stay empty); -1 when the header does not
// give a page to show.
int ReadMissionText(intptr_t stream, MissionText* text);

// Writes out every "@B" key tag of every row with the key and pad button of its action.
void ExpandKeyTags(MissionText* text);
// The same for one row; returns the new length. Exposed for tests.
int ExpandRowKeyTags(char* row, int length, int capacity);

// The bytes of a row of `length` bytes that are whole characters within the first `shown` bytes.
int WholeCharacterPrefix(const char* row, int length, int shown);

struct TypingState {
  int page;
  int shown[kRowsPerPage];
  int done[kRowsPerPage];
  int pageFinished;
  int delay;
};

void StartTyping(TypingState* typing);
// One frame of typing: one double-byte character every second frame, row after row.
void StepTyping(const MissionText& text, TypingState* typing);
// Confirm or cancel: finishes the page, or turns to the next one. Returns 1 when the last page was
// already finished, which ends the conversation.
int AdvanceTyping(const MissionText& text, TypingState* typing);

}  // namespace horundel
