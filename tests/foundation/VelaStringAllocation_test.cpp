// What the string allocates: the capacity classes, reallocation only at class
// boundaries (growing and shrinking), no allocation for copies, one block for
// the first write to a shared copy.
//
// The C runtime's malloc, realloc and free are replaced in this executable by
// forwarders to glibc's own entry points, so the shared library's calls land
// here and can be logged. The log is written only by the thread that opened
// it and only while it is open; the checks run after it is closed, so the
// test framework's own allocations never show. Under a sanitizer that owns
// the allocator the replacement is left out and the tests are skipped.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "vela/foundation/VelaString.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VELA_TEST_ALLOCATOR_OWNED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define VELA_TEST_ALLOCATOR_OWNED 1
#endif
#endif

namespace {

enum class Call { Malloc, Realloc, Free };

struct Event {
  Call call;
  std::size_t size;  // requested size; 0 for free
  void* block;       // block returned (malloc, realloc) or released (free)

  bool operator==(const Event& other) const { return call == other.call && size == other.size; }
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
  static const char* const kNames[] = {"malloc", "realloc", "free"};
  return os << kNames[static_cast<int>(e.call)] << '(' << e.size << ')';
}

Event Malloc(std::size_t size) { return {Call::Malloc, size, nullptr}; }
Event Realloc(std::size_t size) { return {Call::Realloc, size, nullptr}; }
Event Free() { return {Call::Free, 0, nullptr}; }

// Fixed storage: the log must not allocate while it records.
constexpr std::size_t kLogCapacity = 1024;
Event g_events[kLogCapacity];
std::size_t g_eventCount = 0;
// volatile, so that the optimiser keeps each switch exactly between the calls
// it brackets.
thread_local volatile bool t_logging = false;

// Opens the allocation log for the calling thread; Close() returns what the
// library allocated in between.
class AllocationLog {
 public:
  AllocationLog() {
    g_eventCount = 0;
    t_logging = true;
  }
  ~AllocationLog() { t_logging = false; }
  std::vector<Event> Close() {
    t_logging = false;
    const std::size_t kept = g_eventCount < kLogCapacity ? g_eventCount : kLogCapacity;
    std::vector<Event> events(g_events, g_events + kept);
    return events;
  }
  // Events so far, readable while the log is open.
  static std::size_t Count() { return g_eventCount; }
};

}  // namespace

#if !defined(VELA_TEST_ALLOCATOR_OWNED)

namespace {

void Note(Call call, std::size_t size, void* block) {
  if (g_eventCount < kLogCapacity) g_events[g_eventCount] = {call, size, block};
  ++g_eventCount;
}

}  // namespace

extern "C" {
void* __libc_malloc(std::size_t size);
void* __libc_realloc(void* block, std::size_t size);
void __libc_free(void* block);

void* malloc(std::size_t size) noexcept {
  void* block = __libc_malloc(size);
  if (t_logging) Note(Call::Malloc, size, block);
  return block;
}

void* realloc(void* block, std::size_t size) noexcept {
  void* moved = __libc_realloc(block, size);
  if (t_logging) Note(Call::Realloc, size, moved);
  return moved;
}

void free(void* block) noexcept {
  if (t_logging && block != nullptr) Note(Call::Free, 0, block);
  __libc_free(block);
}
}  // extern "C"

#define SKIP_WITHOUT_ALLOCATION_LOG() static_cast<void>(0)
#else
#define SKIP_WITHOUT_ALLOCATION_LOG() GTEST_SKIP() << "the sanitizer owns the allocator"
#endif

