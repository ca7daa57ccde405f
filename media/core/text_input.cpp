// The typed-character ring and the input method editor's composition as the library holds it.
#include "media/core/text_input.h"

#include <cstring>

#include "media/core/runtime_routines.h"
#include "media/core/log.h"
#include "media/core/message_pump.h"
#include "media/core/subsystem_hooks.h"
#include "media/core/window_state.h"

namespace zelvo {

TextInputState g_textInput{};

namespace {

int NextIndex(int index) { return index >= kTypedRingSize - 1 ? 0 : index + 1; }

int RingFull() {
  return g_textInput.writeIndex + 1 == g_textInput.readIndex ||
         (g_textInput.readIndex == 0 && g_textInput.writeIndex == kTypedRingSize - 1);
}

void FreeCandidateList() {
  if (g_textInput.candidateList != nullptr) TrackedFree(g_textInput.candidateList);
  g_textInput.candidateList = nullptr;
}

void ReadCompositionString(pf::InputContext context) {
  std::int32_t n = pf::ImmGetCompositionString(context, pf::GCS_COMPSTR, g_textInput.composition, kCompositionSize - 1);
  g_textInput.composition[n > 0 ? n : 0] = '\0';
}

void ReadComposition(pf::WindowHandle window, pf::LParam parts) {
  pf::InputContext context = pf::ImmGetContext(window);
  if (context == nullptr) return;
  if (parts & pf::GCS_COMPSTR) ReadCompositionString(context);
  if (parts & pf::GCS_RESULTSTR) {
    char result[kCompositionSize];
    std::int32_t n = pf::ImmGetCompositionString(context, pf::GCS_RESULTSTR, result, sizeof result);
    for (std::int32_t i = 0; i < n; ++i) PutTypedChar(static_cast<unsigned char>(result[i]));
    ReadCompositionString(context);
  }
  if (parts & pf::GCS_CURSORPOS) {
    std::int32_t bytes = pf::ImmGetCompositionString(context, pf::GCS_CURSORPOS, nullptr, 0);
    g_textInput.compositionCursor = CharsInBytes(g_textInput.composition, bytes > 0 ? bytes : 0);
  }
  if (parts & pf::GCS_COMPCLAUSE) {
    std::int32_t n = pf::ImmGetCompositionString(context, pf::GCS_COMPCLAUSE, g_textInput.clauses,
                                                 sizeof g_textInput.clauses);
    g_textInput.clauseCount = n > 0 ? n / 4 : 0;
  }
  pf::ImmReleaseContext(window, context);
}

pf::LResult ReadCandidateList(pf::WindowHandle window) {
  pf::InputContext context = pf::ImmGetContext(window);
  std::uint32_t size = pf::ImmGetCandidateList(context, 0, nullptr, 0);
  if (size == 0) {
    char line[128];
    StringPrintf(line, sizeof line, "漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x\n",
                 static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window)),
                 static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(context)));
    WriteLogText(line);
    pf::ImmReleaseContext(window, context);
    return 0;
  }
  FreeCandidateList();
  g_textInput.candidateList = ZELVO_ALLOC(size);
  if (g_textInput.candidateList == nullptr) {
    AbortWithLogFormat("漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )",
                       static_cast<int>(size));
  }
  if (pf::ImmGetCandidateList(context, 0, g_textInput.candidateList, size) == 0) {
    FreeCandidateList();
    WriteLogFormat("漢字変換候補の取得に失敗しました  BufSize:%d", static_cast<int>(size));
  }
  pf::ImmReleaseContext(window, context);
  return 0;
}

pf::LResult FollowOpenStatus(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  if (g_textInput.openStatusRunning != 0) return 0;
  g_textInput.openStatusRunning = 1;
  pf::LResult result = pf::DefWindowProc(window, message, wParam, lParam);
  std::uint64_t start = CurrentMicroseconds(1);
  while (ProcessMessage() == 0 && CurrentMicroseconds(1) - start < 2000) {
  }
  pf::InputContext context = pf::ImmGetContext(window);
  g_textInput.editorOpen = pf::ImmGetOpenStatus(context) ? 1 : 0;
  pf::ImmReleaseContext(window, context);
  g_textInput.openStatusRunning = 0;
  return result;
}

}  // namespace

int IsTextLeadByte(unsigned char c) {
  if (g_textInput.codePageKind == 2) return c >= 0x80 ? 1 : 0;
  return IsShiftJisLead(c) ? 1 : 0;
}

