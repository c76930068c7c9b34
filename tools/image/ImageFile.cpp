#include "tools/image/ImageFile.h"

#include <cstdio>
#include <map>
#include <memory>

#include <stb_image.h>
#include <stb_image_write.h>

#include "picture/PackedPictureEncoder.h"
#include "picture/Picture.h"

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

std::string readFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    File file(std::fopen(path.c_str(), "rb"));
    if (!file) return "cannot open the file";
    bytes.clear();
    std::uint8_t buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    if (std::ferror(file.get())) return "cannot read the file";
    return {};
}

std::string writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    File file(std::fopen(path.c_str(), "wb"));
    if (!file) return "cannot create " + path;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) return "cannot write " + path;
    if (std::fclose(file.release()) != 0) return "cannot write " + path;
    return {};
}

void appendLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint32_t rgbKey(const std::uint8_t* pixel) { return pixel[0] << 16 | pixel[1] << 8 | pixel[2]; }

bool transparent(const Image& image, const std::uint8_t* pixel) { return image.channels == 4 && pixel[3] < 128; }

// Indices in the order colours are first met; false when more than `limit` colours.
bool indexColours(const Image& image, std::size_t limit, std::vector<std::uint8_t>& indices,
                  std::vector<std::uint8_t>& bgrPalette, bool skipTransparent) {
    std::map<std::uint32_t, std::uint8_t> known;
    const std::size_t pixels = std::size_t(image.width) * std::size_t(image.height);
    indices.assign(pixels, kChipTransparent);
    bgrPalette.clear();
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::uint8_t* pixel = image.pixels.data() + i * image.channels;
        if (skipTransparent && transparent(image, pixel)) continue;
        auto [slot, added] = known.try_emplace(rgbKey(pixel), static_cast<std::uint8_t>(known.size()));
        if (added) {
            if (known.size() > limit) return false;
            bgrPalette.insert(bgrPalette.end(), {pixel[2], pixel[1], pixel[0]});
        }
        indices[i] = slot->second;
    }
    return true;
}

const std::uint8_t* imagePixel(const Image& image, int x, int y) {
    return image.pixels.data() + (std::size_t(y) * image.width + x) * image.channels;
}

}  // namespace

std::string loadImageMemory(const std::uint8_t* data, std::size_t length, int channels, Image& out) {
    if (channels != 3 && channels != 4) return "channels must be 3 or 4";
    if (length > 0x7FFFFFFF) return "image file too large";
    int width = 0, height = 0, fileChannels = 0;
    stbi_uc* pixels = stbi_load_from_memory(data, static_cast<int>(length), &width, &height, &fileChannels, channels);
    if (!pixels) return std::string("cannot decode image: ") + stbi_failure_reason();
    out.width = width;
    out.height = height;
    out.channels = channels;
    out.pixels.assign(pixels, pixels + std::size_t(width) * height * channels);
    stbi_image_free(pixels);
    return {};
}

std::string loadImageFile(const std::string& path, int channels, Image& out) {
    std::vector<std::uint8_t> bytes;
    std::string error = readFile(path, bytes);
    if (error.empty()) error = loadImageMemory(bytes.data(), bytes.size(), channels, out);
    return error;
}

std::vector<std::uint8_t> encodePng(const Image& image) {
    std::vector<std::uint8_t> out;
    if (image.width <= 0 || image.height <= 0 || (image.channels != 3 && image.channels != 4) ||
        image.pixels.size() != std::size_t(image.width) * image.height * image.channels) {
        return out;
    }
    auto append = [](void* context, void* data, int size) {
        auto* bytes = static_cast<std::vector<std::uint8_t>*>(context);
        bytes->insert(bytes->end(), static_cast<std::uint8_t*>(data), static_cast<std::uint8_t*>(data) + size);
    };
    if (!stbi_write_png_to_func(append, &out, image.width, image.height, image.channels, image.pixels.data(),
                                image.width * image.channels)) {
        out.clear();
    }
    return out;
}

