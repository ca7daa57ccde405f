// The input method editor as the window sees it: the host's text-editing events become the
// composition messages, sent at once like the system's editor does; the context holds the
// composition and result strings. The host offers no candidate list and no clauses.
#include "platform/window/window_internal.h"

#include <map>

namespace pf {

struct InputContextRecord {
  WindowHandle window = nullptr;
  bool open = true;
  bool composing = false;
  std::string composition;   // CP932
  std::string result;        // CP932
  std::int32_t cursorBytes = 0;
};

namespace {

std::map<WindowHandle, InputContextRecord>& Contexts() {
  static std::map<WindowHandle, InputContextRecord> contexts;
  return contexts;
}

InputContextRecord& ContextOf(WindowHandle window) {
  InputContextRecord& context = Contexts()[window];
  context.window = window;
  return context;
}

bool EditorEnabled(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  return record != nullptr && record->imeEnabled;
}

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::int32_t BytesOfCharacters(const std::string& text, int characters) {
  std::size_t i = 0;
  for (int n = 0; n < characters && i < text.size(); ++n) {
    i += IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
  }
  return static_cast<std::int32_t>(i);
}

bool PlainAscii(const std::string& text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

void StartComposing(WindowHandle window) {
  bool start;
  {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    InputContextRecord& context = ContextOf(window);
    start = !context.composing;
    context.composing = true;
  }
  if (start) SendMessage(window, WM_IME_STARTCOMPOSITION, 0, 0);
}

void EndComposing(WindowHandle window) {
  {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    InputContextRecord& context = ContextOf(window);
    context.composing = false;
    context.composition.clear();
    context.cursorBytes = 0;
  }
  SendMessage(window, WM_IME_ENDCOMPOSITION, 0, 0);
}

}  // namespace

namespace window_system {

bool DeliverImeText(WindowHandle window, const std::string& cp932, bool) {
  if (!EditorEnabled(window)) return false;
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    InputContextRecord& context = ContextOf(window);
    if (!context.composing && PlainAscii(cp932)) return false;
    context.result = cp932;
    context.composition.clear();
    context.cursorBytes = 0;
  }
  StartComposing(window);
  WParam first = cp932.empty() ? 0 : static_cast<unsigned char>(cp932[0]);
  SendMessage(window, WM_IME_COMPOSITION, first, GCS_RESULTSTR);
  EndComposing(window);
  std::lock_guard<std::recursive_mutex> lock(Mutex());
  ContextOf(window).result.clear();
  return true;
}

bool DeliverImeEditing(WindowHandle window, const std::string& cp932, int cursorChars) {
  if (!EditorEnabled(window)) return false;
  if (cp932.empty()) {
    bool composing;
    {
      std::lock_guard<std::recursive_mutex> lock(Mutex());
      composing = ContextOf(window).composing;
    }
    if (composing) EndComposing(window);
    return true;
  }
  StartComposing(window);
  {
    std::lock_guard<std::recursive_mutex> lock(Mutex());
    InputContextRecord& context = ContextOf(window);
    context.composition = cp932;
    context.cursorBytes = BytesOfCharacters(cp932, cursorChars);
  }
  SendMessage(window, WM_IME_COMPOSITION, static_cast<unsigned char>(cp932[0]), GCS_COMPSTR | GCS_CURSORPOS);
  return true;
}

void ForgetInputState(WindowHandle window) {
  Contexts().erase(window);
}

}  // namespace window_system

InputContext ImmGetContext(WindowHandle window) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  if (record == nullptr || !record->imeEnabled) return nullptr;
  return &ContextOf(window);
}

bool ImmReleaseContext(WindowHandle, InputContext context) { return context != nullptr; }

std::int32_t ImmGetCompositionString(InputContext context, std::uint32_t part, void* buffer, std::uint32_t size) {
  if (context == nullptr) return -1;
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  const std::string* text = nullptr;
  switch (part) {
    case GCS_COMPSTR: text = &context->composition; break;
    case GCS_RESULTSTR: text = &context->result; break;
    case GCS_CURSORPOS: return context->cursorBytes;
    case GCS_COMPCLAUSE: return 0;
    default: return -1;
  }
  auto length = static_cast<std::uint32_t>(text->size());
  if (buffer == nullptr || size == 0) return static_cast<std::int32_t>(length);
  std::uint32_t copied = length < size ? length : size;
  std::copy(text->begin(), text->begin() + copied, static_cast<char*>(buffer));
  return static_cast<std::int32_t>(copied);
}

bool ImmSetCompositionString(InputContext context, std::uint32_t index, const void* text, std::uint32_t size,
                             const void*, std::uint32_t) {
  if (context == nullptr || index != SCS_SETSTR) return false;
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  context->composition.assign(text != nullptr ? static_cast<const char*>(text) : "", text != nullptr ? size : 0);
  context->cursorBytes = static_cast<std::int32_t>(context->composition.size());
  return true;
}

std::uint32_t ImmGetCandidateList(InputContext, std::uint32_t, void*, std::uint32_t) { return 0; }

bool ImmGetOpenStatus(InputContext context) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  return context != nullptr && context->open;
}

bool ImmSetOpenStatus(InputContext context, bool open) {
  if (context == nullptr) return false;
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  context->open = open;
  return true;
}

bool ImmNotifyIME(InputContext context, std::uint32_t action, std::uint32_t /*index*/, std::uint32_t value) {
  if (context == nullptr) return false;
  if (action == NI_COMPOSITIONSTR && value == CPS_CANCEL) {
    std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
    context->composition.clear();
    context->cursorBytes = 0;
    context->composing = false;
  }
  return true;
}

bool WINNLSEnableIME(WindowHandle window, bool enable) {
  std::lock_guard<std::recursive_mutex> lock(window_system::Mutex());
  WindowRecord* record = window_system::Find(window);
  if (record == nullptr) return false;
  bool was = record->imeEnabled;
  record->imeEnabled = enable;
  return was;
}

}  // namespace pf
