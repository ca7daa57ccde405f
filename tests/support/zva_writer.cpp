#include "support/zva_writer.h"

#include <deque>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "support/lz_encoder.h"

namespace zelvo_test {

namespace {

struct Node {
  std::string name;
  std::string path;
  bool folder = false;
  const ZvaItem* item = nullptr;
  std::vector<std::unique_ptr<Node>> children;
  std::uint32_t dirOffset = 0;      // folders: record offset in the directory table
  std::uint32_t firstEntry = 0;     // folders: offset of the first entry in the file table
};

bool IsLead(std::uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (IsLead(static_cast<std::uint8_t>(path[i])) && i + 1 < path.size()) {
      current += path.substr(i, 2);
      ++i;
    } else if (path[i] == '\\') {
      parts.push_back(current);
      current.clear();
    } else {
      current += path[i];
    }
  }
  parts.push_back(current);
  return parts;
}

Node* ChildNamed(Node* parent, const std::string& name) {
  for (auto& child : parent->children) {
    if (child->name == name) return child.get();
  }
  return nullptr;
}

// Name record: unit count, byte sum, upper-case key padded to whole units (at least one zero), name.
std::vector<std::uint8_t> NameRecord(const std::string& name) {
  std::vector<std::uint8_t> key;
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < name.size(); ++i) {
    std::uint8_t c = static_cast<std::uint8_t>(name[i]);
    if (IsLead(c) && i + 1 < name.size()) {
      key.push_back(c);
      key.push_back(static_cast<std::uint8_t>(name[i + 1]));
      sum += c + static_cast<std::uint8_t>(name[i + 1]);
      ++i;
      continue;
    }
    if (c >= 'a' && c <= 'z') c = static_cast<std::uint8_t>(c - 32);
    key.push_back(c);
    sum += c;
  }
  std::size_t units = (key.size() + 4) / 4;
  key.resize(units * 4, 0);
  std::vector<std::uint8_t> record(4);
  PutU16(record, 0, static_cast<std::uint16_t>(units));
  PutU16(record, 2, static_cast<std::uint16_t>(sum));
  record.insert(record.end(), key.begin(), key.end());
  record.insert(record.end(), name.begin(), name.end());
  record.push_back(0);
  return record;
}

void PutU64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value) {
  PutU32(bytes, offset, static_cast<std::uint32_t>(value));
  PutU32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

}  // namespace

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

void PutU16(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint16_t value) {
  bytes.at(offset) = static_cast<std::uint8_t>(value);
  bytes.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
}

std::uint32_t GetU32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(bytes.at(offset + i)) << (8 * i);
  return v;
}

std::array<std::uint8_t, 12> ZvaKey(const char* keyString) {
  std::array<std::uint8_t, 12> k;
  std::string s = keyString != nullptr ? keyString : "";
  for (std::size_t i = 0; i < 12; ++i) k[i] = s.empty() ? 0xAA : static_cast<std::uint8_t>(s[i % s.size()]);
  auto swap = [](std::uint8_t b) { return static_cast<std::uint8_t>((b << 4) | (b >> 4)); };
  auto rotl = [](std::uint8_t b, int n) { return static_cast<std::uint8_t>((b << n) | (b >> (8 - n))); };
  k[0] = static_cast<std::uint8_t>(~k[0]);
  k[1] = swap(k[1]);
  k[2] ^= 0x8A;
  k[3] = static_cast<std::uint8_t>(~swap(k[3]));
  k[4] = static_cast<std::uint8_t>(~k[4]);
  k[5] ^= 0xD3;
  k[6] = static_cast<std::uint8_t>(~k[6]);
  k[7] = static_cast<std::uint8_t>(~rotl(k[7], 5));
  k[8] = rotl(k[8], 3);
  k[9] ^= 0x3B;
  k[10] = static_cast<std::uint8_t>(swap(k[10]) ^ 0x47);
  k[11] ^= 0x6E;
  return k;
}

