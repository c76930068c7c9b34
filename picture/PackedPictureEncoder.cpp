#include "picture/PackedPictureEncoder.h"

#include <algorithm>
#include <cstring>

#include "picture/Picture.h"

namespace {

// Greedy encoder: at each position it weighs every code that can start there (runs,
// pattern fills, copies from one, two or four rows back, back-references found through a
// small hash chain) and takes the one that saves the most bytes over literals; a position
// where nothing saves a byte joins the pending literals. Every code is cut to the plane's
// end, so decoding never runs past the output limit.
enum class Code { Literal, Run, Pattern, RowCopy, ByteReference, PixelReference };

struct Match {
    Code code = Code::Literal;
    std::size_t length = 0;  // output bytes
    std::size_t cost = 0;    // stream bytes
    std::size_t distance = 0;  // copies: bytes back; patterns: period; row copies: 0, 1, 2
    long gain() const { return long(length) - long(cost); }
};

constexpr std::size_t kHashBits = 15;
constexpr int kChainDepth = 24;
constexpr std::size_t kMinHashedMatch = 4;

class StreamEncoder {
public:
    StreamEncoder(std::span<const std::uint8_t> plane, std::size_t rowBytes, bool colour)
        : in_(plane.data()), size_(plane.size()), rowBytes_(rowBytes), colour_(colour),
          window_(colour ? 3 * 4096 : 4096), hashing_(plane.size() <= 0x7FFFFFFF),
          head_(std::size_t(1) << kHashBits, -1), previous_(hashing_ ? plane.size() : 0, -1) {
        out_.reserve(plane.size() / 4 + 16);
    }

    std::vector<std::uint8_t> run() {
        std::size_t p = 0;
        while (p < size_) {
            Match best = bestAt(p);
            insertHash(p);
            if (best.gain() > 0 && p + 1 < size_) {
                // One step of lazy matching: a clearly better code one byte on wins.
                const Match next = bestAt(p + 1);
                if (next.gain() > best.gain() + 1) {
                    literals_.push_back(in_[p]);
                    ++p;
                    insertHash(p);
                    best = next;
                }
            }
            if (best.gain() <= 0) {
                literals_.push_back(in_[p]);
                ++p;
                continue;
            }
            flushLiterals();
            emit(best, p);
            for (std::size_t i = 1; i < best.length; ++i) insertHash(p + i);
            p += best.length;
        }
        flushLiterals();
        return std::move(out_);
    }

private:
    const std::uint8_t* in_;
    std::size_t size_;
    std::size_t rowBytes_;
    bool colour_;
    std::size_t window_;
    bool hashing_;  // positions fit the chain's int entries
    std::vector<int> head_;
    std::vector<int> previous_;
    std::vector<std::uint8_t> out_;
    std::vector<std::uint8_t> literals_;

    std::size_t hashAt(std::size_t p) const {
        std::uint32_t v;
        std::memcpy(&v, in_ + p, 4);
        return (v * 2654435761u) >> (32 - kHashBits);
    }
    void insertHash(std::size_t p) {
        if (!hashing_ || p + kMinHashedMatch > size_) return;
        const std::size_t h = hashAt(p);
        previous_[p] = head_[h];
        head_[h] = static_cast<int>(p);
    }

    // Bytes from p on that equal the bytes `distance` before them (forward-copy rule).
    std::size_t matchLength(std::size_t p, std::size_t distance, std::size_t cap) const {
        cap = std::min(cap, size_ - p);
        const std::uint8_t* a = in_ + p;
        const std::uint8_t* b = a - distance;
        std::size_t n = 0;
        while (n + 8 <= cap) {
            std::uint64_t x, y;
            std::memcpy(&x, a + n, 8);
            std::memcpy(&y, b + n, 8);
            if (x != y) return n + static_cast<std::size_t>(__builtin_ctzll(x ^ y) >> 3);
            n += 8;
        }
        while (n < cap && a[n] == b[n]) ++n;
        return n;
    }

    static void consider(Match& best, const Match& candidate) {
        if (candidate.gain() > best.gain()) best = candidate;
    }

    Match bestAt(std::size_t p) const {
        Match best;
        const std::size_t left = size_ - p;
        const std::size_t runLength = 1 + (left > 1 ? matchLength(p + 1, 1, 4096) : 0);
        if (runLength >= 2) consider(best, {Code::Run, runLength, runLength <= 65 ? 2u : 3u, 1});
        considerPatterns(best, p);
        for (std::size_t k = 0; k < 3; ++k) {
            const std::size_t distance = rowBytes_ << k;
            if (distance == 0 || distance > p) break;
            const std::size_t n = matchLength(p, distance, 4096);
            if (n > 0) consider(best, {Code::RowCopy, n, 2, k});
        }
        considerReferences(best, p);
        return best;
    }

    void considerPatterns(Match& best, std::size_t p) const {
        static constexpr std::size_t kBytePeriods[] = {2, 4, 8, 16};
        static constexpr std::size_t kPixelPeriods[] = {3, 6};
        const std::span<const std::size_t> periods =
            colour_ ? std::span<const std::size_t>(kPixelPeriods) : std::span<const std::size_t>(kBytePeriods);
        for (const std::size_t period : periods) {
            if (2 * period > size_ - p) break;
            const std::size_t n = period + matchLength(p + period, period, 2049 * period - period);
            const std::size_t repeats = n / period;
            if (repeats >= 2) consider(best, {Code::Pattern, repeats * period, 2 + period, period});
        }
    }

