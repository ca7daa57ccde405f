#include "support/lz_encoder.h"

#include <algorithm>
#include <array>
#include <stdexcept>

namespace zelvo_test {

void LzTokenWriter::Literal(std::uint8_t byte) {
  tokens_.push_back(byte);
  if (byte == escape_) tokens_.push_back(escape_);
}

void LzTokenWriter::Literals(const std::vector<std::uint8_t>& bytes) {
  for (std::uint8_t b : bytes) Literal(b);
}

void LzTokenWriter::Raw(const std::vector<std::uint8_t>& bytes) { tokens_.insert(tokens_.end(), bytes.begin(), bytes.end()); }

void LzTokenWriter::Match(std::size_t length, std::size_t distance) {
  std::size_t extra = length - kLzMinMatch;
  bool kind3Fits = !(extra > 31 && (extra & 31) == 31);   // that code would need m = 255
  if (previousDistance_ != 0 && distance == previousDistance_ + 1 && kind3Fits) {
    MatchOfKind(length, distance, 3);
  } else if (distance - 1 < 0x100) {
    MatchOfKind(length, distance, 0);
  } else if (distance - 1 < 0x10000) {
    MatchOfKind(length, distance, 1);
  } else {
    MatchOfKind(length, distance, 2);
  }
}

void LzTokenWriter::MatchOfKind(std::size_t length, std::size_t distance, int kind) {
  if (length < kLzMinMatch || length > kLzMaxMatch) throw std::invalid_argument("match length");
  std::size_t extra = length - kLzMinMatch;
  bool extended = extra > 31;
  unsigned m = static_cast<unsigned>((extra & 31) << 3 | (extended ? 4 : 0) | kind);
  if (m == 255) throw std::invalid_argument("length not encodable with kind 3");
  tokens_.push_back(escape_);
  tokens_.push_back(static_cast<std::uint8_t>(m < escape_ ? m : m + 1));
  if (extended) tokens_.push_back(static_cast<std::uint8_t>(extra >> 5));
  std::size_t raw = distance - 1;
  int distanceBytes = kind < 3 ? kind + 1 : 0;
  for (int i = 0; i < distanceBytes; ++i) tokens_.push_back(static_cast<std::uint8_t>(raw >> (8 * i)));
  previousDistance_ = distance;
}

std::vector<std::uint8_t> MakeLzBlock(std::uint32_t decompressedSize, std::uint8_t escape,
                                      const std::vector<std::uint8_t>& tokens) {
  std::vector<std::uint8_t> block(9);
  std::uint32_t total = static_cast<std::uint32_t>(tokens.size() + 9);
  for (int i = 0; i < 4; ++i) {
    block[i] = static_cast<std::uint8_t>(decompressedSize >> (8 * i));
    block[4 + i] = static_cast<std::uint8_t>(total >> (8 * i));
  }
  block[8] = escape;
  block.insert(block.end(), tokens.begin(), tokens.end());
  return block;
}

std::vector<std::uint8_t> LzCompress(const std::vector<std::uint8_t>& data) {
  std::array<std::size_t, 256> counts{};
  for (std::uint8_t b : data) ++counts[b];
  std::uint8_t escape = 0;
  for (int b = 1; b < 256; ++b) {
    if (counts[b] < counts[escape]) escape = static_cast<std::uint8_t>(b);
  }
  LzTokenWriter writer(escape);

  constexpr std::size_t kHashSize = 1 << 16;
  constexpr std::size_t kWindow = 1 << 24;
  constexpr int kChainDepth = 32;
  std::vector<std::int64_t> head(kHashSize, -1);
  std::vector<std::int64_t> chain(data.size(), -1);
  auto hashAt = [&](std::size_t i) {
    std::uint32_t v = data[i] | data[i + 1] << 8 | data[i + 2] << 16 | static_cast<std::uint32_t>(data[i + 3]) << 24;
    return (v * 2654435761u) >> 16;
  };
  auto insert = [&](std::size_t i) {
    if (i + kLzMinMatch > data.size()) return;
    std::uint32_t h = hashAt(i);
    chain[i] = head[h];
    head[h] = static_cast<std::int64_t>(i);
  };

  std::size_t i = 0;
  while (i < data.size()) {
    std::size_t bestLength = 0;
    std::size_t bestDistance = 0;
    if (i + kLzMinMatch <= data.size()) {
      std::int64_t candidate = head[hashAt(i)];
      for (int depth = 0; candidate >= 0 && depth < kChainDepth; ++depth) {
        std::size_t c = static_cast<std::size_t>(candidate);
        if (i - c > kWindow) break;
        std::size_t n = 0;
        std::size_t limit = std::min(kLzMaxMatch, data.size() - i);
        while (n < limit && data[c + n] == data[i + n]) ++n;
        if (n > bestLength) {
          bestLength = n;
          bestDistance = i - c;
        }
        candidate = chain[c];
      }
    }
    if (bestLength >= kLzMinMatch) {
      writer.Match(bestLength, bestDistance);
      for (std::size_t k = 0; k < bestLength; ++k) insert(i + k);
      i += bestLength;
    } else {
      writer.Literal(data[i]);
      insert(i);
      ++i;
    }
  }
  return MakeLzBlock(static_cast<std::uint32_t>(data.size()), escape, writer.Tokens());
}

}  // namespace zelvo_test
