// Giving the memory of a text's consumed part back to the system while a
// pass over it builds its result elsewhere, so that input and result are not
// both held whole at the pass's end.
#pragma once

#include <cstddef>
#include <string>

namespace folvane::text {

// Returns the whole memory pages inside s[0, end) to the system. Those bytes
// read as zeros afterwards: call it only for a part that is never read
// again, for a string that is then dropped (its size and the rest of its
// bytes stay as they are). Small strings are left alone.
void releaseFront(std::string& s, std::size_t end);

// Reserves room for `capacity` bytes in `s`. A large room is asked to be
// backed by transparent huge pages: filling a fresh buffer of megabytes then
// takes one page fault per 2 MB instead of one per 4 KB, which on virtual
// machines costs as much as the pass that fills it. Where the system does
// not offer huge pages nothing changes; the pages still come only as the
// buffer is written.
void reserveLarge(std::string& s, std::size_t capacity);

// Calls releaseFront as a forward pass over `s` moves on, every few
// megabytes of consumed text.
class FrontReleaser {
public:
    explicit FrontReleaser(std::string& s) : s_(s) {}
    // Everything before `position` has been consumed.
    void consumed(std::size_t position) {
        if (position >= released_ + kStep) {
            releaseFront(s_, position);
            released_ = position;
        }
    }

private:
    static constexpr std::size_t kStep = std::size_t{2} << 20;
    std::string& s_;
    std::size_t released_ = 0;
};

}  // namespace folvane::text
