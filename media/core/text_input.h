#pragma once
// Typed text: the typed-character ring fed by the window procedure, the input method editor's
// composition held by the library, and the key-input fields it feeds.
#include <cstdint>

#include "platform/window/window.h"

namespace zelvo {

constexpr int kTypedRingSize = 1025;
constexpr int kCompositionSize = 1024;
constexpr int kMaxKeyInputs = 20;
constexpr int kKeyInputHandleType = 10;

struct KeyInputField {
  int inUse;
  int checkNumber;
  int done;
  int cancelled;
  int length;
  int maxLength;
  int cursor;
  char* text;
  int escapeAllowed;
  int singleByteOnly;
  int numericOnly;
};

struct TextInputState {
  unsigned char ring[kTypedRingSize];
  int writeIndex;
  int readIndex;
  char composition[kCompositionSize];
  int compositionCursor;
  int composing;
  std::int32_t clauses[kCompositionSize / 4];
  int clauseCount;
  void* candidateList;
  int editorEnabled;
  int editorOpen;
  int reopenStep;
  char savedComposition[kCompositionSize];
  int editorUsed;
  unsigned int colors[12];
  int extraValues[4];
  int blinkPeriod;
  int cursorShownFlag;
  std::uint32_t blinkStart;
  int codePageKind;
  int activeField;
  int openStatusRunning;
  int checkCounter;
  KeyInputField fields[kMaxKeyInputs];
};
extern TextInputState g_textInput;

int StartTextInput();
int PutTypedChar(int byte);
int TakeTypedChar(char* out, int consume);
int IsControlKeyCode(int byte);
pf::LResult InputMethodProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam);
int SetImeEnabled(int flag);
int SetImeOpen(int flag);
int CharsInBytes(const char* text, int bytes);
int CountCommonChars(const char* a, const char* b);
int ResetCursorBlink();
int IsTextLeadByte(unsigned char c);
// Free the candidate list and clear the composition (window end).
void ClearImeState();

// Key-input fields (handles of type 10).
int MakeKeyInput(int maxLength, int escapeAllowed, int singleByteOnly, int numericOnly);
int SetActiveKeyInput(int handle);
const char* KeyInputText(int handle);
int IsKeyInputDone(int handle);   // 1 done, 2 done by Escape, 0 editing, -1 bad handle
int DeleteKeyInput(int handle);
int DeleteAllKeyInputs();
int RunTextInputStep();

// The text input state as at process start.
void ResetTextInputState();

}  // namespace zelvo
