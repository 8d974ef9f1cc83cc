#include "session/change_record.h"

#include <zlib.h>

#include <cstring>

#include "session/byte_codec.h"

namespace {

// Bumped whenever the layout below changes; older blobs are refused.
constexpr uint8_t RECORD_VERSION = 2;
// A sprite is at most 640 x 480 pixels.
constexpr uint32_t MAX_CELL_PIXELS = 640 * 480;
// A cell edit takes at least its cell and two pixel counts.
constexpr size_t CELL_EDIT_MIN_BYTES = 12;

void WriteMark(ByteWriter& w, const PlacementMark& mark) {
    w.I32(mark.cellX);
    w.I32(mark.cellY);
    w.I32(mark.sheetHasRoom);
    w.I32(mark.placedCount);
}

PlacementMark ReadMark(ByteReader& r) {
    PlacementMark mark;
    mark.cellX = r.I32();
    mark.cellY = r.I32();
    mark.sheetHasRoom = r.I32();
    mark.placedCount = r.I32();
    return mark;
}

void WriteRange(ByteWriter& w, const DirectionRange& range) {
    w.I32(range.state);
    w.I32(range.firstCell);
    w.I32(range.lastCell);
}

DirectionRange ReadRange(ByteReader& r) {
    DirectionRange range;
    range.state = r.I32();
    range.firstCell = r.I32();
    range.lastCell = r.I32();
    return range;
}

// The names section follows the fields above: each cell edit's picture
// names, then the queue's move when the change has one.
void WriteNames(ByteWriter& w, const Change& change) {
    for (const CellEdit& edit : change.cells) {
        w.Text(edit.nameBefore);
        w.Text(edit.nameAfter);
    }
    w.U8(change.queue.has_value());
    if (!change.queue) return;
    w.U32(static_cast<uint32_t>(change.queue->taken.size()));
    for (const std::string& name : change.queue->taken) w.Text(name);
    w.Text(change.queue->restBefore);
    w.Text(change.queue->restAfter);
}

bool ReadNames(ByteReader& r, Change& change) {
    for (CellEdit& edit : change.cells) {
        edit.nameBefore = r.Text();
        edit.nameAfter = r.Text();
        if (!r.ok()) return false;
    }
    if (!r.U8()) return r.ok();
    QueueMove move;
    move.taken.resize(r.Count(UINT32_MAX, 4));
    for (std::string& name : move.taken) {
        name = r.Text();
        if (!r.ok()) return false;
    }
    move.restBefore = r.Text();
    move.restAfter = r.Text();
    change.queue = std::move(move);
    return r.ok();
}

bool KnownKind(uint8_t kind) {
    return kind >= uint8_t(ChangeKind::PlaceFrames) && kind <= uint8_t(ChangeKind::PickKeyColour);
}

}  // namespace

std::vector<uint8_t> EncodeChange(const Change& change) {
    ByteWriter w;
    size_t pixels = 0;
    for (const CellEdit& edit : change.cells) pixels += edit.before.size() + edit.after.size();
    w.Reserve(64 + pixels * 2 + change.cells.size() * 12 + change.ranges.size() * 36);
    w.U8(RECORD_VERSION);
    w.U8(static_cast<uint8_t>(change.kind));
    w.U32(static_cast<uint32_t>(change.cells.size()));
    for (const CellEdit& edit : change.cells) {
        w.I32(edit.cell);
        w.Pixels(edit.before);
        w.Pixels(edit.after);
    }
    const bool hasMark = change.markBefore && change.markAfter;
    w.U8(hasMark);
    if (hasMark) {
        WriteMark(w, *change.markBefore);
        WriteMark(w, *change.markAfter);
    }
    w.U32(static_cast<uint32_t>(change.ranges.size()));
    for (const RangeEdit& edit : change.ranges) {
        w.I32(edit.slot);
        WriteRange(w, edit.before);
        WriteRange(w, edit.after);
        w.I32(edit.countBefore);
        w.I32(edit.countAfter);
    }
    const bool hasKey = change.keyBefore && change.keyAfter;
    w.U8(hasKey);
    if (hasKey) {
        w.U32(*change.keyBefore);
        w.U32(*change.keyAfter);
    }
    WriteNames(w, change);
    return w.Take();
}

