// Path helpers of the file layer.
#include "media/core/file_paths.h"

#include <cstring>

#include "media/core/file_ops.h"
#include "media/core/runtime_routines.h"

namespace zelvo {

namespace {

constexpr int kPathBytes = pf::kMaxPath;

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

}  // namespace

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

std::size_t NextPathChar(const char* text, std::size_t i) {
  if (IsShiftJisLead(static_cast<unsigned char>(text[i])) && text[i + 1] != '\0') return i + 2;
  return i + 1;
}

long FindLastPathBreak(const char* text) {
  long found = -1;
  for (std::size_t i = 0; text[i] != '\0'; i = NextPathChar(text, i)) {
    if (IsPathSeparator(text[i]) || text[i] == ':') found = static_cast<long>(i);
  }
  return found;
}

bool AppendPathText(char* out, std::size_t* length, const char* text, std::size_t n, bool upper) {
  if (*length + n + 1 > static_cast<std::size_t>(kPathBytes)) return false;
  for (std::size_t i = 0; i < n;) {
    std::size_t next = NextPathChar(text, i);
    if (next > n) next = n;
    if (next - i == 2 || !upper) {
      std::memcpy(out + *length + i, text + i, next - i);
    } else {
      out[*length + i] = UpperAscii(text[i]);
    }
    i = next;
  }
  *length += n;
  out[*length] = '\0';
  return true;
}

int AppendPathComponents(const char* rest, char* out, std::size_t* length, bool upper, bool emptyFails) {
  std::size_t start = 0;
  std::size_t i = 0;
  for (;;) {
    bool atEnd = rest[i] == '\0';
    if (!atEnd && !IsPathSeparator(rest[i])) {
      i = NextPathChar(rest, i);
      continue;
    }
    std::size_t n = i - start;
    const char* component = rest + start;
    if (n == 0 && (atEnd || emptyFails)) {
      if (!atEnd) return -1;
    } else if (n == 1 && component[0] == '.') {
      // "." names the folder reached so far.
    } else if (n == 2 && component[0] == '.' && component[1] == '.') {
      long cut = FindLastPathBreak(out);
      bool driveColon = cut == 1 && out[1] == ':';
      if (cut >= 0 && !driveColon) {
        *length = static_cast<std::size_t>(cut);
        out[*length] = '\0';
      }
    } else if (!AppendPathText(out, length, "\\", 1, false) || !AppendPathText(out, length, component, n, upper)) {
      return -1;
    }
    if (atEnd) return 0;
    ++i;
    start = i;
  }
}

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
  if (path == nullptr) return AppendPathText(out, &length, base, std::strlen(base), false) ? 0 : -1;

  const char* rest;
  if (path[0] == '\\') {
    if (!AppendPathText(out, &length, base, std::strlen(base) < 2 ? std::strlen(base) : 2, false)) return -1;
    rest = path + 1;
  } else if (path[0] != '\0' && path[1] == ':') {
    if (!AppendPathText(out, &length, path, 2, false)) return -1;
    rest = path + 2;
    if (*rest == '\\') ++rest;
  } else {
    std::size_t n = std::strlen(base);
    long last = FindLastPathBreak(base);
    if (n > 0 && last == static_cast<long>(n) - 1 && IsPathSeparator(base[n - 1])) --n;
    if (!AppendPathText(out, &length, base, n, false)) return -1;
    rest = path;
  }

  return AppendPathComponents(rest, out, &length, false, true);
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
