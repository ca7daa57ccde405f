#pragma once
// Reading the library's log back in tests.
#include <string>

namespace zelvo_test {

// The bytes of a file in a host folder ("" when missing).
std::string ReadHostFile(const std::string& folder, const std::string& name);
// The text with every "<digits>:" stamp at a line start shown as "T:".
std::string MaskStamps(const std::string& text);
// The text with every "ID:<digits>" shown as "ID:#".
std::string MaskSerialIds(const std::string& text);
// The number after the first "ID:", or -1.
int FirstSerialId(const std::string& text);

}  // namespace zelvo_test
