// The zva format's pure parts: key, name keys, wildcards and LZ decompression.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "media/core/archive.h"
#include "support/lz_encoder.h"
#include "support/zva_writer.h"

namespace zelvo_test {
namespace {

using namespace zelvo;

std::vector<std::uint8_t> KeyBytes(const char* keyString) {
  ArchiveKey key;
  BuildArchiveKey(keyString, &key);
  return std::vector<std::uint8_t>(key.bytes, key.bytes + 12);
}

TEST(ArchiveKeyTest, FixedKeyWithoutAKeyString) {
  EXPECT_EQ(KeyBytes(nullptr),
            (std::vector<std::uint8_t>{0x55, 0xAA, 0x20, 0x55, 0x55, 0x79, 0x55, 0xAA, 0x55, 0x91, 0xED, 0xC4}));
  EXPECT_EQ(KeyBytes(""), KeyBytes(nullptr));
}

TEST(ArchiveKeyTest, KeyStringsRepeatOrAreCut) {
  EXPECT_EQ(KeyBytes("ab"), KeyBytes("abababababab"));
  EXPECT_EQ(KeyBytes("abcde"), KeyBytes("abcdeabcdeab"));
  EXPECT_EQ(KeyBytes("abcdefghijklmnop"), KeyBytes("abcdefghijkl"));
  EXPECT_NE(KeyBytes("abcdefghijkl"), KeyBytes("abcdefghijkm"));
  for (const char* s : {"k", "key", "a long key string"}) {
    std::array<std::uint8_t, 12> writer = ZvaKey(s);
    EXPECT_EQ(KeyBytes(s), std::vector<std::uint8_t>(writer.begin(), writer.end())) << s;
  }
}

TEST(ArchiveKeyTest, UnscramblingStartsAtTheRunsFileOffset) {
  std::vector<std::uint8_t> plain(100);
  for (int i = 0; i < 100; ++i) plain[i] = static_cast<std::uint8_t>(i * 7);
  ZvaOptions options;
  std::vector<std::uint8_t> scrambled = ScrambleZva(plain, options);
  ArchiveKey key;
  BuildArchiveKey(nullptr, &key);
  for (std::uint32_t start : {0u, 7u, 12u, 37u}) {
    std::vector<std::uint8_t> run(scrambled.begin() + start, scrambled.begin() + start + 50);
    UnscrambleArchiveBytes(run.data(), run.size(), start, key);
    EXPECT_TRUE(std::equal(run.begin(), run.end(), plain.begin() + start)) << start;
  }
}

TEST(ArchiveKeyTest, ComplementInvertsEveryByte) {
  std::uint8_t bytes[7] = {0, 1, 2, 0xFF, 0x80, 0x7F, 0x55};
  ComplementBytes(bytes, sizeof bytes);
  const std::uint8_t expected[7] = {0xFF, 0xFE, 0xFD, 0x00, 0x7F, 0x80, 0xAA};
  EXPECT_EQ(0, std::memcmp(bytes, expected, 7));
}

struct NameKeyCase {
  const char* component;
  int consumed;
  int units;
  std::string key;   // the key's bytes, padding included
};

TEST(ArchiveNameKeyTest, UpperCasePaddedKeysWithByteSums) {
  const NameKeyCase cases[] = {
      {"abc", 3, 1, std::string("ABC\0", 4)},
      {"abcd", 4, 2, std::string("ABCD\0\0\0\0", 8)},
      {"a.bmp\\rest", 5, 2, std::string("A.BMP\0\0\0", 8)},
      {"\x88\x61z", 3, 1, std::string("\x88\x61Z\0", 4)},          // a trail byte 'a' is not converted
      {"\x95\x5C\\x", 2, 1, std::string("\x95\x5C\0\0", 4)},       // a trail byte 0x5C does not end the name
      {"a\x88", 2, 1, std::string("A\x88\0\0", 4)},                // a lead byte before the end stands alone
      {"", 0, 1, std::string("\0\0\0\0", 4)},
  };
  for (const NameKeyCase& c : cases) {
    ArchiveNameKey key;
    EXPECT_EQ(MakeArchiveNameKey(c.component, &key), c.consumed) << c.component;
    EXPECT_EQ(key.units, c.units) << c.component;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(key.bytes), key.units * 4u), c.key) << c.component;
    unsigned sum = 0;
    for (char ch : c.key) sum += static_cast<unsigned char>(ch);
    EXPECT_EQ(key.check, static_cast<std::uint16_t>(sum)) << c.component;
  }
}

