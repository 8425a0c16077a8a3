// Counts what a test program asks of the heap, by replacing the global operator new.
// Include it in exactly one file of a test program: the replacement is the program's.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace tavrinole::test_support::heap {
inline std::atomic<long> Allocations{0};
inline std::atomic<size_t> Bytes{0};         // asked for in all
inline std::atomic<size_t> LargestBlock{0};  // the largest single request
}  // namespace tavrinole::test_support::heap

// GCC sees free() meet operator new's pointers below and cannot tell that this
// operator new is malloc().
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  namespace heap = tavrinole::test_support::heap;
  ++heap::Allocations;
  heap::Bytes += size;
  size_t largest = heap::LargestBlock.load();
  while (size > largest && !heap::LargestBlock.compare_exchange_weak(largest, size)) {
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
// Every other form goes through the one above, so that a sanitizer's own allocator never
// meets our free().
void* operator new[](std::size_t size) {
  return ::operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return ::operator new(size, std::nothrow);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
