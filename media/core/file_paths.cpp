// Path helpers of the file layer.
#include "media/core/file_paths.h"

#include <cstring>

#include "media/core/file_ops.h"
#include "media/core/foundation.h"

namespace zelvo {

namespace {

constexpr int kPathBytes = pf::kMaxPath;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Index just past the character starting at i (a double-byte character counts whole, unless its
// trail byte is missing).
std::size_t NextCharIndex(const char* text, std::size_t i) {
  if (IsShiftJisLead(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') return i + 2;
  return i + 1;
}

// Index of the last backslash, slash or colon (never a trail byte), or -1.
long FindLastPathBreak(const char* text) {
  long found = -1;
  for (std::size_t i = 0; text[i] != '\0'; i = NextCharIndex(text, i)) {
    if (IsSeparator(text[i]) || text[i] == ':') found = static_cast<long>(i);
  }
  return found;
}

bool AppendBounded(char* out, std::size_t* length, const char* text, std::size_t n) {
  if (*length + n + 1 > static_cast<std::size_t>(kPathBytes)) return false;
  std::memcpy(out + *length, text, n);
  *length += n;
  out[*length] = '\0';
  return true;
}

}  // namespace

int MakeFullPath(const char* path, char* out, const char* base) {
  char cwd[kPathBytes];
  if (base == nullptr) {
    cwd[0] = '\0';
    FileGetcwd(cwd);
    cwd[kPathBytes - 1] = '\0';
    base = cwd;
  }
  std::size_t length = 0;
  out[0] = '\0';
  if (path == nullptr) return AppendBounded(out, &length, base, std::strlen(base)) ? 0 : -1;

  const char* rest;
  if (path[0] == '\\') {
    if (!AppendBounded(out, &length, base, std::strlen(base) < 2 ? std::strlen(base) : 2)) return -1;
    rest = path + 1;
  } else if (path[0] != '\0' && path[1] == ':') {
    if (!AppendBounded(out, &length, path, 2)) return -1;
    rest = path + 2;
    if (*rest == '\\') ++rest;
  } else {
    std::size_t n = std::strlen(base);
    long last = FindLastPathBreak(base);
    if (n > 0 && last == static_cast<long>(n) - 1 && IsSeparator(base[n - 1])) --n;
    if (!AppendBounded(out, &length, base, n)) return -1;
    rest = path;
  }

  std::size_t start = 0;
  std::size_t i = 0;
  for (;;) {
    bool atEnd = rest[i] == '\0';
    if (!atEnd && !IsSeparator(rest[i])) {
      i = NextCharIndex(rest, i);
      continue;
    }
    std::size_t n = i - start;
    const char* component = rest + start;
    if (n == 0) {
      if (!atEnd) return -1;
    } else if (n == 1 && component[0] == '.') {
      // "." names the folder reached so far.
    } else if (n == 2 && component[0] == '.' && component[1] == '.') {
      long cut = FindLastPathBreak(out);
      bool driveColon = cut == 1 && out[1] == ':';
      if (cut >= 0 && !driveColon) {
        length = static_cast<std::size_t>(cut);
        out[length] = '\0';
      }
    } else {
      if (!AppendBounded(out, &length, "\\", 1) || !AppendBounded(out, &length, component, n)) return -1;
    }
    if (atEnd) break;
    ++i;
    start = i;
  }
  return 0;
}

int SplitPathName(const char* path, char* fileNameOut, char* folderOut) {
  long cut = FindLastPathBreak(path);
  if (fileNameOut != nullptr) {
    std::strncpy(fileNameOut, path + (cut + 1), kPathBytes - 1);
    fileNameOut[kPathBytes - 1] = '\0';
  }
  if (folderOut != nullptr) {
    std::size_t n = cut < 0 ? 0 : static_cast<std::size_t>(cut);
    if (n > static_cast<std::size_t>(kPathBytes - 1)) n = kPathBytes - 1;
    std::memcpy(folderOut, path, n);
    folderOut[n] = '\0';
  }
  return 0;
}

pf::Handle CreateTempFile(char* nameOut) {
  char folder[kPathBytes];
  std::uint32_t n = pf::GetTempPath(256, folder);
  if (n == 0 || n > 256) return nullptr;
  if (folder[n - 1] != '\\') {
    folder[n] = '\\';
    folder[n + 1] = '\0';
  }
  char name[kPathBytes];
  if (pf::GetTempFileName(folder, "tmp", 0, name) == 0) return nullptr;
  char fullName[kPathBytes];
  if (MakeFullPath(name, fullName, nullptr) != 0) {
    pf::DeleteFile(name);
    return nullptr;
  }
  pf::DeleteFile(fullName);
  pf::Handle file = pf::CreateFile(fullName, pf::kGenericWrite, pf::kShareNone, pf::kCreateNew);
  if (nameOut != nullptr) std::strcpy(nameOut, fullName);
  return file;
}

}  // namespace zelvo
