#include "catalogue/PageIndex.h"

#include "base/CodePage.h"
#include "catalogue/GuideInteger.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TAVREN_SEARCH_X86 1
#endif

namespace tavren {
namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// The first position in [from, to - term.size()] where `term` (not empty)
// starts, or kNone. Byte for byte; character starts are the caller's.
using ScanFunction = std::size_t (*)(const char* s, std::size_t from, std::size_t to, const char* t, std::size_t n);

std::size_t ScanPlain(const char* s, std::size_t from, std::size_t to, const char* t, std::size_t n) {
  if (to < from || to - from < n) return kNone;
  const std::string_view hay(s + from, to - from);
  const std::size_t at = hay.find(std::string_view(t, n));
  return at == std::string_view::npos ? kNone : from + at;
}

#ifdef TAVREN_SEARCH_X86
// Whether s[1, n - 1) equals t[1, n - 1): the middle of a candidate whose
// first and last bytes already agree. Inline, so that the scan loop keeps
// its vector registers (a call would spill them on every candidate).
[[gnu::always_inline]] inline bool MiddleEquals(const char* s, const char* t, std::size_t n) noexcept {
  std::size_t i = 1;
  for (; i + 8 <= n - 1; i += 8) {
    std::uint64_t a;
    std::uint64_t b;
    std::memcpy(&a, s + i, 8);
    std::memcpy(&b, t + i, 8);
    if (a != b) return false;
  }
  for (; i + 1 < n; ++i)
    if (s[i] != t[i]) return false;
  return true;
}

// Both vector scans compare a block of starts at once on the term's first
// and last bytes, and compare the middle only where both agree: Japanese
// text has few places where a character's two bytes both fit.
std::size_t ScanSse2(const char* s, std::size_t from, std::size_t to, const char* t, std::size_t n) {
  if (to < from || to - from < n) return kNone;
  const std::size_t lastStart = to - n;
  const __m128i first = _mm_set1_epi8(t[0]);
  const __m128i last = _mm_set1_epi8(t[n - 1]);
  std::size_t i = from;
  for (; i + 16 <= lastStart + 1; i += 16) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + n - 1));
    auto mask =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
      if (MiddleEquals(s + i + bit, t, n)) return i + bit;
      mask &= mask - 1;
    }
  }
  for (; i <= lastStart; ++i)
    if (s[i] == t[0] && s[i + n - 1] == t[n - 1] && MiddleEquals(s + i, t, n)) return i;
  return kNone;
}

__attribute__((target("avx2"))) std::size_t ScanAvx2(const char* s, std::size_t from, std::size_t to, const char* t,
                                                     std::size_t n) {
  if (to < from || to - from < n) return kNone;
  const std::size_t lastStart = to - n;
  const __m256i first = _mm256_set1_epi8(t[0]);
  const __m256i last = _mm256_set1_epi8(t[n - 1]);
  std::size_t i = from;
  auto maskAt = [ s, n, first, last ](std::size_t at) __attribute__((target("avx2"))) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + at));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + at + n - 1));
    return static_cast<std::uint32_t>(
        _mm256_movemask_epi8(_mm256_and_si256(_mm256_cmpeq_epi8(a, first), _mm256_cmpeq_epi8(b, last))));
  };
  // Two blocks a turn: most turns find nothing in either.
  for (; i + 64 <= lastStart + 1; i += 64) {
    std::uint64_t mask = maskAt(i) | (std::uint64_t{maskAt(i + 32)} << 32);
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctzll(mask));
      if (MiddleEquals(s + i + bit, t, n)) return i + bit;
      mask &= mask - 1;
    }
  }
  for (; i + 32 <= lastStart + 1; i += 32) {
    std::uint32_t mask = maskAt(i);
    while (mask != 0) {
      const unsigned bit = static_cast<unsigned>(__builtin_ctz(mask));
      if (MiddleEquals(s + i + bit, t, n)) return i + bit;
      mask &= mask - 1;
    }
  }
  return ScanSse2(s, i, to, t, n);
}
#endif

// Chosen once, on the machine the program runs on: the package is built for
// any x86-64, which guarantees SSE2 but not AVX2.
ScanFunction ChooseScan() {
#ifdef TAVREN_SEARCH_X86
  if (const char* force = std::getenv("TAVREN_SEARCH_SCAN"); force != nullptr) {
    if (std::strcmp(force, "plain") == 0) return ScanPlain;
    if (std::strcmp(force, "sse2") == 0) return ScanSse2;
  }
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") ? ScanAvx2 : ScanSse2;
#else
  return ScanPlain;
#endif
}

const ScanFunction kScan = ChooseScan();

