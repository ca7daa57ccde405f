// The temporary folder and unique temporary file names.
#include "platform/kernel/host_paths.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/kernel_testing.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pf {
namespace {

constexpr const char* kHostTempFolder = "/tmp";

// Where the search for a free unique number starts; differs per process and per call.
std::uint32_t FirstUniqueNumber() {
  static std::atomic<std::uint32_t> calls{0};
  const std::uint32_t seed = static_cast<std::uint32_t>(getpid()) * 2654435761u + calls.fetch_add(7919);
  return (seed >> 8) & 0xFFFF;
}

std::string TempName(std::string_view folder, std::string_view prefix, std::uint32_t unique) {
  std::string name(folder);
  if (!name.empty() && name.back() != '\\' && name.back() != '/') name += '\\';
  name += prefix.substr(0, 3);
  char hex[16];
  std::snprintf(hex, sizeof(hex), "%X.tmp", unique & 0xFFFF);
  name += hex;
  return name;
}

}  // namespace

std::uint32_t GetTempPath(std::uint32_t size, char* buffer) {
  std::string path = HostPathToWindows(kHostTempFolder);
  if (path.back() != '\\') path += '\\';
  const auto length = static_cast<std::uint32_t>(path.size());
  if (buffer == nullptr || size <= length) return length + 1;
  path.copy(buffer, length);
  buffer[length] = '\0';
  return length;
}

std::uint32_t GetTempFileName(const char* folder, const char* prefix, std::uint32_t unique, char* out) {
  if (folder == nullptr || out == nullptr || testing::ShouldFail("GetTempFileName")) return 0;
  const std::string_view prefixText = prefix == nullptr ? std::string_view() : std::string_view(prefix);
  if (unique != 0) {  // the caller's number: the name only, no file
    const std::string name = TempName(folder, prefixText, unique);
    if (name.size() >= static_cast<std::size_t>(kMaxPath)) return 0;
    std::memcpy(out, name.c_str(), name.size() + 1);
    return unique & 0xFFFF;
  }
  std::uint32_t number = FirstUniqueNumber();
  for (int attempt = 0; attempt < 0x10000; ++attempt, number = (number + 1) & 0xFFFF) {
    if (number == 0) continue;
    const std::string name = TempName(folder, prefixText, number);
    if (name.size() >= static_cast<std::size_t>(kMaxPath)) return 0;
    const std::string host = MapPathToHost(name.c_str());
    if (host.empty()) return 0;
    const int fd = open(host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return 0;  // no such folder, or not writable
    }
    close(fd);
    host_paths::ForgetFolderListings();
    std::memcpy(out, name.c_str(), name.size() + 1);
    return number;
  }
  return 0;
}

}  // namespace pf
