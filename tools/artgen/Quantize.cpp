#include "tools/artgen/Quantize.h"

#include <algorithm>
#include <map>

namespace {

struct Bucket {
    std::vector<std::pair<Rgb8, std::size_t>> colours;  // colour, how often
    int widestChannel() const {
        int best = 0, bestRange = -1;
        for (int c = 0; c < 3; ++c) {
            auto [lo, hi] = std::minmax_element(colours.begin(), colours.end(),
                                                [c](const auto& a, const auto& b) { return a.first[c] < b.first[c]; });
            int range = hi->first[c] - lo->first[c];
            if (range > bestRange) bestRange = range, best = c;
        }
        return bestRange <= 0 ? -1 : best;
    }
    Rgb8 mean() const {
        double sum[3] = {}, n = 0;
        for (const auto& [c, count] : colours) {
            for (int k = 0; k < 3; ++k) sum[k] += double(c[k]) * count;
            n += count;
        }
        return {std::uint8_t(sum[0] / n + 0.5), std::uint8_t(sum[1] / n + 0.5), std::uint8_t(sum[2] / n + 0.5)};
    }
};

}  // namespace

std::vector<Rgb8> medianCutPalette(const std::vector<Rgb8>& pixels, std::size_t colours) {
    std::map<Rgb8, std::size_t> histogram;
    for (const Rgb8& p : pixels) ++histogram[p];
    std::vector<Bucket> buckets(1);
    for (const auto& entry : histogram) buckets[0].colours.push_back(entry);
    while (buckets.size() < colours) {
        // Split the bucket with the most pixels that still has a range.
        int chosen = -1;
        std::size_t most = 0;
        for (std::size_t i = 0; i < buckets.size(); ++i) {
            std::size_t weight = 0;
            for (const auto& c : buckets[i].colours) weight += c.second;
            if (buckets[i].colours.size() > 1 && buckets[i].widestChannel() >= 0 && weight > most)
                most = weight, chosen = int(i);
        }
        if (chosen < 0) break;
        Bucket& b = buckets[chosen];
        int channel = b.widestChannel();
        std::sort(b.colours.begin(), b.colours.end(),
                  [channel](const auto& x, const auto& y) { return x.first[channel] < y.first[channel]; });
        std::size_t half = most / 2, seen = 0, cut = 1;
        for (std::size_t i = 0; i + 1 < b.colours.size(); ++i) {
            seen += b.colours[i].second;
            cut = i + 1;
            if (seen >= half) break;
        }
        Bucket upper;
        upper.colours.assign(b.colours.begin() + cut, b.colours.end());
        b.colours.resize(cut);
        buckets.push_back(std::move(upper));
    }
    std::vector<Rgb8> palette;
    for (const auto& b : buckets)
        if (!b.colours.empty()) palette.push_back(b.mean());
    return palette;
}

std::size_t nearestIndex(const std::vector<Rgb8>& palette, Rgb8 colour) {
    std::size_t best = 0;
    int bestDistance = 1 << 30;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        int d = 0;
        for (int k = 0; k < 3; ++k) d += (palette[i][k] - colour[k]) * (palette[i][k] - colour[k]);
        if (d < bestDistance) bestDistance = d, best = i;
    }
    return best;
}