// Whether position p of folded text starts a character, given that `begin`
// (<= p) does. Every byte outside the lead range ends a character, so p
// starts one when the lead-range bytes right before it are even in number;
// a long such run is walked forward from `begin` instead, which bounds the
// work on hostile text.
bool StartsCharacter(const char* s, std::size_t begin, std::size_t p) noexcept {
  std::size_t run = 0;
  std::size_t q = p;
  while (q > begin && cp932::IsLeadByte(static_cast<unsigned char>(s[q - 1]))) {
    --q;
    if (++run > 32) {
      std::size_t at = begin;
      while (at < p) at += cp932::IsLeadByte(static_cast<unsigned char>(s[at])) ? 2 : 1;
      return at == p;
    }
  }
  return run % 2 == 0;
}

}  // namespace

void PageIndex::FreeBytes::operator()(char* p) const noexcept { std::free(p); }

PageIndex::PageIndex() { Reserve(64); }

void PageIndex::Reserve(std::size_t bytes) const {
  if (bytes <= foldedCapacity_) return;
  std::size_t capacity = std::max<std::size_t>(bytes, foldedCapacity_ + foldedCapacity_ / 2);
  // Room for the vector scans to read a block past the last byte they test.
  void* grown = std::realloc(folded_.get(), capacity + 64);
  if (grown == nullptr) throw std::bad_alloc();
  folded_.release();
  folded_.reset(static_cast<char*>(grown));
  foldedCapacity_ = capacity;
  if (foldedSize_ == 0) {
    folded_.get()[0] = '\0';
    foldedSize_ = 1;
  }
}

void PageIndex::Clear() noexcept {
  // The folded buffer goes back: the next guide's is filled only after its
  // load, and holding this one meanwhile would add it to that load's peak.
  folded_.reset();
  foldedSize_ = 0;
  foldedCapacity_ = 0;
  ends_.clear();
  pendingNotes_.Clear();
  meta_.clear();
  raw_.Clear();
  kept_.clear();
}

std::uint32_t PageIndex::Fingerprint(std::string_view address, std::string_view note) noexcept {
  // Eight bytes at a time, each word mixed in with a multiply: enough to
  // tell an edited page from the one loaded, and cheap on the load's pass.
  std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ (address.size() * 0x100000001B3ull) ^ note.size();
  auto mix = [&hash](std::string_view bytes) {
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
      std::uint64_t word;
      std::memcpy(&word, bytes.data() + i, 8);
      hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
      hash ^= hash >> 32;
    }
    std::uint64_t tail = 0;
    if (i < bytes.size()) std::memcpy(&tail, bytes.data() + i, bytes.size() - i);
    hash = (hash ^ tail) * 0xC4CEB9FE1A85EC53ull;
    hash ^= hash >> 29;
  };
  mix(address);
  mix(note);
  return static_cast<std::uint32_t>(hash ^ (hash >> 32));
}

bool PageIndex::KeptAddressAndNote(int p, std::string_view& address, std::string_view& note) const noexcept {
  const auto it =
      std::lower_bound(kept_.begin(), kept_.end(), p, [](const Kept& kept, int page) { return kept.page < page; });
  if (it == kept_.end() || it->page != p) return false;
  address = it->address;
  note = it->note;
  return true;
}

void PageIndex::Add(std::uint32_t line, std::string_view majorField, std::string_view middleField,
                    std::string_view title, std::string_view address, std::string_view note, int majors, int middles) {
  // Room for one more, grown geometrically (reserve alone grows by one).
  if (meta_.size() == meta_.capacity()) meta_.reserve(std::max<std::size_t>(64, 2 * meta_.capacity()));

  // Lines beyond 2^30 cannot hold pages: a guide's lines are at least five
  // bytes and a byte list holds at most 4 GiB.
  Meta meta{Fingerprint(address, note), 0, 0, line & 0x3FFFFFFFu, 0};
  if (auto major = TryParseGuideInteger(majorField)) {
    meta.major = *major;
    meta.flags |= kHasMajor;
  }
  if (auto middle = TryParseGuideInteger(middleField)) {
    meta.middle = *middle;
    meta.flags |= kHasMiddle;
  }
  // The category lists only grow while a guide is read: a page they name
  // now they name at the end, and the lists hold its address and note
  // whenever the search can open it through them.
  const bool listed = (meta.flags & (kHasMajor | kHasMiddle)) == (kHasMajor | kHasMiddle) && meta.major >= 0 &&
                      meta.major < majors && meta.middle >= 0 && meta.middle < middles;
  const int page = Size();
  if (!listed) kept_.push_back({page, std::string(address), std::string(note)});
  try {
    if (pendingNotes_.Size() == 0) pendingFirst_ = page;
    pendingNotes_.Append(note);
    raw_.Append(title);
  } catch (...) {
    // A byte list cannot give back its last item: out of memory half-way
    // through a page, the search forgets the guide rather than mix pages up.
    Clear();
    throw;
  }
  meta_.push_back(meta);
}

