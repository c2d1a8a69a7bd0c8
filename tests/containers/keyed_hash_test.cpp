#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <string>

#include "base/text.h"
#include "base/upper_fold.h"
#include "containers/keyed_hash.h"

namespace vqm {
namespace {

// The reference values of SipHash-2-4 (key 00 01 .. 0f, message 00 01 .. n-1): the hash the
// indexes use is the published function, fed in pieces or whole.
TEST(KeyedHash, ReferenceValues) {
  const struct {
    int length;
    uint64_t hash;
  } cases[] = {{0, 0x726fdb47dd0e0e31ull}, {1, 0x74f839c593dc67fdull}, {15, 0xa129ca6149be45e5ull}};
  for (const auto& c : cases) {
    KeyedHash h(0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull);
    for (int i = 0; i < c.length; ++i) h.Add(static_cast<uint8_t>(i));
    EXPECT_EQ(c.hash, h.Finish()) << c.length;
  }
  // Integers and folded texts fed a word at a time hash as their bytes one by one, at every
  // alignment within a word and across words.
  const char* const texts[] = {"", "e", "esZ24", "portfolio_1234", "a-much-longer-symbol.name/x"};
  for (int before = 0; before < 8; ++before)
    for (const char* text : texts) {
      KeyedHash words(0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull);
      KeyedHash bytes(0x0706050403020100ull, 0x0f0e0d0c0b0a0908ull);
      for (int i = 0; i < before; ++i) {
        words.Add(static_cast<uint8_t>(i));
        bytes.Add(static_cast<uint8_t>(i));
      }
      words.AddUpperCased(text);
      for (const char* c = text; *c != 0; ++c)
        bytes.Add(static_cast<uint8_t>(toupper(static_cast<unsigned char>(*c))));
      for (uint32_t v : {0x03020100u, 0xFFFFFFFFu, 0x80000001u}) {
        words.AddInt32(v);
        for (int shift = 0; shift < 32; shift += 8) bytes.Add(static_cast<uint8_t>(v >> shift));
      }
      words.AddWord(0x8877665544332211ull);
      for (int shift = 0; shift < 64; shift += 8)
        bytes.Add(static_cast<uint8_t>(0x8877665544332211ull >> shift));
      EXPECT_EQ(bytes.Finish(), words.Finish()) << before << " " << text;
    }
  // The process key is not the all-zero key a forgotten draw would leave.
  KeyedHash process;
  KeyedHash zero(0, 0);
  process.Add('E');
  zero.Add('E');
  EXPECT_NE(zero.Finish(), process.Finish());
}

// The fold the comparison and the hash share is toupper's, byte for byte, under whatever
// locale the host has set (those this system has; a Turkish one folds i to 0xDD), so that
// texts that compare equal ignoring case keep hashing equal.
TEST(UpperFold, AsToupperUnderTheHostsLocale) {
  const std::string before = setlocale(LC_CTYPE, nullptr);
  for (const char* name : {"C", "C.UTF-8", "tr_TR.ISO-8859-9", "de_DE.ISO-8859-1", ""}) {
    if (setlocale(LC_CTYPE, name) == nullptr) continue;
    const UpperFold fold;
    for (int c = 0; c < 256; ++c)
      ASSERT_EQ(toupper(c), fold(static_cast<unsigned char>(c))) << name << " " << c;
    for (int c = 1; c < 256; ++c) {
      const char lower[] = {static_cast<char>(c), 'x', 0};
      const char upper[] = {static_cast<char>(toupper(c)), 'X', 0};
      ASSERT_EQ(0, StrCompareNoCase(lower, upper, 1)) << name << " " << c;
      KeyedHash a, b;
      a.AddUpperCased(lower);
      b.AddUpperCased(upper);
      ASSERT_EQ(a.Finish(), b.Finish()) << name << " " << c;
    }
  }
  setlocale(LC_CTYPE, before.c_str());
}

}  // namespace
}  // namespace vqm