std::string saveImagePng(const Image& image, const std::string& path) {
    const std::vector<std::uint8_t> png = encodePng(image);
    if (png.empty()) return "cannot encode PNG for " + path;
    return writeFile(path, png);
}

std::vector<std::uint8_t> imageToBmp24(const Image& image) {
    const std::size_t pitch = (std::size_t(image.width) * 24 + 31) / 32 * 4;
    const std::size_t pixelBytes = pitch * std::size_t(image.height);
    std::vector<std::uint8_t> out;
    out.reserve(54 + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    appendLe(out, static_cast<std::uint32_t>(54 + pixelBytes), 4);
    appendLe(out, 0, 4);
    appendLe(out, 54, 4);
    appendLe(out, 40, 4);
    appendLe(out, static_cast<std::uint32_t>(image.width), 4);
    appendLe(out, static_cast<std::uint32_t>(image.height), 4);
    appendLe(out, 1, 2);
    appendLe(out, 24, 2);
    for (int i = 0; i < 6; ++i) appendLe(out, 0, 4);  // uncompressed; sizes and colours unset
    for (int y = image.height - 1; y >= 0; --y) {
        const std::size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* pixel = imagePixel(image, x, y);
            out.insert(out.end(), {pixel[2], pixel[1], pixel[0]});
        }
        out.resize(rowStart + pitch, 0);
    }
    return out;
}

std::string chipSheetFromImage(const Image& strip, int frameWidth, int frameHeight, ChipSheet& out) {
    if (frameWidth <= 0 || frameHeight <= 0) return "frame width and height must be positive";
    if (strip.width % frameWidth != 0 || strip.height % frameHeight != 0) {
        return "image size " + std::to_string(strip.width) + "x" + std::to_string(strip.height) +
               " is not a whole number of " + std::to_string(frameWidth) + "x" + std::to_string(frameHeight) +
               " frames";
    }
    std::vector<std::uint8_t> indices, palette;
    if (!indexColours(strip, 255, indices, palette, true)) {
        return "more than 255 opaque colours; reduce the colours (index 255 is transparent)";
    }
    const int columns = strip.width / frameWidth;
    const int rows = strip.height / frameHeight;
    out = ChipSheet{};
    out.frameCount = columns * rows;
    out.frameWidth = frameWidth;
    out.frameHeight = frameHeight;
    std::copy(palette.begin(), palette.end(), out.palette.begin());
    out.pixels.reserve(std::size_t(out.frameCount) * frameWidth * frameHeight);
    for (int frame = 0; frame < out.frameCount; ++frame) {
        const int left = (frame % columns) * frameWidth;
        const int top = (frame / columns) * frameHeight;
        for (int y = top; y < top + frameHeight; ++y) {
            const auto row = indices.begin() + std::ptrdiff_t(y) * strip.width + left;
            out.pixels.insert(out.pixels.end(), row, row + frameWidth);
        }
    }
    return {};
}

Image chipSheetToImage(const ChipSheet& sheet) {
    Image image;
    const std::size_t framePixels = std::size_t(sheet.frameWidth) * std::size_t(sheet.frameHeight);
    if (sheet.frameCount <= 0 || framePixels == 0 || sheet.pixels.size() < framePixels * sheet.frameCount) {
        return image;
    }
    image.width = sheet.frameWidth;
    image.height = sheet.frameHeight * sheet.frameCount;
    image.channels = 4;
    image.pixels.reserve(framePixels * sheet.frameCount * 4);
    for (std::size_t i = 0; i < framePixels * sheet.frameCount; ++i) {
        const std::uint8_t index = sheet.pixels[i];
        const std::uint8_t* bgr = sheet.palette.data() + 3 * index;
        const std::uint8_t alpha = index == kChipTransparent ? 0 : 255;
        image.pixels.insert(image.pixels.end(), {bgr[2], bgr[1], bgr[0], alpha});
    }
    return image;
}

