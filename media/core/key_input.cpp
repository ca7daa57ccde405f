// Key-input fields: line editors over a CP932 buffer that the text-input step feeds from the typed
// character ring. Character boundaries are found by walking from the start of the text, so a trail
// byte that looks like a lead byte never splits a character.
#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "media/core/text_input.h"
#include "media/core/window_state.h"

namespace zelvo {
namespace {

constexpr int kTypeShift = 27;
constexpr int kCheckMask = 0x7FF;

KeyInputField* FieldOf(int handle) {
  if (handle < 0 || ((handle >> kTypeShift) & 0xF) != kKeyInputHandleType) return nullptr;
  int slot = handle & 0xFFFF;
  if (slot >= kMaxKeyInputs) return nullptr;
  KeyInputField* field = &g_textInput.fields[slot];
  if (field->inUse == 0 || field->checkNumber != ((handle >> 16) & kCheckMask)) return nullptr;
  return field;
}

int CharSizeAt(const KeyInputField& field, int position) {
  return IsTextLeadByte(static_cast<unsigned char>(field.text[position])) != 0 && position + 1 < field.length ? 2 : 1;
}

// Start of the character that ends at `position`.
int PreviousCharStart(const KeyInputField& field, int position) {
  int i = 0;
  while (i < position) {
    int next = i + CharSizeAt(field, i);
    if (next >= position) return i;
    i = next;
  }
  return 0;
}

void RemoveBytes(KeyInputField* field, int at, int count) {
  std::memmove(field->text + at, field->text + at + count, static_cast<std::size_t>(field->length - at - count + 1));
  field->length -= count;
}

void InsertCharacter(KeyInputField* field, const char* bytes, int n) {
  if (field->numericOnly != 0) {
    bool digit = n == 1 && bytes[0] >= '0' && bytes[0] <= '9';
    bool minus = n == 1 && bytes[0] == '-' && field->cursor == 0;
    if (!digit && !minus) return;
  }
  if (field->singleByteOnly != 0 && n == 2) return;
  if (n > field->maxLength) return;   // could never fit
  while (field->length + n > field->maxLength) {
    int last = PreviousCharStart(*field, field->length);
    RemoveBytes(field, last, field->length - last);
    if (field->cursor > field->length) field->cursor = field->length;
  }
  std::memmove(field->text + field->cursor + n, field->text + field->cursor,
               static_cast<std::size_t>(field->length - field->cursor + 1));
  std::memcpy(field->text + field->cursor, bytes, static_cast<std::size_t>(n));
  field->cursor += n;
  field->length += n;
}

void EditField(KeyInputField* field, const char* bytes, int n) {
  auto code = static_cast<unsigned char>(bytes[0]);
  if (n == 2) {
    InsertCharacter(field, bytes, n);
    return;
  }
  switch (code) {
    case 8:
      if (field->cursor > 0) {
        int start = PreviousCharStart(*field, field->cursor);
        RemoveBytes(field, start, field->cursor - start);
        field->cursor = start;
      }
      break;
    case 9:
    case 30:
    case 31: break;
    case 16:
      if (field->cursor < field->length) RemoveBytes(field, field->cursor, CharSizeAt(*field, field->cursor));
      break;
    case 27:
      if (field->escapeAllowed != 0) {
        field->cancelled = 1;
        field->done = 1;
      }
      break;
    case 13: field->done = 1; break;
    case 28:
      if (field->cursor < field->length) field->cursor += CharSizeAt(*field, field->cursor);
      break;
    case 29:
      if (field->cursor > 0) field->cursor = PreviousCharStart(*field, field->cursor);
      break;
    default: InsertCharacter(field, bytes, n); break;
  }
}

void ReopenEditor() {
  pf::WindowHandle window = g_window.window;
  pf::InputContext context = pf::ImmGetContext(window);
  if (context != nullptr) {
    if (g_textInput.reopenStep <= 1) {
      std::int32_t n = pf::ImmGetCompositionString(context, pf::GCS_COMPSTR, g_textInput.savedComposition,
                                                   kCompositionSize - 1);
      g_textInput.savedComposition[n > 0 ? n : 0] = '\0';
      g_textInput.composition[0] = '\0';
      pf::ImmNotifyIME(context, pf::NI_COMPOSITIONSTR, 0, pf::CPS_CANCEL);
    }
    if (g_textInput.reopenStep <= 2) pf::ImmSetOpenStatus(context, false);
    if (g_textInput.reopenStep <= 3) pf::ImmSetOpenStatus(context, true);
    pf::ImmSetOpenStatus(context, g_textInput.editorOpen != 0);
    pf::ImmSetCompositionString(context, pf::SCS_SETSTR, g_textInput.savedComposition,
                                static_cast<std::uint32_t>(std::strlen(g_textInput.savedComposition)), nullptr, 0);
    pf::ImmReleaseContext(window, context);
  }
  g_textInput.reopenStep = 0;
}

}  // namespace

int MakeKeyInput(int maxLength, int escapeAllowed, int singleByteOnly, int numericOnly) {
  if (maxLength < 0) return -1;
  for (int slot = 0; slot < kMaxKeyInputs; ++slot) {
    KeyInputField* field = &g_textInput.fields[slot];
    if (field->inUse != 0) continue;
    auto* text = static_cast<char*>(ZELVO_ALLOC_ZEROED(static_cast<std::size_t>(maxLength) + 1));
    if (text == nullptr) return -1;
    g_textInput.checkCounter = (g_textInput.checkCounter + 1) & kCheckMask;
    *field = KeyInputField{1, g_textInput.checkCounter, 0, 0, 0, maxLength, 0, text,
                           escapeAllowed != 0 ? 1 : 0, singleByteOnly != 0 ? 1 : 0, numericOnly != 0 ? 1 : 0};
    int handle = (kKeyInputHandleType << kTypeShift) | (g_textInput.checkCounter << 16) | slot;
    g_textInput.activeField = handle;
    SetImeEnabled(1);
    return handle;
  }
  return -1;
}

int SetActiveKeyInput(int handle) {
  if (handle != -1 && FieldOf(handle) == nullptr) return -1;
  g_textInput.activeField = handle;
  return 0;
}

const char* KeyInputText(int handle) {
  KeyInputField* field = FieldOf(handle);
  return field != nullptr ? field->text : nullptr;
}

int IsKeyInputDone(int handle) {
  KeyInputField* field = FieldOf(handle);
  if (field == nullptr) return -1;
  if (field->done == 0) return 0;
  return field->cancelled != 0 ? 2 : 1;
}

int DeleteKeyInput(int handle) {
  KeyInputField* field = FieldOf(handle);
  if (field == nullptr) return -1;
  TrackedFree(field->text);
  *field = KeyInputField{};
  if (g_textInput.activeField == handle) g_textInput.activeField = -1;
  for (const KeyInputField& other : g_textInput.fields) {
    if (other.inUse != 0) return 0;
  }
  SetImeEnabled(0);
  return 0;
}

int DeleteAllKeyInputs() {
  for (int slot = 0; slot < kMaxKeyInputs; ++slot) {
    KeyInputField& field = g_textInput.fields[slot];
    if (field.inUse != 0) DeleteKeyInput((kKeyInputHandleType << kTypeShift) | (field.checkNumber << 16) | slot);
  }
  g_textInput.activeField = -1;
  return 0;
}

int RunTextInputStep() {
  if (g_textInput.reopenStep != 0) ReopenEditor();
  if (g_textInput.activeField == -1) return 0;
  KeyInputField* field = FieldOf(g_textInput.activeField);
  if (field == nullptr) return -1;
  char character[2];
  while (field->done == 0) {
    int n = TakeTypedChar(character, 1);
    if (n == 0) break;
    ResetCursorBlink();
    EditField(field, character, n);
  }
  return 0;
}

}  // namespace zelvo
