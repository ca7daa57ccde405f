#pragma once
// Test-only encoder for the archive's LZ token format: literals, the doubled escape byte, and
// matches with one-, two- and three-byte distances or the "previous distance + 1" kind.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zelvo_test {

constexpr std::size_t kLzMinMatch = 4;
constexpr std::size_t kLzMaxMatch = 31 + (255 << 5) + 4;

class LzTokenWriter {
 public:
  explicit LzTokenWriter(std::uint8_t escape) : escape_(escape) {}
  void Literal(std::uint8_t byte);
  void Literals(const std::vector<std::uint8_t>& bytes);
  // Picks the shortest distance kind, or kind 3 when the distance is the previous one plus 1.
  void Match(std::size_t length, std::size_t distance);
  // Forces a kind (0, 1, 2, or 3 which writes no distance bytes).
  void MatchOfKind(std::size_t length, std::size_t distance, int kind);
  // Bytes appended as they are, for malformed streams.
  void Raw(const std::vector<std::uint8_t>& bytes);
  const std::vector<std::uint8_t>& Tokens() const { return tokens_; }
  std::uint8_t Escape() const { return escape_; }

 private:
  std::uint8_t escape_;
  std::vector<std::uint8_t> tokens_;
  std::size_t previousDistance_ = 0;
};

// A whole compressed block: decompressed size, block size (tokens + 9), escape byte, tokens.
std::vector<std::uint8_t> MakeLzBlock(std::uint32_t decompressedSize, std::uint8_t escape,
                                      const std::vector<std::uint8_t>& tokens);
// Greedy compression into a whole block; the escape byte is the data's rarest byte.
std::vector<std::uint8_t> LzCompress(const std::vector<std::uint8_t>& data);

}  // namespace zelvo_test
