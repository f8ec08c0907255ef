// A small owner of one iconv conversion descriptor, shared by the codec and
// the script conversion.
#pragma once

#include <cerrno>
#include <iconv.h>
#include <string>
#include <string_view>

namespace folvane::text {

// glibc loads a conversion's module when a descriptor is opened and drops
// it again when the last one is closed, so a program that converts many
// short texts (captions, file names, a batch of small files) spends most of
// that time loading modules. Where a conversion is used often, a
// function-local `static const Iconv` of it is held for the life of the
// process, which keeps its module loaded.
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) ::iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Appends the conversion of `in` to `out`. A byte sequence the source
    // encoding does not know goes to onInvalid(in, pos, out), which appends
    // what it likes and returns how many input bytes it consumed (at least
    // one is taken), so that nothing stops the conversion.
    template <typename OnInvalid>
    void convert(std::string_view in, std::string& out, OnInvalid onInvalid) {
        out.reserve(out.size() + in.size() * 3 / 2 + 16);
        std::size_t pos = 0;
        char buf[16384];
        while (pos < in.size()) {
            char* src = const_cast<char*>(in.data() + pos);
            std::size_t srcLeft = in.size() - pos;
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            const std::size_t r = ::iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            const int err = errno;
            out.append(buf, static_cast<std::size_t>(dst - buf));
            pos = static_cast<std::size_t>(src - in.data());
            if (r != static_cast<std::size_t>(-1)) continue;
            if (err == E2BIG) continue;
            // EILSEQ or EINVAL (a sequence cut off by the end of the input).
            ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
            const std::size_t used = onInvalid(in, pos, out);
            pos += used ? used : 1;
        }
    }

    // Converts `in` from `from` on into `out` (replacing it) and returns
    // where it stopped: in.size(), or the offset of the first sequence the
    // source encoding does not know.
    std::size_t convertUntilInvalid(std::string_view in, std::size_t from, std::string& out) {
        ::iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        out.resize((in.size() - from) * 2 + 16);  // no GB18030 or UTF-8 character doubles
        char* src = const_cast<char*>(in.data() + from);
        std::size_t srcLeft = in.size() - from;
        char* dst = out.data();
        std::size_t dstLeft = out.size();
        while (srcLeft > 0) {
            if (::iconv(cd_, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) break;
            if (errno != E2BIG) break;
            const std::size_t used = static_cast<std::size_t>(dst - out.data());
            out.resize(out.size() * 2);
            dst = out.data() + used;
            dstLeft = out.size() - used;
        }
        out.resize(static_cast<std::size_t>(dst - out.data()));
        return static_cast<std::size_t>(src - in.data());
    }

private:
    iconv_t cd_;
};

}  // namespace folvane::text
