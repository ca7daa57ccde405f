#include "game/shell/mission_text.h"

#include <cstdio>
#include <cstring>

#include <zelvo/zelvo.h>

#include "game/battle/data/game_tables.h"
#include "game/battle/data/shell_services.h"
#include "game/battle/data/text_fields.h"

namespace horundel {

namespace {

constexpr int kHeaderLineBytes = 200;
constexpr int kSeparatorLineBytes = 100;
constexpr int kRowLineBytes = 80;
constexpr int kKeyTagBytes = 5;
// Lines are read whole up to this size and then cut to their field's size, so an over-long line
// loses its end instead of spilling into the lines after it.
constexpr int kLineReadBytes = 1024;

bool IsLeadByte(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Bytes of the character at i; a lead byte with nothing after it stands alone.
int CharacterBytes(const char* text, int i, int length) {
  return IsLeadByte(text[i]) && i + 1 < length ? 2 : 1;
}

// Appends the whole characters of src that fit, leaving room for the NUL; false when some did not.
bool AppendWhole(char* dst, int* dstLength, int capacity, const char* src, int srcLength) {
  int i = 0;
  bool whole = true;
  while (i < srcLength) {
    const int step = CharacterBytes(src, i, srcLength);
    if (*dstLength + step > capacity - 1) {
      whole = false;
      break;
    }
    std::memcpy(dst + *dstLength, src + i, static_cast<std::size_t>(step));
    *dstLength += step;
    i += step;
  }
  dst[*dstLength] = '\0';
  return whole;
}

// One line of the file, cut to at most size - 1 bytes of whole characters; -1 at the end.
int ReadCutLine(intptr_t stream, char* line, int size) {
  char whole[kLineReadBytes];
  const int read = ReadStreamLine(whole, kLineReadBytes, stream);
  if (read < 0) return -1;
  int length = 0;
  AppendWhole(line, &length, size, whole, static_cast<int>(strnlen(whole, kLineReadBytes - 1)));
  return length;
}

// A tag's fifth character picks the action: '0'..'8' melee to the equipment screen, any other up.
int TagBindingEntry(char digit) {
  if (digit >= '0' && digit <= '8') return kKeyMelee + (digit - '0');
  return kKeyUp;
}

int FormatKeyText(int entry, char* out, int size) {
  const KeyBinding& binding = KeyBindings[entry];
  const int code = binding.keyCode >= 0 && binding.keyCode < 256 ? binding.keyCode : 0;
  const int written = std::snprintf(out, static_cast<std::size_t>(size), "（キーボード：%.*s　ゲームパッド：ボタン%d ）",
                                    kKeyNameBytes - 1, KeyNameTable[code], binding.padBit - 3);
  return written < 0 ? 0 : (written < size ? written : size - 1);
}

// A row as stored: the line's text up to its first NUL, without a lead byte left alone at its end.
void StoreRow(const char* line, TextRow* row) {
  int length = static_cast<int>(std::strlen(line));
  int i = 0;
  while (i < length) {
    const int step = CharacterBytes(line, i, length);
    if (step == 1 && IsLeadByte(line[i])) {
      length = i;
      break;
    }
    i += step;
  }
  std::memcpy(row->text, line, static_cast<std::size_t>(length));
  row->text[length] = '\0';
  row->length = length;
}

// "%f,%f,%f,%f,%d,%d,%d,%s": false when a number is missing. The path ends at the first blank.
bool ParsePictureLine(const char* line, TextPicture* picture) {
  TextField fields[7];
  if (ScanTextFields(line, "ffffddd", fields) != 7) return false;
  picture->x = fields[0].fraction;
  picture->y = fields[1].fraction;
  picture->scale = fields[2].fraction;
  picture->angle = fields[3].fraction;
  picture->mirror = fields[4].whole;
  picture->firstPage = fields[5].whole;
  picture->keepScale = fields[6].whole;
  const char* at = line;
  for (int commas = 0; commas < 7 && at != nullptr; ++commas) {
    at = std::strchr(at, ',');
    if (at != nullptr) ++at;
  }
  int length = 0;
  if (at != nullptr) {
    while (*at == ' ' || *at == '\t') ++at;
    while (at[length] != '\0' && at[length] != ' ' && at[length] != '\t' && length < kTextPathBytes - 1) ++length;
    std::memcpy(picture->path, at, static_cast<std::size_t>(length));
  }
  picture->path[length] = '\0';
  return true;
}

bool ReadHeaderNumber(intptr_t stream, int* value) {
  char line[kHeaderLineBytes];
  if (ReadCutLine(stream, line, kHeaderLineBytes) < 0) return false;
  TextField field;
  if (ScanTextFields(line, "d", &field) != 1) return false;
  *value = field.whole;
  return true;
}

}  // namespace

int ReadMissionText(intptr_t stream, MissionText* text) {
  std::memset(text, 0, sizeof *text);
  for (TextPicture& picture : text->pictures) picture.handle = -1;
  int lastPage = -1;
  int lastPicture = -1;
  if (!ReadHeaderNumber(stream, &lastPage) || !ReadHeaderNumber(stream, &lastPicture) || lastPage < 0) return -1;
  char line[kHeaderLineBytes];
  if (ReadCutLine(stream, line, kHeaderLineBytes) < 0) return -1;
  // Every picture line is read, so the rows stay where the file puts them; only the first ten are kept.
  for (long long k = 0; k <= lastPicture; ++k) {
    if (ReadCutLine(stream, line, kHeaderLineBytes) < 0) return -1;
    if (k < kTextPictureCapacity) text->pictures[k].used = ParsePictureLine(line, &text->pictures[k]) ? 1 : 0;
  }
  if (ReadCutLine(stream, line, kSeparatorLineBytes) < 0) return -1;
  text->lastPage = lastPage < kTextPageCapacity ? lastPage : kTextPageCapacity - 1;
  const int rows = kRowsPerPage * (text->lastPage + 1);
  for (int r = 0; r < rows; ++r) {
    char rowLine[kRowLineBytes];
    if (ReadCutLine(stream, rowLine, kRowLineBytes) < 0) break;
    StoreRow(rowLine, &text->rows[r]);
  }
  return 0;
}

int ExpandRowKeyTags(char* row, int length, int capacity) {
  char expanded[kTextRowBytes];
  if (capacity > kTextRowBytes) capacity = kTextRowBytes;
  int i = 0;
  while (i < length) {
    if (row[i] != '@' || i + 1 >= length || row[i + 1] != 'B' || i + kKeyTagBytes > length) {
      i += CharacterBytes(row, i, length);
      continue;
    }
    // The tag ends on a whole character, so no trail byte is left behind.
    int end = i + 2;
    while (end < i + kKeyTagBytes) end += CharacterBytes(row, end, length);
    char keyText[160];
    const int keyLength = FormatKeyText(TagBindingEntry(row[i + 4]), keyText, sizeof keyText);
    int newLength = 0;
    expanded[0] = '\0';
    AppendWhole(expanded, &newLength, capacity, row, i);
    // A row that outgrows its buffer ends where the first piece no longer fits.
    const bool keyFits = AppendWhole(expanded, &newLength, capacity, keyText, keyLength);
    const int resumeAt = newLength;
    if (keyFits) AppendWhole(expanded, &newLength, capacity, row + end, length - end);
    std::memcpy(row, expanded, static_cast<std::size_t>(newLength) + 1);
    length = newLength;
    i = resumeAt;
  }
  return length;
}

void ExpandKeyTags(MissionText* text) {
  for (TextRow& row : text->rows) row.length = ExpandRowKeyTags(row.text, row.length, kTextRowBytes);
}

int WholeCharacterPrefix(const char* row, int length, int shown) {
  int i = 0;
  while (i < length) {
    const int step = CharacterBytes(row, i, length);
    if (i + step > shown) break;
    i += step;
  }
  return i;
}

void StartTyping(TypingState* typing) { std::memset(typing, 0, sizeof *typing); }

void StepTyping(const MissionText& text, TypingState* typing) {
  if (typing->pageFinished != 0) return;
  for (int r = 0; r < kRowsPerPage; ++r) {
    const TextRow& row = text.rows[kRowsPerPage * typing->page + r];
    if (typing->shown[r] < row.length) {
      if (typing->delay == 0) {
        typing->delay = 1;
      } else {
        typing->delay = 0;
        typing->shown[r] += 2;
      }
      return;
    }
    typing->done[r] = 1;
  }
  typing->pageFinished = 1;
}

int AdvanceTyping(const MissionText& text, TypingState* typing) {
  if (typing->pageFinished == 0) {
    for (int r = 0; r < kRowsPerPage; ++r) {
      typing->shown[r] = kSkipShownBytes;
      typing->done[r] = 1;
    }
    typing->pageFinished = 1;
    return 0;
  }
  if (typing->page >= text.lastPage) return 1;
  ++typing->page;
  for (int r = 0; r < kRowsPerPage; ++r) {
    typing->shown[r] = 0;
    typing->done[r] = 0;
  }
  typing->pageFinished = 0;
  return 0;
}

}  // namespace horundel