int StartTextInput() {
  WriteLogText("文字コードバッファの初期化を行います... ");
  int codePageKind = g_textInput.codePageKind;
  g_textInput = TextInputState{};
  g_textInput.codePageKind = codePageKind != 0 ? codePageKind : 1;
  static const int kColors[12][3] = {
      {255, 255, 255}, {255, 255, 0}, {255, 255, 255}, {0, 255, 255}, {255, 255, 255}, {255, 0, 0},
      {255, 255, 20},  {0, 0, 0},     {0, 0, 0},       {0, 0, 0},     {255, 255, 0},   {0, 0, 0},
  };
  for (int i = 0; i < 12; ++i) g_textInput.colors[i] = ScreenPackColor(kColors[i][0], kColors[i][1], kColors[i][2]);
  g_textInput.extraValues[0] = -1;
  g_textInput.extraValues[1] = -1;
  g_textInput.blinkPeriod = 500;
  ResetCursorBlink();
  g_textInput.activeField = -1;
  WriteLogText("完了しました\n");
  return 0;
}

int PutTypedChar(int byte) {
  if (RingFull()) return -1;
  g_textInput.ring[g_textInput.writeIndex] = static_cast<unsigned char>(byte);
  g_textInput.writeIndex = NextIndex(g_textInput.writeIndex);
  return 0;
}

int TakeTypedChar(char* out, int consume) {
  if (g_textInput.readIndex == g_textInput.writeIndex) return 0;
  const int start = g_textInput.readIndex;
  unsigned char c = g_textInput.ring[start];
  int next = NextIndex(start);
  int size = 1;
  out[0] = static_cast<char>(c);
  if (IsControlKeyCode(c) == 0 && IsTextLeadByte(c) != 0) {
    if (next == g_textInput.writeIndex) return 0;   // the trail byte has not arrived yet
    out[1] = static_cast<char>(g_textInput.ring[next]);
    next = NextIndex(next);
    size = 2;
  }
  if (consume != 0) g_textInput.readIndex = next;
  return size;
}

int IsControlKeyCode(int byte) {
  return byte == 16 || byte == 28 || byte == 29 || byte == 30 || byte == 31 ? 1 : 0;
}

int CharsInBytes(const char* text, int bytes) {
  int chars = 0;
  for (int i = 0; i < bytes && text[i] != '\0'; ++chars) {
    i += IsTextLeadByte(static_cast<unsigned char>(text[i])) != 0 && text[i + 1] != '\0' ? 2 : 1;
  }
  return chars;
}

int CountCommonChars(const char* a, const char* b) {
  int chars = 0;
  for (int i = 0; a[i] != '\0' && a[i] == b[i]; ++chars) {
    if (IsTextLeadByte(static_cast<unsigned char>(a[i])) != 0) {
      if (a[i + 1] == '\0' || a[i + 1] != b[i + 1]) break;
      i += 2;
    } else {
      i += 1;
    }
  }
  return chars;
}

int ResetCursorBlink() {
  g_textInput.blinkStart = pf::timeGetTime();
  g_textInput.cursorShownFlag = 1;
  return 0;
}

pf::LResult InputMethodProc(pf::WindowHandle window, std::uint32_t message, pf::WParam wParam, pf::LParam lParam) {
  g_textInput.editorUsed = 1;
  ResetCursorBlink();
  switch (message) {
    case pf::WM_IME_STARTCOMPOSITION:
      g_textInput.compositionCursor = 0;
      g_textInput.composing = 1;
      return 0;
    case pf::WM_IME_ENDCOMPOSITION:
      g_textInput.composition[0] = '\0';
      g_textInput.composing = 0;
      return 0;
    case pf::WM_IME_COMPOSITION: ReadComposition(window, lParam); return 0;
    case pf::WM_IME_SETCONTEXT: return pf::DefWindowProc(window, message, wParam, 0);
    case pf::WM_IME_NOTIFY:
      switch (wParam) {
        case pf::IMN_OPENCANDIDATE:
        case pf::IMN_CHANGECANDIDATE:
        case pf::IMN_SETCANDIDATEPOS: return ReadCandidateList(window);
        case pf::IMN_CLOSECANDIDATE: FreeCandidateList(); return 0;
        case pf::IMN_SETOPENSTATUS: return FollowOpenStatus(window, message, wParam, lParam);
        default: return pf::DefWindowProc(window, message, wParam, lParam);
      }
    default: return pf::DefWindowProc(window, message, wParam, lParam);
  }
}

int SetImeEnabled(int flag) {
  flag = flag != 0 ? 1 : 0;
  if (g_textInput.editorEnabled == flag) return 0;
  g_textInput.editorEnabled = flag;
  if (g_window.window != nullptr) pf::WINNLSEnableIME(g_window.window, flag != 0);
  if (flag == 0) ClearImeState();
  return 0;
}

int SetImeOpen(int flag) {
  g_textInput.editorOpen = flag != 0 ? 1 : 0;
  pf::InputContext context = pf::ImmGetContext(g_window.window);
  if (context != nullptr) {
    pf::ImmSetOpenStatus(context, flag != 0);
    pf::ImmReleaseContext(g_window.window, context);
  }
  return 0;
}

void ClearImeState() {
  FreeCandidateList();
  g_textInput.composition[0] = '\0';
  g_textInput.composing = 0;
}

void ResetTextInputState() {
  g_textInput = TextInputState{};
}

}  // namespace zelvo
