// SipHash-2-4, fed a byte, an integer or a word at a time, under a key drawn at random once per process: the managers'
// indexes hash script-chosen symbol names with it, so that no set of names chosen in advance
// collides in every process (a flood of colliding names would make every lookup walk them all).
#pragma once

#include <cstdint>

namespace vqm {

class KeyedHash {
 public:
  // Under the process's key.
  KeyedHash();
  // Under a given key (tests compare with the reference values).
  KeyedHash(uint64_t key0, uint64_t key1);

  void Add(uint8_t byte);
  // The four bytes of value, low byte first.
  void AddInt32(uint32_t value);
  // The eight bytes of value, low byte first.
  void AddWord(uint64_t value);
  // The bytes of a zero-terminated text, each folded as toupper folds it under the calling
  // thread's locale, as the case-insensitive comparison does (texts that compare equal
  // ignoring case hash alike), eight to a word.
  void AddUpperCased(const char* text);
  // The hash of every byte added; the object is not used afterwards.
  uint64_t Finish();

 private:
  void Compress(uint64_t word);
  // The n (0 .. 8) low bytes of bytes, low byte first; the bytes above them are 0.
  void AddBytes(uint64_t bytes, unsigned n);

  uint64_t v0_, v1_, v2_, v3_;
  uint64_t pending_ = 0;  // bytes not yet compressed, low byte first
  uint64_t count_ = 0;    // bytes added
};

}  // namespace vqm