TEST(ArchiveNameKeyTest, OverlongComponentMatchesNothing) {
  std::string name(255, 'n');
  ArchiveNameKey key;
  EXPECT_EQ(MakeArchiveNameKey(name.c_str(), &key), 255);
  EXPECT_EQ(key.units, 64);
  name += "nn\\x";
  EXPECT_EQ(MakeArchiveNameKey(name.c_str(), &key), 257);
  EXPECT_EQ(key.units, 0);
}

TEST(WildcardMatchTest, FirstOccurrenceStarsAndShiftJis) {
  struct Case { const char* name; const char* pattern; int result; };
  const Case cases[] = {
      {"A.BMP", "*.BMP", 0},       {"A.B.BMP", "*.BMP", -1},   {"ABC", "ABC*", -1},  {"ABC", "A?C", 0},
      {"AB", "A?C", -1},           {"ABC", "*", 0},            {"", "*", 0},         {"X", "", -1},
      {"", "", 0},                 {"ABC", "**C", 0},          {"ABCD", "*D", 0},    {"", "?", -1},
      {"ABC", "abc", -1},          {"\x95\x5C.BMP", "\x95\x5C*", 0},                 {"\x95\x5D", "\x95\x5C", -1},
      {"A\x95\x5C", "A?\x5C", 0},  {".", "*", 0},              {"..", "*.*", 0},     {"A", "*.*", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.result) << c.name << " ~ " << c.pattern;
}

std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& block, std::size_t capacity) {
  std::vector<std::uint8_t> out(capacity);
  std::int64_t n = DecompressArchiveBlock(block.data(), block.size(), out.data(), capacity);
  if (n < 0) return {0xDE, 0xAD};
  out.resize(static_cast<std::size_t>(n));
  return out;
}

TEST(ArchiveDecompressTest, TokensOfEveryKind) {
  LzTokenWriter w(0x41);                       // 'A' is the escape byte
  w.Literals(BytesOf("xyzA"));                 // the escape byte as a literal is doubled
  w.MatchOfKind(4, 1, 0);                      // distance 1 repeats the last byte
  w.MatchOfKind(6, 4, 0);                      // overlapping copy
  w.MatchOfKind(5, 5, 3);                      // kind 3: the previous distance plus 1
  w.MatchOfKind(4, 2, 1);                      // two distance bytes
  w.MatchOfKind(4, 3, 2);                      // three distance bytes
  std::string expected = "xyzA" "AAAA";
  auto copy = [&](std::size_t length, std::size_t distance) {
    for (std::size_t i = 0; i < length; ++i) expected += expected[expected.size() - distance];
  };
  copy(6, 4);
  copy(5, 5);
  copy(4, 2);
  copy(4, 3);
  std::vector<std::uint8_t> block = MakeLzBlock(static_cast<std::uint32_t>(expected.size()), 0x41, w.Tokens());
  EXPECT_EQ(Decode(block, expected.size()), BytesOf(expected));
  EXPECT_EQ(DecompressArchiveBlock(block.data(), block.size(), nullptr, 0), static_cast<std::int64_t>(expected.size()));
}

