#pragma once
// The game's data set: every file under the path the game opens it by (backslashes, as the game
// names it), built in memory, then written loose into a folder or packed into one archive per
// top-level folder.
#include <cstdint>
#include <string>
#include <vector>

namespace zelvo_datagen {

using Bytes = std::vector<std::uint8_t>;

struct DataFile {
  std::string path;   // "bmp\system\number.bmp"
  Bytes bytes;
};

struct DataSet {
  std::vector<DataFile> files;
  // Folders the game writes into but never creates: made empty in both layouts.
  std::vector<std::string> emptyFolders;

  void Add(const std::string& path, Bytes bytes);
  void Add(const std::string& path, const std::string& text);
  const DataFile* Find(const std::string& path) const;
};

// Each adds one family of files.
void AddSystemPictures(DataSet& set);
void AddCharacterPictures(DataSet& set);
void AddEffectPictures(DataSet& set);
void AddScenePictures(DataSet& set);
void AddMotionFiles(DataSet& set);
void AddSoundEffects(DataSet& set);
void AddMusic(DataSet& set);
void AddMapFiles(DataSet& set);
void AddTextFiles(DataSet& set);

DataSet BuildGameData();

// Loose files under root (folders made as needed); returns 0 or -1 with a message on stderr.
int WriteLoose(const DataSet& set, const std::string& root);
// One "<folder>.zva" archive per top-level folder, entries relative to it; files at the top
// level stay loose.
int WritePacked(const DataSet& set, const std::string& root);

}  // namespace zelvo_datagen