namespace {

std::string Letters(std::size_t n) {
  std::string text(n, '.');
  for (std::size_t i = 0; i < n; ++i) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

// The share count heads the block, just before the text.
std::uint32_t ShareCount(const VelaString& s) {
  std::uint32_t count = 0;
  std::memcpy(&count, s.str() - sizeof count, sizeof count);
  return count;
}

TEST(VelaStringAllocation, BlockHoldsShareCountThenTextThenTerminator) {
  VelaString a(Letters(10).c_str());
  EXPECT_EQ(ShareCount(a), 1u);
  {
    VelaString b = a;
    VelaString c;
    c = b;
    EXPECT_EQ(ShareCount(a), 3u);
    c += "!";
    EXPECT_EQ(ShareCount(a), 2u);
    EXPECT_EQ(ShareCount(c), 1u);
  }
  EXPECT_EQ(ShareCount(a), 1u);
  EXPECT_EQ(a.str()[a.len()], '\0');
}

TEST(VelaStringAllocation, EachLengthGetsTheBlockOfItsClass) {
  SKIP_WITHOUT_ALLOCATION_LOG();
  struct Case {
    std::size_t length;
    std::size_t blockSize;
  };
  const Case cases[] = {{1, 64},      {59, 64},     {60, 256},     {251, 256},     {252, 4096},   {4090, 4096},
                        {4091, 8192}, {8186, 8192}, {8187, 12288}, {12282, 12288}, {12283, 16384}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const std::string text = Letters(c.length);
    AllocationLog log;
    const char* data = nullptr;
    {
      VelaString s(text.c_str());
      data = s.str();
    }
    const std::vector<Event> events = log.Close();
    ASSERT_EQ(events, (std::vector<Event>{Malloc(c.blockSize), Free()}));
    // The text starts just past the 32-bit share count.
    EXPECT_EQ(static_cast<const char*>(events[0].block) + 4, data);
    EXPECT_EQ(events[1].block, events[0].block);
  }
}

TEST(VelaStringAllocation, AppendingCharactersReallocatesOnlyAtClassBoundaries) {
  SKIP_WITHOUT_ALLOCATION_LOG();
  VelaString s;
  std::vector<std::size_t> lengthsAtChange;
  lengthsAtChange.reserve(16);
  {
    AllocationLog log;
    std::size_t seen = 0;
    for (int i = 0; i < 10000; ++i) {
      s += static_cast<char>('a' + i % 26);
      if (AllocationLog::Count() != seen && lengthsAtChange.size() < lengthsAtChange.capacity()) {
        seen = AllocationLog::Count();
        lengthsAtChange.push_back(static_cast<std::size_t>(s.len()));
      }
    }
    const std::vector<Event> events = log.Close();
    EXPECT_EQ(events, (std::vector<Event>{Malloc(64), Realloc(256), Realloc(4096), Realloc(8192), Realloc(12288)}));
  }
  EXPECT_EQ(lengthsAtChange, (std::vector<std::size_t>{1, 60, 252, 4091, 8187}));
  ASSERT_EQ(s.len(), 10000);
  EXPECT_EQ(s.str()[9999], static_cast<char>('a' + 9999 % 26));
}

TEST(VelaStringAllocation, CopiesAndAssignmentsAllocateNothing) {
  SKIP_WITHOUT_ALLOCATION_LOG();
  const VelaString source(Letters(1000).c_str());
  const VelaString dash("-");
  const VelaString plus("+");
  VelaString target("short");
  AllocationLog log;
  {
    VelaString copy(source);
    VelaString assigned;
    assigned = copy;
    assigned.set(source);
    VelaString whole = source.subString(0, -1);
    VelaString trimmed = source.trim('-');
    VelaString padded = FillString(source, 10, ' ');
    VelaString replaced = source.replace(dash, plus);
  }
  const std::vector<Event> copying = log.Close();
  EXPECT_TRUE(copying.empty()) << ::testing::PrintToString(copying);
  // Assigning over a private block frees it and allocates nothing.
  AllocationLog assignLog;
  target = source;
  const std::vector<Event> assignEvents = assignLog.Close();
  EXPECT_EQ(assignEvents, (std::vector<Event>{Free()}));
  EXPECT_EQ(target.str(), source.str());
}

TEST(VelaStringAllocation, ShrinkingAcrossAClassReallocatesToo) {
  SKIP_WITHOUT_ALLOCATION_LOG();
  VelaString s(Letters(5000).c_str());
  AllocationLog log;
  s.len(4500);  // same class: nothing
  s.len(4090);
  s.len(3000);  // same class: nothing
  s.len(251);
  s.len(100);  // same class: nothing
  s.len(59);
  s.len(1);    // same class: nothing
  s.len(300);  // growing across two classes at once
  s.len(0);
  const std::vector<Event> events = log.Close();
  EXPECT_EQ(events, (std::vector<Event>{Realloc(4096), Realloc(256), Realloc(64), Realloc(4096), Free()}));
  EXPECT_TRUE(s.isEmpty());
}

// The new block has the class of the written length: a 59-character copy
// that gains one character goes straight to 256 bytes.
TEST(VelaStringAllocation, FirstWriteToASharedCopyAllocatesOneBlock) {
  SKIP_WITHOUT_ALLOCATION_LOG();
  const struct {
    std::size_t length;
    void (*write)(VelaString&);
    std::size_t blockSize;
  } cases[] = {
      {1000, [](VelaString& s) { s += 'x'; }, 4096},
      {1000, [](VelaString& s) { s += "xyz"; }, 4096},
      {1000, [](VelaString& s) { s.lower(); }, 4096},
      {1000, [](VelaString& s) { s.replace('a', 'b'); }, 4096},
      {1000, [](VelaString& s) { s.mutableData()[0] = 'Q'; }, 4096},
      {1000, [](VelaString& s) { s.len(999); }, 4096},
      {59, [](VelaString& s) { s += 'x'; }, 256},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const VelaString original(Letters(cases[i].length).c_str());
    VelaString copy = original;
    AllocationLog log;
    cases[i].write(copy);
    cases[i].write(copy);  // now private: no further allocation
    const std::vector<Event> events = log.Close();
    EXPECT_EQ(events, (std::vector<Event>{Malloc(cases[i].blockSize)}));
    EXPECT_NE(copy.str(), original.str());
    EXPECT_EQ(original, Letters(cases[i].length).c_str());
  }
}

TEST(VelaStringAllocation, ConcatenationAllocatesOneBlockOfTheSumsClass) {
  SKIP_WITHOUT_ALLOCATION_LOG();
  const VelaString a(Letters(20).c_str());
  const VelaString b(Letters(40).c_str());
  AllocationLog log;
  {
    const VelaString sum = a + b;
    const VelaString twice = a + a;
  }
  const std::vector<Event> events = log.Close();
  EXPECT_EQ(events, (std::vector<Event>{Malloc(256), Malloc(64), Free(), Free()}));
}

TEST(VelaStringAllocation, ReleasingFreesOnlyTheLastShare) {
  SKIP_WITHOUT_ALLOCATION_LOG();
  VelaString a(Letters(100).c_str());
  AllocationLog log;
  {
    VelaString b = a;
    VelaString c = b;
    c.clear();
  }
  const std::vector<Event> sharedEvents = log.Close();
  EXPECT_TRUE(sharedEvents.empty()) << ::testing::PrintToString(sharedEvents);
  AllocationLog lastLog;
  a.clear();
  const std::vector<Event> lastEvents = lastLog.Close();
  EXPECT_EQ(lastEvents, (std::vector<Event>{Free()}));
}

}  // namespace
