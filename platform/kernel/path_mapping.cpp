// Windows paths on the POSIX tree: "Z:\" is the root; a path starting with a backslash starts at
// the root too (the current folder is always on Z:); anything else is relative to the current
// folder. Each component that exists is found without regard to case (its exact spelling first,
// then the folder's listing); missing components keep their spelling.
#include "platform/kernel/host_paths.h"
#include "platform/kernel/kernel.h"
#include "platform/kernel/name_compare.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <atomic>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace pf {
namespace {

// A folder listing, trusted while the folder's identity and change time are those seen when it
// was read and no create, delete or rename of this process came in between.
struct FolderListing {
  dev_t device = 0;
  ino_t inode = 0;
  timespec changed{};
  std::uint64_t generation = 0;
  std::vector<std::pair<std::u32string, std::string>> names;  // folded, actual; sorted
};

constexpr std::size_t kMaxCachedFolders = 256;

struct ListingCache {
  std::mutex mutex;
  std::unordered_map<std::string, std::shared_ptr<const FolderListing>> folders;
};

std::atomic<std::uint64_t> listingGeneration{1};

ListingCache& Cache() {
  static ListingCache* cache = new ListingCache;
  return *cache;
}

bool SameTime(const timespec& a, const timespec& b) { return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec; }

std::shared_ptr<const FolderListing> ReadListing(const std::string& folder, const struct stat& info) {
  auto listing = std::make_shared<FolderListing>();
  listing->device = info.st_dev;
  listing->inode = info.st_ino;
  listing->changed = info.st_mtim;
  listing->generation = listingGeneration.load(std::memory_order_acquire);
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return nullptr;
  while (dirent* entry = readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name == "." || name == "..") continue;
    listing->names.emplace_back(names::Folded(name), std::string(name));
  }
  closedir(dir);
  std::sort(listing->names.begin(), listing->names.end());
  return listing;
}

std::shared_ptr<const FolderListing> ListingOf(const std::string& folder) {
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return nullptr;
  ListingCache& cache = Cache();
  const std::uint64_t generation = listingGeneration.load(std::memory_order_acquire);
  {
    std::lock_guard<std::mutex> lock(cache.mutex);
    auto it = cache.folders.find(folder);
    if (it != cache.folders.end()) {
      const FolderListing& cached = *it->second;
      if (cached.generation == generation && cached.device == info.st_dev && cached.inode == info.st_ino &&
          SameTime(cached.changed, info.st_mtim)) {
        return it->second;
      }
    }
  }
  std::shared_ptr<const FolderListing> listing = ReadListing(folder, info);
  if (listing == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(cache.mutex);
  if (cache.folders.size() >= kMaxCachedFolders) cache.folders.clear();
  cache.folders[folder] = listing;
  return listing;
}

std::string Join(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || path.back() != '/') path += '/';
  path += name;
  return path;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// The name in the folder that equals `name` ignoring case (the first in sorted order), or empty.
std::string FindIgnoringCase(const std::string& folder, std::string_view name) {
  std::shared_ptr<const FolderListing> listing = ListingOf(folder);
  if (listing == nullptr) return {};
  const std::u32string key = names::Folded(name);
  auto it = std::lower_bound(listing->names.begin(), listing->names.end(), key,
                             [](const auto& entry, const std::u32string& k) { return entry.first < k; });
  return it != listing->names.end() && it->first == key ? it->second : std::string();
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsHostSeparator(char c) { return c == '/'; }

// Cuts the UTF-8 path into components, dropping empty ones and "." and applying "..".
std::vector<std::string_view> Components(std::string_view path, std::vector<std::string_view> base,
                                         bool (*separator)(char)) {
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !separator(path[end])) ++end;
    std::string_view part = path.substr(start, end - start);
    if (part == "..") {
      if (!base.empty()) base.pop_back();
    } else if (!part.empty() && part != ".") {
      base.push_back(part);
    }
    start = end + 1;
  }
  return base;
}

}  // namespace

namespace host_paths {

void ForgetFolderListings() { listingGeneration.fetch_add(1, std::memory_order_acq_rel); }

std::string FolderOf(const std::string& hostPath) {
  const std::size_t slash = hostPath.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : hostPath.substr(0, slash);
}

std::string CurrentFolder() {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return std::string(buffer.data());
}

}  // namespace host_paths

std::string MapPathToHost(const char* path) {
  if (path == nullptr || path[0] == '\0') return {};
  const std::string utf8 = Cp932ToUtf8(path);
  std::string_view rest = utf8;
  bool fromRoot = false;
  if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
    if (rest[0] != 'Z' && rest[0] != 'z') return {};  // the only drive there is
    rest.remove_prefix(2);
    fromRoot = !rest.empty() && IsSeparator(rest[0]);
  } else {
    fromRoot = IsSeparator(rest[0]);
  }

  const std::string current = fromRoot ? std::string() : host_paths::CurrentFolder();
  // The current folder is the host's own spelling already; only the given components are looked up.
  const std::vector<std::string_view> baseParts = Components(current, {}, IsHostSeparator);
  const std::vector<std::string_view> parts = Components(rest, baseParts, IsSeparator);

  std::string exact;
  for (std::string_view part : parts) exact = Join(exact, part);
  if (exact.empty()) return "/";
  if (Exists(exact)) return exact;

  // Walk from the first component the given path added, finding each one without regard to case.
  std::size_t common = 0;
  while (common < baseParts.size() && common < parts.size() && baseParts[common].data() == parts[common].data()) {
    ++common;
  }
  std::string host = "/";
  for (std::size_t i = 0; i < common; ++i) host = Join(host, parts[i]);
  bool missing = false;
  for (std::size_t i = common; i < parts.size(); ++i) {
    std::string candidate = Join(host, parts[i]);
    if (!missing && !Exists(candidate)) {
      std::string found = FindIgnoringCase(host, parts[i]);
      if (found.empty()) {
        missing = true;
      } else {
        candidate = Join(host, found);
      }
    }
    host = std::move(candidate);
  }
  return host;
}

std::string HostPathToWindows(std::string_view hostPath) {
  std::string absolute = !hostPath.empty() && hostPath[0] == '/' ? std::string(hostPath)
                                                                  : Join(host_paths::CurrentFolder(), hostPath);
  std::string windows = "Z:";
  for (std::string_view part : Components(absolute, {}, IsHostSeparator)) {
    windows += '\\';
    windows += part;
  }
  if (windows.size() == 2) windows += '\\';
  return Utf8ToCp932(windows);
}

}  // namespace pf
