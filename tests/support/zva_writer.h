#pragma once
// Test-only writer of zva archives: versions 0 to 3, stored and compressed entries, folders,
// file times, scrambled with the key built from a key string (none by default) or left plain so
// the reader takes the fallback key. The image is built unscrambled with its layout recorded, so a
// test can damage any field before scrambling.
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zelvo_test {

struct ZvaItem {
  std::string path;                 // "BMP\\A.BMP"; parent folders are made as needed
  std::vector<std::uint8_t> data;
  bool compress = false;            // ignored before version 2
  bool folder = false;              // an explicit (possibly empty) folder
  std::uint64_t creationTime = 0;
  std::uint64_t lastWriteTime = 0;
};

struct ZvaOptions {
  int version = 2;
  bool plain = false;               // not scrambled: read through the fallback key
  const char* keyString = nullptr;
};

struct ZvaLayout {
  std::uint32_t blockOffset = 0;    // file offsets
  std::uint32_t blockSize = 0;
  std::uint32_t fileTable = 0;
  std::uint32_t dirTable = 0;
  std::uint32_t entrySize = 0;
  std::map<std::string, std::uint32_t> entryAt;   // file offset of each item's entry
  std::map<std::string, std::uint32_t> nameAt;    // file offset of each item's name record
  std::map<std::string, std::uint32_t> dataAt;    // file offset of each file's data or block
  std::map<std::string, std::uint32_t> dirAt;     // file offset of each folder's record ("" the root)
};

struct ZvaImage {
  std::vector<std::uint8_t> bytes;  // unscrambled
  ZvaLayout layout;
};

std::array<std::uint8_t, 12> ZvaKey(const char* keyString);
ZvaImage BuildZvaImage(const std::vector<ZvaItem>& items, const ZvaOptions& options);
std::vector<std::uint8_t> ScrambleZva(const std::vector<std::uint8_t>& plainBytes, const ZvaOptions& options);
std::vector<std::uint8_t> BuildZva(const std::vector<ZvaItem>& items, const ZvaOptions& options);

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
void PutU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value);
std::uint32_t GetU32(const std::vector<std::uint8_t>& bytes, std::size_t offset);
void WriteFileBytes(const std::string& hostPath, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> BytesOf(const std::string& text);

}  // namespace zelvo_test