bool PageIndex::FoldSome(int pages) const {
  const int folded = static_cast<int>(ends_.size());
  const int last = std::min(Size(), folded + std::max(pages, 0));
  if (last > folded) {
    // Room for every page still to fold, taken at once: growing the buffer
    // step by step would leave the copies it outgrew in the heap.
    auto bound = [this](int from, int to) {
      std::size_t bytes = std::max<std::size_t>(foldedSize_, 1);  // the NUL in front
      for (int p = from; p < to; ++p) bytes += 2 * (Title(p).size() + pendingNotes_.At(p - pendingFirst_).size()) + 2;
      return bytes;
    };
    if (bound(folded, last) > foldedCapacity_) {
      const std::size_t most = bound(folded, Size());
      if (most > std::numeric_limits<std::uint32_t>::max()) throw std::bad_alloc();
      Reserve(most);
    }
    ends_.reserve(static_cast<std::size_t>(Size()));
    for (int p = folded; p < last; ++p) {
      char* out = FoldInto(folded_.get() + foldedSize_, Title(p));
      *out++ = '\0';
      out = FoldInto(out, pendingNotes_.At(p - pendingFirst_));
      *out++ = '\0';
      foldedSize_ = static_cast<std::size_t>(out - folded_.get());
      ends_.push_back(static_cast<std::uint32_t>(foldedSize_));
    }
  }
  if (static_cast<int>(ends_.size()) < Size()) return true;
  // Every note is folded: the raw ones go, their memory kept for the next
  // guide (handing it back and taking it again leaves the heap in pieces).
  pendingNotes_.Clear();
  return false;
}

std::optional<std::int32_t> PageIndex::MajorPosition(int p) const noexcept {
  const Meta& meta = meta_[static_cast<std::size_t>(p)];
  if ((meta.flags & kHasMajor) == 0) return std::nullopt;
  return meta.major;
}

std::optional<std::int32_t> PageIndex::MiddlePosition(int p) const noexcept {
  const Meta& meta = meta_[static_cast<std::size_t>(p)];
  if ((meta.flags & kHasMiddle) == 0) return std::nullopt;
  return meta.middle;
}

int PageIndex::RankInPair(int p) const noexcept {
  const Meta& page = meta_[static_cast<std::size_t>(p)];
  int rank = 0;
  for (int q = 0; q < p; ++q) {
    const Meta& other = meta_[static_cast<std::size_t>(q)];
    if ((other.flags & (kHasMajor | kHasMiddle)) == (kHasMajor | kHasMiddle) && other.major == page.major &&
        other.middle == page.middle)
      ++rank;
  }
  return rank;
}

void PageIndex::MatchRun(std::string_view term, int first, int last, std::vector<int>& out) const {
  const char* s = folded_.get();
  std::size_t pos = PageBegin(first);
  const std::size_t end = PageEnd(last);
  int page = first;
  while (pos < end) {
    const std::size_t at = kScan(s, pos, end, term.data(), term.size());
    if (at == kNone) return;
    // The page that holds `at`: a few steps forward, then a binary search
    // for a long way.
    int steps = 0;
    while (PageEnd(page) <= at && ++steps < 8) ++page;
    if (PageEnd(page) <= at) {
      page = static_cast<int>(std::upper_bound(ends_.begin() + page, ends_.begin() + last + 1, at) - ends_.begin());
    }
    if (StartsCharacter(s, PageBegin(page), at)) {
      out.push_back(page);
      if (page == last) return;
      pos = PageEnd(page);
      ++page;
    } else {
      pos = at + 1;
    }
  }
}

std::vector<int> PageIndex::Find(const SearchQuery& query) const {
  std::vector<int> pages;
  if (query.matchesNothing || query.terms.empty() || meta_.empty()) return pages;
  while (FoldSome(Size())) {
  }
  // Longer terms are usually rarer: they go first and leave the later ones
  // fewer pages to look at.
  std::vector<std::string_view> terms(query.terms.begin(), query.terms.end());
  std::sort(terms.begin(), terms.end(),
            [](std::string_view a, std::string_view b) { return a.size() != b.size() ? a.size() > b.size() : a < b; });
  terms.erase(std::unique(terms.begin(), terms.end()), terms.end());

  pages.reserve(static_cast<std::size_t>(Size()));
  MatchRun(terms.front(), 0, Size() - 1, pages);
  std::vector<int> kept;
  for (std::size_t t = 1; t < terms.size() && !pages.empty(); ++t) {
    kept.clear();
    // Pages that follow each other lie next to each other in the buffer:
    // each run of them is one scan.
    for (std::size_t i = 0; i < pages.size();) {
      std::size_t j = i;
      while (j + 1 < pages.size() && pages[j + 1] == pages[j] + 1) ++j;
      MatchRun(terms[t], pages[i], pages[j], kept);
      i = j + 1;
    }
    pages.swap(kept);
  }
  return pages;
}

}  // namespace tavren