std::string chipSheetFileFromPng(const std::string& in, const std::string& out, int frameWidth,
                                 int frameHeight) {
    Image strip;
    std::string error = loadImageFile(in, 4, strip);
    if (!error.empty()) return error;
    ChipSheet sheet;
    error = chipSheetFromImage(strip, frameWidth, frameHeight, sheet);
    if (!error.empty()) return error;
    return writeFile(out, serializeChipSheet(sheet));
}

namespace {

bool tagOf(const std::string& text, std::uint16_t& tag) {
    if (text == "CB") tag = kTagCB;
    else if (text == "CF") tag = kTagCF;
    else if (text == "CT") tag = kTagCT;
    else if (text == "CC") tag = kTagCC;
    else return false;
    return true;
}

// The image's rows bottom-up, as the format stores them.
std::string planesFromImage(const Image& image, std::uint16_t tag, PackedPictureSource& source) {
    const bool indexed = tag == kTagCB || tag == kTagCC;
    const bool hasSecondPlane = tag == kTagCT || tag == kTagCC;
    source.tag = tag;
    source.width = image.width;
    source.height = image.height;
    std::vector<std::uint8_t> indices;
    if (indexed && !indexColours(image, 256, indices, source.palette, false)) {
        return "more than 256 colours; a CB or CC picture needs a palette (use CF or CT)";
    }
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* pixel = imagePixel(image, x, y);
            if (indexed) source.colourPlane.push_back(indices[std::size_t(y) * image.width + x]);
            else source.colourPlane.insert(source.colourPlane.end(), {pixel[2], pixel[1], pixel[0]});
            if (hasSecondPlane) source.secondPlane.push_back(pixel[3]);
        }
    }
    return {};
}

}  // namespace

std::string encodePictureFile(const std::string& in, const std::string& out, const std::string& tagText) {
    std::uint16_t tag = 0;
    if (!tagOf(tagText, tag)) return "unknown picture tag \"" + tagText + "\" (use CF, CB, CT or CC)";
    Image image;
    std::string error = loadImageFile(in, 4, image);
    if (!error.empty()) return error;
    if (image.width > 0xFFFF || image.height > 0xFFFF) return "larger than 65535 pixels";
    PackedPictureSource source;
    error = planesFromImage(image, tag, source);
    if (!error.empty()) return error;
    const std::vector<std::uint8_t> file = encodePackedPicture(source, error);
    if (!error.empty()) return error;
    return writeFile(out, file);
}

std::string decodePictureFile(const std::string& in, const std::string& out) {
    std::vector<std::uint8_t> bytes;
    std::string error = readFile(in, bytes);
    if (!error.empty()) return error;
    CollectingReporter reporter;
    const auto picture = loadPackedPicture(bytes.data(), bytes.size(), reporter);
    if (!picture) {
        return reporter.messages.empty() ? std::string("empty file") : reporter.messages[0].text;
    }
    if (picture->width == 0 || picture->height == 0) return "picture has no pixels";
    const bool indexed = picture->type == kPictureIndexed || picture->type == kPictureIndexedPlane;
    const bool hasSecondPlane = !picture->secondPlane.empty();
    Image image;
    image.width = picture->width;
    image.height = picture->height;
    image.channels = hasSecondPlane ? 4 : 3;
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const std::size_t i = std::size_t(y) * image.width + x;
            const std::uint8_t* bgr = indexed ? picture->palette.data() + 4 * picture->colourPlane[i]
                                              : picture->colourPlane.data() + 3 * i;
            image.pixels.insert(image.pixels.end(), {bgr[2], bgr[1], bgr[0]});
            if (hasSecondPlane) image.pixels.push_back(picture->secondPlane[i]);
        }
    }
    return saveImagePng(image, out);
}