std::optional<Change> DecodeChange(const uint8_t* bytes, size_t size) {
    ByteReader r(bytes, size);
    if (r.U8() != RECORD_VERSION) return std::nullopt;
    Change change;
    const uint8_t kind = r.U8();
    if (!KnownKind(kind)) return std::nullopt;
    change.kind = static_cast<ChangeKind>(kind);
    change.cells.resize(r.Count(MAX_CELL_EDITS, CELL_EDIT_MIN_BYTES));
    for (CellEdit& edit : change.cells) {
        edit.cell = r.I32();
        edit.before = r.Pixels(MAX_CELL_PIXELS);
        edit.after = r.Pixels(MAX_CELL_PIXELS);
        if (!r.ok()) return std::nullopt;
    }
    if (r.U8()) {
        change.markBefore = ReadMark(r);
        change.markAfter = ReadMark(r);
    }
    change.ranges.resize(r.Count(DIRECTION_COUNT * 64));
    for (RangeEdit& edit : change.ranges) {
        edit.slot = r.I32();
        edit.before = ReadRange(r);
        edit.after = ReadRange(r);
        edit.countBefore = r.I32();
        edit.countAfter = r.I32();
        if (edit.slot < 0 || edit.slot >= DIRECTION_COUNT) return std::nullopt;
    }
    if (r.U8()) {
        change.keyBefore = r.U32();
        change.keyAfter = r.U32();
    }
    if (!ReadNames(r, change) || !r.AtEnd()) return std::nullopt;
    return change;
}

namespace {

constexpr uint64_t HASH_PRIME = 0x100000001b3ull;

uint64_t Mix(uint64_t hash, uint64_t value) {
    return (hash ^ value) * HASH_PRIME;
}

uint64_t MixPixels(uint64_t hash, const std::vector<uint16_t>& pixels) {
    hash = Mix(hash, pixels.size());
    const size_t words = pixels.size() / 4;
    for (size_t i = 0; i < words; ++i) {
        uint64_t word;
        std::memcpy(&word, &pixels[i * 4], sizeof word);
        hash = Mix(hash, word);
    }
    for (size_t i = words * 4; i < pixels.size(); ++i) hash = Mix(hash, pixels[i]);
    return hash;
}

uint64_t MixSample(uint64_t hash, const std::vector<uint16_t>& pixels) {
    constexpr size_t SAMPLES = 16;
    hash = Mix(hash, pixels.size());
    for (size_t i = 0; i < SAMPLES && !pixels.empty(); ++i)
        hash = Mix(hash, pixels[i * (pixels.size() - 1) / (SAMPLES - 1)]);
    return hash;
}

uint64_t MixSmallFields(uint64_t hash, const Change& change) {
    hash = Mix(hash, uint64_t(change.kind));
    for (const std::optional<PlacementMark>& mark : {change.markBefore, change.markAfter}) {
        hash = Mix(hash, mark.has_value());
        if (mark)
            for (int v : {mark->cellX, mark->cellY, mark->sheetHasRoom, mark->placedCount})
                hash = Mix(hash, uint32_t(v));
    }
    for (const RangeEdit& e : change.ranges)
        for (int v : {e.slot, e.before.state, e.before.firstCell, e.before.lastCell, e.after.state,
                      e.after.firstCell, e.after.lastCell, e.countBefore, e.countAfter})
            hash = Mix(hash, uint32_t(v));
    for (const std::optional<uint32_t>& key : {change.keyBefore, change.keyAfter})
        hash = Mix(hash, key ? uint64_t(*key) | 1ull << 32 : 0);
    return hash;
}

}  // namespace

bool RecordPrint::operator==(const RecordPrint& other) const {
    return cells == other.cells && ranges == other.ranges && cellCount == other.cellCount &&
           rangeCount == other.rangeCount && sample == other.sample;
}

RecordPrint PrintChange(const Change& change) {
    RecordPrint print;
    print.cells = change.cells.data();
    print.ranges = change.ranges.data();
    print.cellCount = change.cells.size();
    print.rangeCount = change.ranges.size();
    print.sample = MixSmallFields(0xcbf29ce484222325ull, change);
    for (const CellEdit& edit : change.cells) {
        print.sample = Mix(print.sample, uint32_t(edit.cell));
        print.sample = MixSample(MixSample(print.sample, edit.before), edit.after);
    }
    return print;
}

namespace {

uint64_t MixText(uint64_t hash, const std::string& text) {
    hash = Mix(hash, text.size());
    for (unsigned char c : text) hash = Mix(hash, c);
    return hash;
}

uint64_t MixNames(uint64_t hash, const Change& change) {
    for (const CellEdit& edit : change.cells)
        hash = MixText(MixText(hash, edit.nameBefore), edit.nameAfter);
    hash = Mix(hash, change.queue.has_value());
    if (!change.queue) return hash;
    for (const std::string& name : change.queue->taken) hash = MixText(hash, name);
    return MixText(MixText(hash, change.queue->restBefore), change.queue->restAfter);
}

}  // namespace

uint64_t HashChange(const Change& change) {
    uint64_t hash = MixNames(MixSmallFields(0xcbf29ce484222325ull, change), change);
    for (const CellEdit& edit : change.cells) {
        hash = Mix(hash, uint32_t(edit.cell));
        hash = MixPixels(MixPixels(hash, edit.before), edit.after);
    }
    return hash ^ (hash >> 29);
}

// ---- the record as the store keeps it