TEST(ArchiveDecompressTest, LongestMatchAndFarDistances) {
  LzTokenWriter w(0x00);
  w.Literal('q');
  w.MatchOfKind(kLzMaxMatch, 1, 0);            // length field 31, extension 255
  ASSERT_EQ(kLzMaxMatch, 31u + (255u << 5) + 4u);
  std::vector<std::uint8_t> expected(kLzMaxMatch + 1, 'q');
  EXPECT_EQ(Decode(MakeLzBlock(static_cast<std::uint32_t>(expected.size()), 0, w.Tokens()), expected.size()), expected);

  std::vector<std::uint8_t> data(70000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
  LzTokenWriter far(0x00);
  for (std::uint8_t b : data) far.Literal(b);
  far.MatchOfKind(100, 70000, 2);
  far.MatchOfKind(50, 300, 1);
  std::vector<std::uint8_t> whole = data;
  for (int i = 0; i < 100; ++i) whole.push_back(whole[whole.size() - 70000]);
  for (int i = 0; i < 50; ++i) whole.push_back(whole[whole.size() - 300]);
  EXPECT_EQ(Decode(MakeLzBlock(static_cast<std::uint32_t>(whole.size()), 0, far.Tokens()), whole.size()), whole);
}

TEST(ArchiveDecompressTest, GreedyEncoderRoundTrips) {
  std::vector<std::vector<std::uint8_t>> inputs;
  inputs.push_back({});
  inputs.push_back(BytesOf("abcabcabcabcabcabc hello hello hello"));
  inputs.push_back(std::vector<std::uint8_t>(20000, 0));
  std::vector<std::uint8_t> mixed;
  for (int i = 0; i < 90000; ++i) mixed.push_back(static_cast<std::uint8_t>(i % 251 == 0 ? i / 7 : (i * 31) % 97));
  std::vector<std::uint8_t> noise(70000);
  for (std::size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 11);
  mixed.insert(mixed.end(), noise.begin(), noise.end());
  mixed.insert(mixed.end(), noise.begin(), noise.begin() + 5000);
  inputs.push_back(mixed);
  for (const auto& input : inputs) {
    std::vector<std::uint8_t> block = LzCompress(input);
    EXPECT_EQ(Decode(block, input.size()), input) << input.size();
  }
}

struct BadBlockCase {
  const char* name;
  std::vector<std::uint8_t> block;
  std::size_t capacity;
};

std::vector<std::uint8_t> Block(std::uint32_t size, std::uint8_t escape, const std::vector<std::uint8_t>& tokens) {
  return MakeLzBlock(size, escape, tokens);
}

TEST(ArchiveDecompressTest, MalformedBlocksAreRefused) {
  std::vector<std::uint8_t> stated = Block(4, 0x41, BytesOf("abcd"));
  PutU32(stated, 4, 200);   // block size beyond the bytes there are
  std::vector<std::uint8_t> tiny = Block(4, 0x41, BytesOf("abcd"));
  PutU32(tiny, 4, 5);
  const BadBlockCase cases[] = {
      {"escape as last byte", Block(1, 0x41, {'x', 0x41}), 1},
      {"match without its distance byte", Block(8, 0x41, {'x', 0x41, 0x00}), 8},
      {"match without its length extension", Block(40, 0x41, {'x', 0x41, 0x04}), 40},
      {"two-byte distance cut short", Block(8, 0x41, {'x', 0x41, 0x01, 0x00}), 8},
      {"literal beyond the stated size", Block(2, 0x41, BytesOf("abc")), 2},
      {"match beyond the stated size", Block(4, 0x41, {'x', 0x41, 0x00, 0x00}), 5},
      {"distance before the output", Block(6, 0x41, {'x', 'y', 0x41, 0x00, 0x02}), 6},
      {"kind 3 before any match", Block(5, 0x41, {'x', 0x41, 0x03}), 5},
      {"fewer bytes than stated", Block(5, 0x41, BytesOf("abc")), 5},
      {"stated size above the room", Block(8, 0x41, BytesOf("abcdefgh")), 4},
      {"block size beyond the data", stated, 4},
      {"block size below its header", tiny, 4},
      {"shorter than a header", {4, 0, 0, 0, 9, 0, 0}, 4},
  };
  for (const BadBlockCase& c : cases) {
    std::vector<std::uint8_t> out(c.capacity);
    EXPECT_EQ(DecompressArchiveBlock(c.block.data(), c.block.size(), out.data(), c.capacity), -1) << c.name;
  }
}

}  // namespace
}  // namespace zelvo_test
