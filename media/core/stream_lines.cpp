// The line reader: one read of up to n - 1 bytes, cut at the first CR LF, then a seek to where the
// next line starts.
#include "media/core/stream_lines.h"

#include "media/core/runtime_routines.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

namespace {

// The read stopped just after a CR at `crPosition`: looks at the next byte. When it is the LF of
// the pair, the stream goes on after it and the line ends at the CR; otherwise the stream goes on
// after the CR, which stays in the line.
bool CrEndsLineAfterEdge(FileHandle stream, std::int32_t crPosition) {
  char next = 0;
  int got = FileRead(&next, 1, 1, stream);
  while (FileIdleCheck(stream) == 0) pf::Sleep(0);
  bool pair = got == 1 && next == '\n';
  FileSeek(stream, crPosition + (pair ? 2 : 1), 0);
  return pair;
}

}  // namespace

int ReadStreamLine(char* buffer, int n, FileHandle stream) {
  if (buffer == nullptr || n < 2) return -1;
  if (FileEof(stream) != 0) return -1;
  std::int32_t start = FileTell(stream);
  int length = FileRead(buffer, 1, n - 1, stream);
  while (FileIdleCheck(stream) == 0) pf::Sleep(0);
  if (length <= 0) return -1;
  // A short read means the data ended: nothing more can complete a pair cut at the edge.
  bool dataEnded = length < n - 1;

  int i = 0;
  while (i < length && buffer[i] != '\0') {
    unsigned char c = static_cast<unsigned char>(buffer[i]);
    if (IsShiftJisLead(c)) {
      if (i + 2 <= length) {
        i += 2;
        continue;
      }
      // A trail byte that was not read: the next call starts at the lead byte, unless that would
      // read the same byte again forever (it stands first, or the data has ended).
      if (i > 0 && !dataEnded) {
        FileSeek(stream, start + i, 0);
        break;
      }
    } else if (c == '\r') {
      if (i + 1 < length) {
        if (buffer[i + 1] == '\n') {
          FileSeek(stream, start + i + 2, 0);
          break;
        }
      } else if (!dataEnded && CrEndsLineAfterEdge(stream, start + i)) {
        break;
      }
    }
    ++i;
  }
  buffer[i] = '\0';
  return i;
}

}  // namespace zelvo