    void considerReferences(Match& best, std::size_t p) const {
        if (!hashing_ || p + kMinHashedMatch > size_) return;
        const std::size_t maxLength = colour_ ? 768 : 256;
        int q = head_[hashAt(p)];
        for (int depth = 0; q >= 0 && depth < kChainDepth; ++depth, q = previous_[q]) {
            const std::size_t distance = p - static_cast<std::size_t>(q);
            if (distance > window_) break;
            const std::size_t n = matchLength(p, distance, maxLength);
            if (colour_ && distance % 3 == 0 && n >= 3) {
                consider(best, {Code::PixelReference, n / 3 * 3, 3, distance});
            }
            if (distance <= 4096) consider(best, {Code::ByteReference, std::min<std::size_t>(n, 256), 3, distance});
        }
    }

    void put(std::size_t byte) { out_.push_back(static_cast<std::uint8_t>(byte)); }

    void flushLiterals() {
        std::size_t i = 0;
        while (i < literals_.size()) {
            const std::size_t n = std::min<std::size_t>(64, literals_.size() - i);
            put(n - 1);
            out_.insert(out_.end(), literals_.begin() + i, literals_.begin() + i + n);
            i += n;
        }
        literals_.clear();
    }

    void emit(const Match& m, std::size_t p) {
        switch (m.code) {
            case Code::Run:
                if (m.length <= 65) {
                    put(0x40 | (m.length - 2));
                } else {
                    put(0x80 | ((m.length - 2) >> 8));
                    put((m.length - 2) & 0xFF);
                }
                put(in_[p]);
                break;
            case Code::Pattern: {
                const std::size_t count = m.length / m.distance - 2;
                std::size_t base;
                if (colour_) base = m.distance == 3 ? 0xC0 : 0xC8;
                else base = 0xC0 + 8 * static_cast<std::size_t>(__builtin_ctzll(m.distance) - 1);
                put(base | (count >> 8));
                put(count & 0xFF);
                out_.insert(out_.end(), in_ + p, in_ + p + m.distance);
                break;
            }
            case Code::RowCopy:
                put((0x90 + 0x10 * m.distance) | ((m.length - 1) >> 8));
                put((m.length - 1) & 0xFF);
                break;
            case Code::PixelReference:
                put(0xD0 | ((m.distance / 3 - 1) >> 8));
                put((m.distance / 3 - 1) & 0xFF);
                put(m.length / 3 - 1);
                break;
            case Code::ByteReference:
                put(0xE0 | ((m.distance - 1) >> 8));
                put((m.distance - 1) & 0xFF);
                put(m.length - 1);
                break;
            case Code::Literal: break;
        }
    }
};

void appendU16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void appendU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    appendU16(out, v & 0xFFFF);
    appendU16(out, v >> 16);
}

std::string checkSource(const PackedPictureSource& s, bool indexed, bool hasSecondPlane) {
    if (s.width < 0 || s.width > 0xFFFF || s.height < 0 || s.height > 0xFFFF) {
        return "width and height must lie in 0..65535";
    }
    const std::size_t pixels = std::size_t(s.width) * std::size_t(s.height);
    if (s.colourPlane.size() != pixels * (indexed ? 1 : 3)) return "colour plane size does not match the picture size";
    if (hasSecondPlane && s.secondPlane.size() != pixels) return "second plane size does not match the picture size";
    if (indexed && (s.palette.size() % 3 != 0 || s.palette.size() > 768)) {
        return "palette must hold at most 256 entries of 3 bytes";
    }
    return {};
}

}  // namespace

std::vector<std::uint8_t> encodeColourStream(std::span<const std::uint8_t> plane,
                                             std::int32_t width, std::int32_t height) {
    const std::size_t size = std::size_t(std::max(width, 0)) * std::size_t(std::max(height, 0)) * 3;
    return StreamEncoder(plane.first(std::min(size, plane.size())), 3 * std::size_t(std::max(width, 0)), true).run();
}

std::vector<std::uint8_t> encodeByteStream(std::span<const std::uint8_t> plane,
                                           std::int32_t width, std::int32_t height) {
    const std::size_t size = std::size_t(std::max(width, 0)) * std::size_t(std::max(height, 0));
    return StreamEncoder(plane.first(std::min(size, plane.size())), std::size_t(std::max(width, 0)), false).run();
}

std::vector<std::uint8_t> encodePackedPicture(const PackedPictureSource& source, std::string& error) {
    const bool indexed = source.tag == kTagCB || source.tag == kTagCC;
    const bool hasSecondPlane = source.tag == kTagCT || source.tag == kTagCC;
    if (!indexed && source.tag != kTagCF && source.tag != kTagCT) {
        error = "tag must be CB, CF, CT or CC";
        return {};
    }
    error = checkSource(source, indexed, hasSecondPlane);
    if (!error.empty()) return {};
    const std::vector<std::uint8_t> first =
        indexed ? encodeByteStream(source.colourPlane, source.width, source.height)
                : encodeColourStream(source.colourPlane, source.width, source.height);
    const std::size_t paletteBytes = indexed ? source.palette.size() : 0;
    std::vector<std::uint8_t> out;
    appendU16(out, source.tag);
    appendU16(out, static_cast<std::uint32_t>(paletteBytes / 3));
    appendU16(out, source.aux1);
    appendU16(out, source.aux2);
    appendU16(out, static_cast<std::uint32_t>(source.width));
    appendU16(out, static_cast<std::uint32_t>(source.height));
    appendU32(out, static_cast<std::uint32_t>(paletteBytes + first.size()));
    if (indexed) out.insert(out.end(), source.palette.begin(), source.palette.end());
    out.insert(out.end(), first.begin(), first.end());
    if (hasSecondPlane) {
        const std::vector<std::uint8_t> second =
            encodeByteStream(source.secondPlane, source.width, source.height);
        appendU32(out, static_cast<std::uint32_t>(second.size()));
        out.insert(out.end(), second.begin(), second.end());
    }
    return out;
}
