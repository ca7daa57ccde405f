// Folder searches: FindFirstFile / FindNextFile / FindClose. A search takes a snapshot of the
// matching entries when it starts, "." and ".." first in any folder but the root, then the names
// in upper-case order, as the platform's file system lists them.
#include "platform/kernel/file_time.h"
#include "platform/kernel/kernel_object.h"
#include "platform/kernel/kernel_testing.h"
#include "platform/kernel/name_compare.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace pf {
namespace {

struct SearchObject : KernelObject {
  SearchObject() : KernelObject(ObjectKind::kSearch) {}
  std::vector<FindData> found;
  std::size_t next = 0;
};

FileTime TimeOf(const struct statx_timestamp& stamp) { return FileTimeFromUnix(stamp.tv_sec, stamp.tv_nsec); }

// Fills find data for a host path; false when it is gone or its name does not fit.
bool Describe(const std::string& hostPath, std::string_view windowsName, FindData* out) {
  struct statx info {};
  if (statx(AT_FDCWD, hostPath.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return false;
  if (windowsName.size() >= sizeof(out->name)) return false;
  *out = FindData{};
  const bool folder = S_ISDIR(info.stx_mode);
  out->attributes = folder ? kAttributeDirectory : kAttributeNormal;
  out->lastWriteTime = TimeOf(info.stx_mtime);
  out->lastAccessTime = TimeOf(info.stx_atime);
  out->creationTime = (info.stx_mask & STATX_BTIME) != 0 ? TimeOf(info.stx_btime) : out->lastWriteTime;
  if (!folder) {
    out->sizeHigh = static_cast<std::uint32_t>(info.stx_size >> 32);
    out->sizeLow = static_cast<std::uint32_t>(info.stx_size);
  }
  std::memcpy(out->name, windowsName.data(), windowsName.size());
  out->name[windowsName.size()] = '\0';
  return true;
}

std::string Join(const std::string& folder, std::string_view name) {
  return folder.back() == '/' ? folder + std::string(name) : folder + "/" + std::string(name);
}

}  // namespace

Handle FindFirstFile(const char* pattern, FindData* out) {
  if (pattern == nullptr || out == nullptr || testing::ShouldFail("FindFirstFile")) return kInvalidHandle;
  // Split in UTF-8, where a separator byte is never the second byte of a character.
  const std::string utf8 = Cp932ToUtf8(pattern);
  const std::size_t cut = utf8.find_last_of("\\/:");
  const std::string namePattern = cut == std::string::npos ? utf8 : utf8.substr(cut + 1);
  if (namePattern.empty()) return kInvalidHandle;
  std::string folderPart = cut == std::string::npos ? std::string(".") : utf8.substr(0, cut + 1);
  if (folderPart.back() == ':') folderPart += '.';  // "Z:name" searches the current folder
  const std::string folder = MapPathToHost(Utf8ToCp932(folderPart).c_str());
  if (folder.empty()) return kInvalidHandle;

  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return kInvalidHandle;
  std::vector<std::pair<std::u32string, std::string>> entries;
  while (dirent* entry = readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name != "." && name != ".." && names::WildcardMatch(namePattern, name)) {
      entries.emplace_back(names::Folded(name), std::string(name));
    }
  }
  closedir(dir);
  std::sort(entries.begin(), entries.end());

  auto search = std::make_shared<SearchObject>();
  if (folder != "/") {
    for (const char* dots : {".", ".."}) {
      FindData data{};
      if (names::WildcardMatch(namePattern, dots) && Describe(Join(folder, dots), dots, &data)) {
        search->found.push_back(data);
      }
    }
  }
  for (const auto& entry : entries) {
    FindData data{};
    if (Describe(Join(folder, entry.second), Utf8ToCp932(entry.second), &data)) search->found.push_back(data);
  }
  if (search->found.empty()) return kInvalidHandle;
  *out = search->found[0];
  search->next = 1;
  return kernel_objects::Register(std::move(search));
}

bool FindNextFile(Handle handle, FindData* out) {
  auto search = kernel_objects::FindAs<SearchObject>(handle, ObjectKind::kSearch);
  if (search == nullptr || out == nullptr || search->next >= search->found.size()) return false;
  *out = search->found[search->next++];
  return true;
}

bool FindClose(Handle handle) {
  if (kernel_objects::FindAs<SearchObject>(handle, ObjectKind::kSearch) == nullptr) return false;
  return kernel_objects::Unregister(handle);
}

}  // namespace pf
