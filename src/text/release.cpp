#include "text/release.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace folvane::text {

void releaseFront(std::string& s, std::size_t end) {
    if (end > s.size()) end = s.size();
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pageSize <= 0 || end < 4 * static_cast<std::size_t>(pageSize)) return;
    const auto page = static_cast<std::uintptr_t>(pageSize);
    const auto begin = reinterpret_cast<std::uintptr_t>(s.data());
    // Only pages wholly inside the consumed bytes: the allocator's header
    // before the buffer and the bytes still to be read are never touched.
    const std::uintptr_t from = (begin + page - 1) / page * page;
    const std::uintptr_t to = (begin + end) / page * page;
    // Private anonymous memory (what the allocator hands out) comes back as
    // zero pages if touched again; a failure only means nothing is released.
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
}

void reserveLarge(std::string& s, std::size_t capacity) {
    s.reserve(capacity);
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (s.capacity() < 2 * kHugePage) return;
    const auto begin = reinterpret_cast<std::uintptr_t>(s.data());
    // Only the buffer's own pages: the allocator's header before it stays as it is.
    const std::uintptr_t from = (begin + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t to = (begin + s.capacity()) / kHugePage * kHugePage;
    // A refusal (no huge pages in this kernel) leaves ordinary pages.
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace folvane::text
