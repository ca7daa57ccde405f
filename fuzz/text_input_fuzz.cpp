// Arbitrary typed bytes through the typed-character ring into a key-input field: whatever arrives,
// the field's text stays NUL-terminated within its maximum length, its cursor stays within the text
// on a character boundary, and no double-byte character is split.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "media/core/text_input.h"

namespace {

bool OnBoundary(const char* text, int length, int position) {
  int i = 0;
  while (i < position) i += zelvo::IsTextLeadByte(static_cast<unsigned char>(text[i])) != 0 && i + 1 < length ? 2 : 1;
  return i == position;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  zelvo::StartTextInput();
  const int maxLength = data[0] % 12;
  const int options = data[1];
  const int field = zelvo::MakeKeyInput(maxLength, options & 1, (options >> 1) & 1, (options >> 2) & 1);
  if (field == -1) return 0;
  for (std::size_t i = 2; i < size; ++i) {
    zelvo::PutTypedChar(data[i]);
    if (data[i] == 13 || i % 7 == 0) zelvo::RunTextInputStep();
    const zelvo::KeyInputField& record = zelvo::g_textInput.fields[field & 0xFFFF];
    if (record.length < 0 || record.length > maxLength || record.text[record.length] != '\0' ||
        static_cast<int>(std::strlen(record.text)) > record.length || record.cursor < 0 ||
        record.cursor > record.length || !OnBoundary(record.text, record.length, record.cursor)) {
      std::abort();
    }
    if (record.done != 0) zelvo::SetActiveKeyInput(-1);
  }
  zelvo::DeleteAllKeyInputs();
  return 0;
}
