// Growable arrays of untyped pointer slots. They never own what their slots point to:
// owners delete their elements themselves before they clear or destroy the array.
//
// Growth: the first allocation takes `initialSize` slots (raised for good by a larger first
// Reserve); later growth adds `growBy` slots, or automatically a quarter (SPtrArray) or an
// eighth (SPlainPtrArray) of the capacity, limited to 4..1024 slots. Memory exhaustion returns
// -1 and leaves the array as it was.
#pragma once

namespace vqm {

namespace detail {

// The slot block and its counters, shared by both array kinds; kDivisor picks the automatic
// growth step (capacity / kDivisor).
template <int kDivisor, int kInitialSize>
class PtrSlots {
 public:
  PtrSlots() = default;
  ~PtrSlots() { delete[] data; }
  PtrSlots(const PtrSlots&) = delete;
  PtrSlots& operator=(const PtrSlots&) = delete;

  int GetSize() const { return count; }
  int GetCapacity() const { return capacity; }
  // REQUIRES: 0 <= index < GetSize().
  void* GetAt(int index) const { return data[index]; }

  int Reserve(int n);
  int SetAtGrow(int index, void* pointer);
  int Add(void* pointer) { return SetAtGrow(count, pointer) < 0 ? -1 : count - 1; }
  // Add where the block has room. REQUIRES: GetSize() < GetCapacity().
  void AddWithinCapacity(void* pointer) { data[count++] = pointer; }
  // REQUIRES: 0 <= index and index + n <= GetSize(). The vacated slots keep their contents.
  void RemoveAt(int index, int n = 1);
  void RemoveAll() { Reserve(0); }

 protected:
  void** data = nullptr;
  int count = 0;
  int capacity = 0;
  int growBy = 0;
  int initialSize = kInitialSize;
};

}  // namespace detail

// The framework's root object: run-time class query, virtual destructor, serialisation hook.
class CObject {
 public:
  virtual const char* GetRuntimeClassName() const { return "CObject"; }
  virtual ~CObject() = default;
  virtual void Serialize() {}
};

class SPtrArray : public CObject, public detail::PtrSlots<4, 10> {
 public:
  const char* GetRuntimeClassName() const override { return "SPtrArray"; }

  // REQUIRES: 0 <= index < GetSize().
  void SetAt(int index, void* pointer) { data[index] = pointer; }
  // The slot, or null when index is out of range.
  void* GetAtOrNull(int index) const {
    return index < 0 || index >= count ? nullptr : data[index];
  }
  void** GetData() const { return data; }
  // First index holding that very pointer, or -1.
  int Find(const void* pointer) const;
  // Sorts the slots with the C library's quicksort; compare receives pointers to two slots.
  void Sort(int (*compare)(const void*, const void*));
};

// Typed view of a pointer array; adds no fields.
template <class BaseArray, class T>
class CTypedPtrArray : public BaseArray {
 public:
  T GetAt(int index) const { return static_cast<T>(BaseArray::GetAt(index)); }
  T GetAtOrNull(int index) const { return static_cast<T>(BaseArray::GetAtOrNull(index)); }
  T* GetData() const { return reinterpret_cast<T*>(BaseArray::GetData()); }
  void SetAt(int index, T pointer) { BaseArray::SetAt(index, pointer); }
  int SetAtGrow(int index, T pointer) { return BaseArray::SetAtGrow(index, pointer); }
  int Add(T pointer) { return BaseArray::Add(pointer); }
  int Find(T pointer) const { return BaseArray::Find(pointer); }
};

// Floats kept in pointer slots: each slot holds one float in its low four bytes.
class SFltArray : public SPtrArray {
 public:
  int AddFlt(float value);
  // The float at index, or 1000000000.0 when index is out of range.
  float GetFltAt(int index) const;
  // Sorts ascending; returns the count, or 0 (unsorted) below two elements.
  int SortFlt();
};

// The lighter array without virtual functions, first allocation 1000 slots.
class SPlainPtrArray : public detail::PtrSlots<8, 1000> {
 public:
  // Sets growBy unless step is -1, and initialSize when initial > 0.
  void SetGrowth(int initial, int step) {
    if (step != -1) growBy = step;
    if (initial > 0) initialSize = initial;
  }
};

}  // namespace vqm
