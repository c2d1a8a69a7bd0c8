// The order in which a host calls the entries of a manager: a chart calls the same one bar
// after bar, and a host that calculates its charts in turn calls them in the same order on
// every bar. A manager tries the entry found last, then the one found after it last time,
// before it hashes the keys, and asks ahead for the memory of the entries to come.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

namespace vqm {

class CallOrder {
 public:
  // The index found after `index` last time; -1 when none, or index is -1.
  int After(int index) const { return index >= 0 ? next_[static_cast<size_t>(index)] : -1; }

  // Room for the entry appended next; false, and nothing changed, when memory runs out.
  bool Grow() noexcept {
    try {
      next_.push_back(-1);
      return true;
    } catch (const std::bad_alloc&) {
      return false;
    }
  }
  // Takes back the room of the last Grow, when the entry could not be appended after all.
  void Shrink() { next_.pop_back(); }

  // Memory for the calls likely to come after `index` starts loading while this call
  // computes, ahead of need: `contents` asks for what the entry after the next reads (its
  // object, which that reads, was asked for two calls before), `object` for the object of
  // the entry four after this one, whose address alone is read. With only the next entry
  // known, its contents are asked for.
  template <typename Contents, typename Object>
  void FetchAhead(int index, Contents contents, Object object) const {
    const int next = After(index);
    const int afterNext = After(next);
    if (afterNext >= 0) {
      contents(afterNext);
      const int fourth = After(After(afterNext));
      if (fourth >= 0) object(fourth);
    } else if (next >= 0) {
      contents(next);
    }
  }

  // The entry the order finds with same(index): the one found last, or else the one found
  // after it last time, which is then taken and *moved set. -1 when neither matches.
  template <typename Same>
  int Find(Same same, bool* moved) {
    *moved = false;
    if (last_ < 0) return -1;
    if (same(last_)) return last_;
    const int next = After(last_);
    if (next < 0 || !same(next)) return -1;
    *moved = true;
    return last_ = next;
  }
  // index was found by a search: from now on it is the one after the one found last.
  int Learn(int index) {
    if (last_ >= 0) next_[static_cast<size_t>(last_)] = index;
    return last_ = index;
  }

 private:
  int last_ = -1;
  std::vector<int> next_;  // by index: the index found after it, or -1
};

}  // namespace vqm
