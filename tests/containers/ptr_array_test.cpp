#include "containers/ptr_array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vqm {
namespace {

// Exposes the counters the growth rules are written in.
template <class Array>
struct Probe : Array {
  int Capacity() const { return this->capacity; }
  int InitialSize() const { return this->initialSize; }
};

void* P(intptr_t i) { return reinterpret_cast<void*>(i); }

template <class Array>
void FillTo(Probe<Array>& a, int capacity) {
  a.Reserve(capacity);
  while (a.GetSize() < a.Capacity()) a.Add(P(a.GetSize() + 1));
}

TEST(SPtrArray, GrowthSteps) {
  Probe<SPtrArray> a;
  EXPECT_EQ(0, a.Capacity());
  EXPECT_EQ(0, a.Add(P(1)));
  EXPECT_EQ(10, a.Capacity());
  for (int i = 1; i < 10; ++i) a.Add(P(i + 1));
  EXPECT_EQ(10, a.Add(P(11)));  // the eleventh grows by the minimum step
  EXPECT_EQ(14, a.Capacity());
  for (int i = 0; i < 11; ++i) EXPECT_EQ(P(i + 1), a.GetAt(i));

  struct Case {
    int capacity;
    int grown;
  } cases[] = {{400, 500}, {8000, 9024}, {12, 16}, {4096, 5120}};
  for (const Case& c : cases) {
    Probe<SPtrArray> b;
    FillTo(b, c.capacity);
    ASSERT_EQ(c.capacity, b.Capacity());
    b.Add(P(7));
    EXPECT_EQ(c.grown, b.Capacity()) << c.capacity;
  }
}

TEST(SPlainPtrArray, GrowthSteps) {
  Probe<SPlainPtrArray> a;
  a.Add(P(1));
  EXPECT_EQ(1000, a.Capacity());
  FillTo(a, 1000);
  a.Add(P(1));
  EXPECT_EQ(1125, a.Capacity());

  Probe<SPlainPtrArray> fixed;
  fixed.SetGrowth(100, 100);
  fixed.Add(P(1));
  EXPECT_EQ(100, fixed.Capacity());
  FillTo(fixed, 100);
  fixed.Add(P(1));
  EXPECT_EQ(200, fixed.Capacity());
  fixed.SetGrowth(0, -1);  // neither changes
  EXPECT_EQ(100, fixed.InitialSize());
}

TEST(SPtrArray, ReserveRaisesTheInitialSize) {
  Probe<SPtrArray> a;
  EXPECT_EQ(0, a.Reserve(50));
  EXPECT_EQ(50, a.Capacity());
  EXPECT_EQ(0, a.GetSize());
  a.RemoveAll();
  EXPECT_EQ(0, a.Capacity());
  a.Add(P(1));
  EXPECT_EQ(50, a.Capacity());
}

TEST(SPtrArray, SetAtGrowRemoveAndFind) {
  Probe<SPtrArray> a;
  EXPECT_EQ(0, a.SetAtGrow(20, P(9)));
  EXPECT_EQ(21, a.GetSize());
  for (int i = 0; i < 20; ++i) EXPECT_EQ(nullptr, a.GetAt(i));
  EXPECT_EQ(20, a.Find(P(9)));
  EXPECT_EQ(0, a.Find(nullptr));
  EXPECT_EQ(-1, a.Find(P(5)));
  EXPECT_EQ(nullptr, a.GetAtOrNull(-1));
  EXPECT_EQ(nullptr, a.GetAtOrNull(21));
  EXPECT_EQ(-1, a.SetAtGrow(-1, P(1)));

  SPtrArray b;
  for (int i = 1; i <= 5; ++i) b.Add(P(i));
  b.RemoveAt(1, 2);
  ASSERT_EQ(3, b.GetSize());
  EXPECT_EQ(P(1), b.GetAt(0));
  EXPECT_EQ(P(4), b.GetAt(1));
  EXPECT_EQ(P(5), b.GetAt(2));
  EXPECT_EQ(P(4), b.GetData()[3]);  // vacated slots keep their contents
  b.RemoveAt(0, b.GetSize());
  EXPECT_EQ(0, b.GetSize());
  EXPECT_NE(nullptr, b.GetData());  // the block stays until RemoveAll
  b.RemoveAll();
  EXPECT_EQ(nullptr, b.GetData());
  EXPECT_STREQ("SPtrArray", b.GetRuntimeClassName());
}

TEST(SPtrArray, MemoryExhaustionLeavesTheArrayAsItWas) {
  Probe<SPtrArray> a;
  a.Add(P(1));
  EXPECT_EQ(-1, a.Reserve(0x7fffffff));
  EXPECT_EQ(-1, a.SetAtGrow(0x7ffffff0, P(2)));
  EXPECT_EQ(10, a.Capacity());
  EXPECT_EQ(1, a.GetSize());
  EXPECT_EQ(P(1), a.GetAt(0));
}

TEST(SFltArray, AddSortAndOutOfRange) {
  SFltArray f;
  EXPECT_EQ(0, f.SortFlt());
  const float values[] = {3.5f, -1.0f, 2.25f, -1.0f, 1e30f, 0.0f};
  for (float v : values) f.AddFlt(v);
  EXPECT_EQ(1000000000.0f, f.GetFltAt(-1));
  EXPECT_EQ(1000000000.0f, f.GetFltAt(6));
  // The high half of a float slot is zero.
  EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(f.GetAt(0)) >> 32);
  EXPECT_EQ(6, f.SortFlt());
  const float sorted[] = {-1.0f, -1.0f, 0.0f, 2.25f, 3.5f, 1e30f};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(sorted[i], f.GetFltAt(i));
}

struct Item {
  int key;
};

TEST(CTypedPtrArray, SortsThroughTheComparison) {
  CTypedPtrArray<SPtrArray, Item*> a;
  std::vector<Item> items = {{5}, {1}, {4}, {2}, {3}};
  for (Item& i : items) a.Add(&i);
  a.Sort([](const void* x, const void* y) {
    return (*static_cast<Item* const*>(x))->key - (*static_cast<Item* const*>(y))->key;
  });
  for (int i = 0; i < 5; ++i) EXPECT_EQ(i + 1, a.GetAt(i)->key);
  EXPECT_EQ(&items[1], a.GetData()[0]);
}

}  // namespace
}  // namespace vqm
