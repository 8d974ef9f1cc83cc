#include "formats/picture.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "formats/pcx.h"
#include "formats/png.h"

namespace {

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr uint8_t kPcxManufacturer = 10;
const char* const kEmptyFile = "the file is empty";
const char* const kUnknownKind = "the file is neither a PCX nor a PNG picture";

static_assert(sizeof kPngSignature <= kPictureSniffBytes, "the sniff sees the whole signature");

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// A file open at its start with its kind known, or the reason it cannot be
// read as a picture.
struct OpenedPicture {
    std::unique_ptr<std::FILE, FileCloser> file;
    PictureKind kind = PictureKind::Unknown;
    std::string refusal;
};

std::string KindRefusal(PictureKind kind, size_t size) {
    if (size == 0) return kEmptyFile;
    return kind == PictureKind::Unknown ? kUnknownKind : "";
}

OpenedPicture OpenPicture(const std::string& path) {
    OpenedPicture opened;
    opened.file.reset(std::fopen(path.c_str(), "rb"));
    if (!opened.file) {
        opened.refusal = std::strerror(errno);
        return opened;
    }
    uint8_t head[kPictureSniffBytes] = {};
    errno = 0;
    const size_t got = std::fread(head, 1, sizeof head, opened.file.get());
    if (std::ferror(opened.file.get())) {  // a folder opens but cannot be read
        opened.refusal = std::strerror(errno != 0 ? errno : EIO);
        return opened;
    }
    opened.kind = SniffPicture(head, got);
    opened.refusal = KindRefusal(opened.kind, got);
    std::rewind(opened.file.get());
    return opened;
}

PictureCheck FromPcxHeader(const uint8_t* header, size_t size) {
    const PcxLayoutOr read = ReadPcxLayout(header, size);
    if (!read.Accepted()) return {{}, PcxRefusalText(read.refusal)};
    return {{read.layout.width, read.layout.height}, ""};
}

PictureCheck FromPngHeader(const PngHeader& header) {
    if (header.refusal != PngRefusal::None) return {{}, DescribePngRefusal(header.refusal)};
    return {{header.size.width, header.size.height}, ""};
}

PictureLoad FromPcx(const PcxOutcome& outcome) {
    if (!outcome.Accepted()) return {PictureStatus::Refused, PcxRefusalText(outcome.refusal)};
    if (outcome.shortfall != PcxShortfall::None)
        return {PictureStatus::Incomplete, PcxShortfallText(outcome.shortfall)};
    return {PictureStatus::Complete, ""};
}

// Past an accepted header every failure leaves decoded pixels behind.
PictureLoad FromPng(PngRefusal refusal) {
    if (refusal == PngRefusal::None) return {PictureStatus::Complete, ""};
    return {PictureStatus::Incomplete, DescribePngRefusal(refusal)};
}

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
    return OpenPicture(path).kind;
}

PictureCheck CheckPicture(const uint8_t* bytes, size_t size) {
    const PictureKind kind = SniffPicture(bytes, size);
    const std::string refusal = KindRefusal(kind, bytes == nullptr ? 0 : size);
    if (!refusal.empty()) return {{}, refusal};
    if (kind == PictureKind::Pcx) return FromPcxHeader(bytes, size);
    return FromPngHeader(ReadPngHeader(bytes, size));
}

PictureCheck CheckPictureFile(const std::string& path) {
    const OpenedPicture opened = OpenPicture(path);
    if (!opened.refusal.empty()) return {{}, opened.refusal};
    if (opened.kind == PictureKind::Png)
        return FromPngHeader(ReadPngStreamHeader(opened.file.get()));
    uint8_t header[kPcxHeaderSize] = {};
    const size_t got = std::fread(header, 1, sizeof header, opened.file.get());
    return FromPcxHeader(header, got);
}

PictureSize GetPictureSize(const std::string& path) {
    return CheckPictureFile(path).size;
}

PictureLoad DecodePicture(const uint8_t* bytes, size_t size, const PixelTarget& dest) {
    const PictureCheck check = CheckPicture(bytes, size);
    if (!check.Readable()) return {PictureStatus::Refused, check.refusal};
    if (SniffPicture(bytes, size) == PictureKind::Pcx)
        return FromPcx(DecodePcxBytes(bytes, size, dest));
    return FromPng(DecodePng(bytes, size, dest));
}

PictureLoad LoadPictureFile(const std::string& path, const PixelTarget& dest) {
    const OpenedPicture opened = OpenPicture(path);
    if (!opened.refusal.empty()) return {PictureStatus::Refused, opened.refusal};
    if (opened.kind == PictureKind::Pcx) return FromPcx(DecodePcxFrom(opened.file.get(), dest));
    const PictureCheck check = FromPngHeader(ReadPngStreamHeader(opened.file.get()));
    if (!check.Readable()) return {PictureStatus::Refused, check.refusal};
    std::rewind(opened.file.get());
    return FromPng(DecodePngStream(opened.file.get(), dest));
}

bool DecodePictureFile(const uint8_t* bytes, size_t size, const PixelTarget& dest) {
    return DecodePicture(bytes, size, dest).status == PictureStatus::Complete;
}

bool LoadPicture(uint16_t* dest, int pitch, int destWidth, int destRows, const std::string& path) {
    const PixelTarget target{dest, pitch, destWidth, destRows};
    return LoadPictureFile(path, target).status == PictureStatus::Complete;
}
