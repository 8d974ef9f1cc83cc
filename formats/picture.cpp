#include "formats/picture.h"

#include <cstdio>
#include <cstring>

#include "formats/pcx.h"
#include "formats/png.h"

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kPcxManufacturer = 10;

static_assert(sizeof kPngSignature <= kPictureSniffBytes, "the sniff sees the whole signature");

}  // namespace

PictureKind SniffPicture(const uint8_t* bytes, size_t size) {
    if (bytes == nullptr || size == 0) return PictureKind::Unknown;
    if (size >= sizeof kPngSignature &&
        std::memcmp(bytes, kPngSignature, sizeof kPngSignature) == 0) {
        return PictureKind::Png;
    }
    if (bytes[0] == kPcxManufacturer) return PictureKind::Pcx;
    return PictureKind::Unknown;
}

PictureKind SniffPictureFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return PictureKind::Unknown;
    uint8_t head[kPictureSniffBytes] = {};
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return SniffPicture(head, got);
}

PictureSize GetPictureSize(const std::string& path) {
    switch (SniffPictureFile(path)) {
        case PictureKind::Pcx: {
            const PcxSize size = GetPcxSize(path);
            return {size.width, size.height};
        }
        case PictureKind::Png: {
            const PngSize size = GetPngSize(path);
            return {size.width, size.height};
        }
        case PictureKind::Unknown:
            break;
    }
    return {};
}

bool DecodePictureFile(const uint8_t* bytes, size_t size, const PixelTarget& dest) {
    switch (SniffPicture(bytes, size)) {
        case PictureKind::Pcx:
            return DecodePcxFile(bytes, size, dest);
        case PictureKind::Png:
            return DecodePngFile(bytes, size, dest);
        case PictureKind::Unknown:
            break;
    }
    return false;
}

bool LoadPicture(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path) {
    switch (SniffPictureFile(path)) {
        case PictureKind::Pcx:
            return LoadPcx(dest, pitch, destWidth, destRows, path);
        case PictureKind::Png:
            return LoadPng(dest, pitch, destWidth, destRows, path);
        case PictureKind::Unknown:
            break;
    }
    return false;
}
