// The log file: "Log.txt" (or a dated name) in the start folder, CP932 text with CR LF line ends.
// Each new line starts with "%d:" (milliseconds since the log start) and one TAB per indent level;
// a text without a final line feed leaves the line open for the next write. Every write opens and
// closes the file, so the log is complete up to the last call even after a crash.
#include "media/core/log.h"

#include <cstring>

#include "media/core/core_state.h"
#include "media/core/file_ops.h"
#include "media/core/runtime_routines.h"
#include "platform/kernel/kernel.h"

namespace zelvo {

namespace {

constexpr std::size_t kShortText = 255;
constexpr std::size_t kFormatBuffer = 1024;

struct LogState {
  int off = 0;
  int dated = 0;
  int noTimestamp = 0;
  char fileName[64] = "Log.txt";
  std::uint32_t start = 0;
  int indent = 0;
  int midLine = 0;
};
LogState g_log;

// Copies text turning each LF into CR LF. Once an LF that already has a CR before it is met, that
// LF and everything after it are taken as they are. `out` holds 2 * strlen(text) + 1 bytes.
void ConvertLineFeeds(const char* text, char* out) {
  char* p = out;
  for (const char* s = text; *s != '\0'; ++s) {
    if (*s == '\n') {
      if (s != text && s[-1] == '\r') {
        std::strcpy(p, s);
        return;
      }
      *p++ = '\r';
    }
    *p++ = *s;
  }
  *p = '\0';
}

// The log file's full Windows path; false when it does not fit.
bool LogFilePath(char* out, std::size_t size) {
  const char* folder = g_runState.startFolder;
  const std::size_t length = std::strlen(folder);
  const char* separator = (length > 0 && folder[length - 1] == '\\') ? "" : "\\";
  const std::size_t needed = length + std::strlen(separator) + std::strlen(g_log.fileName);
  if (needed + 1 > size) {
    return false;
  }
  StringPrintf(out, size, "%s%s%s", folder, separator, g_log.fileName);
  return true;
}

void WriteBytes(pf::Handle file, const char* bytes, std::size_t length) {
  std::uint32_t written = 0;
  pf::WriteFile(file, bytes, static_cast<std::uint32_t>(length), &written);
}

// One TAB per indent level, to the file and to the debugger output alike.
void WriteIndent(pf::Handle file) {
  static const char kTabs[] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
  int left = g_log.indent;
  while (left > 0) {
    const int n = left < 16 ? left : 16;
    WriteBytes(file, kTabs, static_cast<std::size_t>(n));
    pf::OutputDebugString(kTabs + (16 - n));
    left -= n;
  }
}

void AppendToLogFile(const char* converted) {
  char path[pf::kMaxPath + 64];
  if (!LogFilePath(path, sizeof path)) {
    return;
  }
  char savedFolder[pf::kMaxPath] = {};
  FileGetcwd(savedFolder);
  FileChdir(g_runState.startFolder);
  const pf::Handle file = pf::CreateFile(path, pf::kGenericWrite, pf::kShareRead, pf::kOpenAlways);
  if (file != pf::kInvalidHandle) {
    pf::SetFilePointer(file, 0, pf::kFileEnd);
    if (g_log.midLine == 0) {
      if (g_log.noTimestamp == 0) {
        char stamp[16];
        StringPrintf(stamp, sizeof stamp, "%d:", static_cast<int>(pf::timeGetTime() - g_log.start));
        WriteBytes(file, stamp, std::strlen(stamp));
      }
      WriteIndent(file);
    }
    const std::size_t length = std::strlen(converted);
    WriteBytes(file, converted, length);
    pf::OutputDebugString(converted);
    g_log.midLine = converted[length - 1] != '\n' ? 1 : 0;
    pf::CloseHandle(file);
  }
  if (savedFolder[0] != '\0') {
    FileChdir(savedFolder);
  }
}

}  // namespace

int SetLogOff(int off) {
  g_log.off = off != 0 ? 1 : 0;
  return 0;
}

void SetDatedLog(int on) {
  g_log.dated = on != 0 ? 1 : 0;
}

void SetLogTimestampOff(int off) {
  g_log.noTimestamp = off != 0 ? 1 : 0;
}

int StartLogFile() {
  if (g_log.off != 0 || g_startUpOptions.hosted != 0) {
    return 1;
  }
  if (g_log.dated != 0) {
    pf::SystemTime now{};
    pf::GetLocalTime(&now);
    StringPrintf(g_log.fileName, sizeof g_log.fileName, "Log%d_%d_%d_%d_%d_%d.txt", now.year, now.month, now.day,
                 now.hour, now.minute, now.second);
  } else {
    CopyString(g_log.fileName, "Log.txt");
  }
  char path[pf::kMaxPath + 64];
  if (g_runState.startFolder[0] != '\0' && LogFilePath(path, sizeof path)) {
    pf::DeleteFile(path);
    const pf::Handle file = pf::CreateFile(path, pf::kGenericWrite, pf::kShareRead, pf::kCreateAlways);
    if (file != pf::kInvalidHandle) {
      pf::CloseHandle(file);
    }
  }
  g_log.indent = 0;
  g_log.midLine = 0;
  g_log.start = pf::timeGetTime();
  return 1;
}

int WriteLogText(const char* text) {
  // An empty text would leave a stamp with nothing after it; it writes nothing.
  if (g_log.off != 0 || text == nullptr || text[0] == '\0') {
    return -1;
  }
  const std::size_t length = std::strlen(text);
  char local[2 * kShortText + 1];
  char* converted = local;
  if (length > kShortText) {
    converted = static_cast<char*>(ZELVO_ALLOC(2 * length + 1));
    if (converted == nullptr) {
      return -1;
    }
  }
  ConvertLineFeeds(text, converted);
  if (g_startUpOptions.hosted != 0) {
    pf::OutputDebugString(converted);
  } else if (g_runState.startFolder[0] != '\0') {
    AppendToLogFile(converted);
  }
  if (converted != local) {
    TrackedFree(converted);
  }
  return -1;
}

int WriteLogFormat(const char* format, ...) {
  char buffer[kFormatBuffer + 1];
  va_list args;
  va_start(args, format);
  const int length = StringVPrintf(buffer, kFormatBuffer, format, args);
  va_end(args);
  buffer[length] = '\n';
  buffer[length + 1] = '\0';
  return WriteLogText(buffer);
}

int PushLogIndent() {
  g_log.indent += 1;
  return 0;
}

int PopLogIndent() {
  if (g_log.indent > 0) {
    g_log.indent -= 1;
  }
  return 0;
}

void ResetLogState() {
  g_log = LogState{};
}

}  // namespace zelvo