ZvaImage BuildZvaImage(const std::vector<ZvaItem>& items, const ZvaOptions& options) {
  Node root;
  root.folder = true;
  for (const ZvaItem& item : items) {
    std::vector<std::string> parts = SplitPath(item.path);
    Node* at = &root;
    std::string path;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      path += (i ? "\\" : "") + parts[i];
      bool last = i + 1 == parts.size();
      Node* child = ChildNamed(at, parts[i]);
      if (child == nullptr) {
        auto made = std::make_unique<Node>();
        made->name = parts[i];
        made->path = path;
        made->folder = !last || item.folder;
        child = made.get();
        at->children.push_back(std::move(made));
      }
      if (last && !item.folder) child->item = &item;
      at = child;
    }
  }

  const bool versioned = options.version >= 2;
  const std::uint32_t entrySize = versioned ? 44 : 40;
  ZvaImage image;
  std::vector<std::uint8_t>& out = image.bytes;
  ZvaLayout& layout = image.layout;
  layout.entrySize = entrySize;
  out.resize(24, 0);

  // Folders in breadth-first order: each folder's entries are contiguous, the root's record first.
  std::vector<Node*> folders{&root};
  for (std::size_t i = 0; i < folders.size(); ++i) {
    for (auto& child : folders[i]->children) {
      if (child->folder) folders.push_back(child.get());
    }
  }
  std::uint32_t entryCursor = 0;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    folders[i]->dirOffset = static_cast<std::uint32_t>(i * 16);
    folders[i]->firstEntry = entryCursor;
    entryCursor += static_cast<std::uint32_t>(folders[i]->children.size()) * entrySize;
  }

  // Data area right after the header.
  std::map<const Node*, std::pair<std::uint32_t, std::uint32_t>> dataPlace;   // offset from data area, block size
  std::vector<const Node*> files;
  for (Node* folder : folders) {
    for (auto& child : folder->children) {
      if (child->folder) continue;
      const ZvaItem* item = child->item;
      std::vector<std::uint8_t> stored = item->data;
      std::uint32_t blockSize = 0xFFFFFFFFu;
      if (versioned && item->compress) {
        stored = LzCompress(item->data);
        blockSize = static_cast<std::uint32_t>(stored.size());
      }
      dataPlace[child.get()] = {static_cast<std::uint32_t>(out.size() - 24), blockSize};
      layout.dataAt[child->path] = static_cast<std::uint32_t>(out.size());
      out.insert(out.end(), stored.begin(), stored.end());
    }
  }

  // Directory block: name table, file table, directory table.
  std::vector<std::uint8_t> names;
  std::map<const Node*, std::uint32_t> nameOffset;
  for (Node* folder : folders) {
    for (auto& child : folder->children) {
      nameOffset[child.get()] = static_cast<std::uint32_t>(names.size());
      std::vector<std::uint8_t> record = NameRecord(child->name);
      names.insert(names.end(), record.begin(), record.end());
    }
  }
  std::vector<std::uint8_t> fileTable(entryCursor, 0);
  std::vector<std::uint8_t> dirTable(folders.size() * 16, 0);
  std::map<const Node*, const Node*> parentOf;
  for (Node* folder : folders) {
    for (auto& child : folder->children) parentOf[child.get()] = folder;
  }
  for (Node* folder : folders) {
    std::uint32_t at = folder->dirOffset;
    PutU32(dirTable, at + 4, folder == &root ? 0xFFFFFFFFu : parentOf[folder]->dirOffset);
    PutU32(dirTable, at + 8, static_cast<std::uint32_t>(folder->children.size()));
    PutU32(dirTable, at + 12, folder->firstEntry);
    std::uint32_t e = folder->firstEntry;
    for (auto& child : folder->children) {
      const ZvaItem* item = child->item;
      PutU32(fileTable, e, nameOffset[child.get()]);
      PutU32(fileTable, e + 4, child->folder ? 0x10 : 0x20);
      std::uint64_t created = item ? item->creationTime : 0;
      std::uint64_t written = item ? item->lastWriteTime : 0;
      PutU64(fileTable, e + 8, created);
      PutU64(fileTable, e + 16, written);
      PutU64(fileTable, e + 24, written);
      if (child->folder) {
        PutU32(fileTable, e + 32, child->dirOffset);
        if (versioned) PutU32(fileTable, e + 40, 0xFFFFFFFFu);
      } else {
        PutU32(fileTable, e + 32, dataPlace[child.get()].first);
        PutU32(fileTable, e + 36, static_cast<std::uint32_t>(item->data.size()));
        if (versioned) PutU32(fileTable, e + 40, dataPlace[child.get()].second);
      }
      e += entrySize;
    }
  }

  layout.blockOffset = static_cast<std::uint32_t>(out.size());
  layout.fileTable = layout.blockOffset + static_cast<std::uint32_t>(names.size());
  layout.dirTable = layout.fileTable + static_cast<std::uint32_t>(fileTable.size());
  for (Node* folder : folders) {
    layout.dirAt[folder->path] = layout.dirTable + folder->dirOffset;
    std::uint32_t e = folder->firstEntry;
    for (auto& child : folder->children) {
      layout.entryAt[child->path] = layout.fileTable + e;
      layout.nameAt[child->path] = layout.blockOffset + nameOffset[child.get()];
      e += entrySize;
    }
  }
  out.insert(out.end(), names.begin(), names.end());
  out.insert(out.end(), fileTable.begin(), fileTable.end());
  out.insert(out.end(), dirTable.begin(), dirTable.end());
  layout.blockSize = static_cast<std::uint32_t>(out.size()) - layout.blockOffset;

  out[0] = 'Z';
  out[1] = 'V';
  PutU16(out, 2, static_cast<std::uint16_t>(options.version));
  PutU32(out, 4, layout.blockSize);
  PutU32(out, 8, 24);
  PutU32(out, 12, layout.blockOffset);
  PutU32(out, 16, layout.fileTable - layout.blockOffset);
  PutU32(out, 20, layout.dirTable - layout.blockOffset);
  return image;
}

std::vector<std::uint8_t> ScrambleZva(const std::vector<std::uint8_t>& plainBytes, const ZvaOptions& options) {
  std::vector<std::uint8_t> bytes = plainBytes;
  if (options.plain) return bytes;
  std::array<std::uint8_t, 12> key = ZvaKey(options.keyString);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] ^= key[i % 12];
  return bytes;
}

std::vector<std::uint8_t> BuildZva(const std::vector<ZvaItem>& items, const ZvaOptions& options) {
  return ScrambleZva(BuildZvaImage(items, options).bytes, options);
}

void WriteFileBytes(const std::string& hostPath, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(hostPath, std::ios::binary | std::ios::trunc);
  if (!file) throw std::runtime_error("cannot write " + hostPath);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> BytesOf(const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); }

}  // namespace zelvo_test
