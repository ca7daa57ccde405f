#include "data_set.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <stdexcept>

#include "support/zva_writer.h"

namespace zelvo_datagen {
namespace {

namespace fs = std::filesystem;

fs::path HostPath(const std::string& root, const std::string& gamePath) {
  std::string relative = gamePath;
  for (char& c : relative)
    if (c == '\\') c = '/';
  return fs::path(root) / relative;
}

int WriteBytes(const fs::path& path, const Bytes& bytes) {
  std::error_code error;
  fs::create_directories(path.parent_path(), error);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
    return -1;
  }
  return 0;
}

// A fresh, empty root so no stale file of an older generator survives.
int ResetRoot(const std::string& root) {
  std::error_code error;
  fs::remove_all(root, error);
  fs::create_directories(root, error);
  if (error) {
    std::fprintf(stderr, "cannot make %s: %s\n", root.c_str(), error.message().c_str());
    return -1;
  }
  return 0;
}

int MakeEmptyFolders(const DataSet& set, const std::string& root) {
  for (const std::string& folder : set.emptyFolders) {
    std::error_code error;
    fs::create_directories(HostPath(root, folder), error);
    if (error) return -1;
  }
  return 0;
}

}  // namespace

void DataSet::Add(const std::string& path, Bytes bytes) {
  if (Find(path) != nullptr) throw std::logic_error("data file added twice: " + path);
  files.push_back({path, std::move(bytes)});
}

void DataSet::Add(const std::string& path, const std::string& text) { Add(path, Bytes(text.begin(), text.end())); }

const DataFile* DataSet::Find(const std::string& path) const {
  for (const DataFile& file : files)
    if (file.path == path) return &file;
  return nullptr;
}

DataSet BuildGameData() {
  DataSet set;
  AddSystemPictures(set);
  AddCharacterPictures(set);
  AddEffectPictures(set);
  AddScenePictures(set);
  AddMotionFiles(set);
  AddSoundEffects(set);
  AddMusic(set);
  AddMapFiles(set);
  AddTextFiles(set);
  set.emptyFolders = {"save", "ss", "cg"};
  return set;
}

int WriteLoose(const DataSet& set, const std::string& root) {
  if (ResetRoot(root) != 0) return -1;
  for (const DataFile& file : set.files)
    if (WriteBytes(HostPath(root, file.path), file.bytes) != 0) return -1;
  return MakeEmptyFolders(set, root);
}

int WritePacked(const DataSet& set, const std::string& root) {
  if (ResetRoot(root) != 0) return -1;
  std::map<std::string, std::vector<zelvo_test::ZvaItem>> archives;
  for (const DataFile& file : set.files) {
    std::size_t cut = file.path.find('\\');
    if (cut == std::string::npos) {
      if (WriteBytes(HostPath(root, file.path), file.bytes) != 0) return -1;
      continue;
    }
    zelvo_test::ZvaItem item;
    item.path = file.path.substr(cut + 1);
    item.data = file.bytes;
    item.compress = true;
    archives[file.path.substr(0, cut)].push_back(std::move(item));
  }
  zelvo_test::ZvaOptions options;   // version 2, scrambled with the default key
  for (const auto& [folder, items] : archives)
    if (WriteBytes(fs::path(root) / (folder + ".zva"), zelvo_test::BuildZva(items, options)) != 0) return -1;
  return MakeEmptyFolders(set, root);
}

}  // namespace zelvo_datagen