namespace {

constexpr uint8_t PACK_VERSION = 1;
// deflate never shrinks data by more than about 1032 to 1.
constexpr size_t DEFLATE_MOST_RATIO = 1032;
// The fields of a record of MAX_CELL_EDITS tiny edits, with their block numbers.
constexpr size_t PACKED_BODY_LIMIT = size_t{256} << 20;

void PutU32(std::vector<uint8_t>& bytes, uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(v >> shift));
}

uint32_t GetU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// The number of a side's block, or 0 when its pixels stay in the fields.
int64_t MoveOut(std::vector<uint16_t>& pixels, const PutBlock& put, bool* failed) {
    if (pixels.size() < BLOCK_MIN_PIXELS) return 0;
    const int64_t block = put(pixels);
    if (block == 0) *failed = true;
    std::vector<uint16_t>().swap(pixels);
    return block;
}

}  // namespace

uint64_t PixelsHash(const std::vector<uint16_t>& pixels) {
    const uint64_t hash = MixPixels(0xcbf29ce484222325ull, pixels);
    return hash ^ (hash >> 29);
}

uint32_t PixelsCrc(const std::vector<uint16_t>& pixels) {
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(pixels.data()),
                          uInt(pixels.size() * sizeof(uint16_t))));
}

std::vector<uint8_t> Compress(const uint8_t* bytes, size_t size) {
    std::vector<uint8_t> out(4 + compressBound(uLong(size)));
    uLongf written = uLongf(out.size() - 4);
    if (size > UINT32_MAX ||
        compress2(out.data() + 4, &written, bytes, uLong(size), Z_BEST_SPEED) != Z_OK)
        return {};
    out.resize(4 + written);
    const uint32_t raw = uint32_t(size);
    for (int i = 0; i < 4; ++i) out[i] = uint8_t(raw >> (8 * i));
    return out;
}

std::optional<std::vector<uint8_t>> Decompress(const uint8_t* bytes, size_t size, size_t limit) {
    if (size < 4) return std::nullopt;
    const size_t raw = GetU32(bytes);
    if (raw > limit || raw > (size - 4) * DEFLATE_MOST_RATIO + 64) return std::nullopt;
    std::vector<uint8_t> out(raw);
    uLongf got = uLongf(raw);
    if (uncompress(out.data(), &got, bytes + 4, uLong(size - 4)) != Z_OK || got != raw)
        return std::nullopt;
    return out;
}

std::vector<uint8_t> PackChange(const Change& change, const PutBlock& put,
                                std::vector<int64_t>* blocks) {
    Change fields = change;
    std::vector<int64_t> sides;
    sides.reserve(fields.cells.size() * 2);
    bool failed = false;
    for (CellEdit& edit : fields.cells) {
        sides.push_back(MoveOut(edit.before, put, &failed));
        sides.push_back(MoveOut(edit.after, put, &failed));
    }
    if (failed || fields.cells.size() > MAX_CELL_EDITS) return {};
    std::vector<uint8_t> body;
    const std::vector<uint8_t> encoded = EncodeChange(fields);
    body.reserve(8 + encoded.size() + sides.size() * 8);
    PutU32(body, uint32_t(encoded.size()));
    body.insert(body.end(), encoded.begin(), encoded.end());
    for (int64_t block : sides) {
        PutU32(body, uint32_t(uint64_t(block)));
        PutU32(body, uint32_t(uint64_t(block) >> 32));
        if (block) blocks->push_back(block);
    }
    std::vector<uint8_t> packed = Compress(body.data(), body.size());
    if (packed.empty()) return {};
    packed.insert(packed.begin(), PACK_VERSION);
    return packed;
}

std::optional<Change> UnpackChange(const uint8_t* bytes, size_t size, const GetBlock& get) {
    if (size < 1 || bytes[0] != PACK_VERSION) return std::nullopt;
    const std::optional<std::vector<uint8_t>> body =
        Decompress(bytes + 1, size - 1, PACKED_BODY_LIMIT);
    if (!body || body->size() < 4) return std::nullopt;
    const size_t fieldBytes = GetU32(body->data());
    if (fieldBytes > body->size() - 4) return std::nullopt;
    std::optional<Change> change = DecodeChange(body->data() + 4, fieldBytes);
    const size_t sidesAt = 4 + fieldBytes;
    if (!change || body->size() - sidesAt != change->cells.size() * 16) return std::nullopt;
    const uint8_t* side = body->data() + sidesAt;
    for (CellEdit& edit : change->cells)
        for (std::vector<uint16_t>* pixels : {&edit.before, &edit.after}) {
            const int64_t block =
                int64_t(uint64_t(GetU32(side)) | uint64_t(GetU32(side + 4)) << 32);
            side += 8;
            if (block != 0 && (!pixels->empty() || !get(block, pixels))) return std::nullopt;
        }
    return change;
}
