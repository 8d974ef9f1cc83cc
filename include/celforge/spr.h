/* celforge/spr.h: reading Celforge sprite files (.Spr) held in memory.
 *
 * One header in C99 that also compiles as C++. Include it anywhere; in exactly
 * one C or C++ file, define CELFORGE_SPR_IMPLEMENTATION before including it.
 * Define CELFORGE_SPR_FILE as well (in that file, and wherever you call it) for
 * cfspr_load_file, the one function that allocates.
 *
 * A sprite file is a 91-byte little-endian header followed by the frames'
 * 5-6-5 pixels, two bytes each, low byte first, frame after frame, direction
 * after direction in file order (No Direction, then clockwise from Left).
 *
 *     cfspr_sprite sprite;
 *     if (!cfspr_open(&sprite, bytes, size)) {
 *         char line[CFSPR_TEXT_MAX];
 *         for (int i = 0; i < sprite.problem_count; ++i) {
 *             cfspr_describe(&sprite.header, size, sprite.problems[i], line, sizeof line);
 *             puts(line);
 *         }
 *     }
 *     const uint8_t *frame = cfspr_direction_frame(&sprite, CFSPR_LEFT, 0);
 *     uint32_t rgba = cfspr_rgba(cfspr_pixel(frame, 0), cfspr_key(&sprite));
 *
 * Frames start at odd addresses as often as not, so they are handed out as
 * bytes: read pixels with cfspr_pixel, never through a uint16_t pointer.
 * The sprite refers to the caller's bytes, which must outlive it.
 */
#ifndef CELFORGE_SPR_H
#define CELFORGE_SPR_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define CFSPR_HEADER_SIZE 91
#define CFSPR_DIRECTIONS 9
#define CFSPR_MAX_WIDTH 640
#define CFSPR_MAX_HEIGHT 480
#define CFSPR_COLOUR_BITS 16
/* The most problems one file can have: every field wrong and the length too. */
#define CFSPR_MAX_PROBLEMS 17
/* Room for any line cfspr_describe writes, with its terminating zero. */
#define CFSPR_TEXT_MAX 160

enum cfspr_type { CFSPR_ANIMATION = 1, CFSPR_SINGLE = 2 };

enum cfspr_direction {
    CFSPR_NO_DIRECTION,
    CFSPR_LEFT,
    CFSPR_LEFT_UP,
    CFSPR_UP,
    CFSPR_RIGHT_UP,
    CFSPR_RIGHT,
    CFSPR_RIGHT_DOWN,
    CFSPR_DOWN,
    CFSPR_LEFT_DOWN
};

/* Why a file is refused, in the order the checks are made. */
typedef enum cfspr_reason {
    CFSPR_HEADER_CUT,      /* fewer than the header's 91 bytes */
    CFSPR_BAD_SIGNATURE,   /* not "Brisk_Kite(Brisk_Wren)" and a zero */
    CFSPR_BAD_VERSION,     /* not "Ver.1" padded with zeros to 12 bytes */
    CFSPR_BAD_TYPE,        /* neither animation (1) nor single (2) */
    CFSPR_BAD_WIDTH,       /* outside 1 to 640 */
    CFSPR_BAD_HEIGHT,      /* outside 1 to 480 */
    CFSPR_BAD_COLOUR_BITS, /* not 16 */
    CFSPR_BAD_KEY_COLOUR,  /* outside 0 to 65535 */
    CFSPR_NEGATIVE_COUNT,  /* a direction's frame count below 0 */
    CFSPR_SINGLE_COUNT,    /* a single sprite not one No Direction frame alone */
    CFSPR_WRONG_LENGTH,    /* the file's length is not what the header implies */
    CFSPR_REASON_COUNT
} cfspr_reason;

typedef struct cfspr_problem {
    cfspr_reason reason;
    int direction; /* the count's direction for the two count reasons, else -1 */
} cfspr_problem;

/* The header's fields as they stand in the file, unchecked. */
typedef struct cfspr_header {
    char signature[23];
    char version[12];
    int32_t type, width, height, colour_bits, key_colour;
    int32_t counts[CFSPR_DIRECTIONS];
} cfspr_header;

typedef struct cfspr_sprite {
    cfspr_header header; /* zeros when the header is cut */
    const uint8_t* bytes;
    size_t size;
    int problem_count; /* 0: the sprite is sound and its frames can be read */
    cfspr_problem problems[CFSPR_MAX_PROBLEMS];
} cfspr_sprite;

/* The direction's name as the editor shows it, "Left"; null out of 0 to 8. */
const char* cfspr_direction_name(int direction);
/* A short text for the reason, "width out of range"; null for no reason. */
const char* cfspr_reason_text(cfspr_reason reason);

/* 0 when fewer than 91 bytes are there; otherwise fills `out` and gives 1. */
int cfspr_parse_header(const void* bytes, size_t size, cfspr_header* out);
/* 91 + 2 x width x height x frames in `*size`, and 1; 0 when a size or count
 * is out of range and the length cannot be known. */
int cfspr_implied_size(const cfspr_header* header, uint64_t* size);
/* Every problem of the header with a file of `file_size` bytes, in the order
 * checked; gives how many (at most CFSPR_MAX_PROBLEMS) were written to `out`. */
int cfspr_check(const cfspr_header* header, uint64_t file_size, cfspr_problem* out);
/* The problem as one line, as `celforge-spr check` prints it, e.g.
 * "width is 0, expected 1 to 640"; gives what snprintf gives. */
int cfspr_describe(const cfspr_header* header, uint64_t file_size, cfspr_problem problem,
                   char* text, size_t room);

/* Parses and checks; 1 when sound. Nothing is allocated. */
int cfspr_open(cfspr_sprite* sprite, const void* bytes, size_t size);
uint16_t cfspr_key(const cfspr_sprite* sprite);
/* The frame count of a direction, 0 for a direction out of 0 to 8. */
int32_t cfspr_frame_count(const cfspr_sprite* sprite, int direction);
/* Every direction's frames together. */
int64_t cfspr_total_frames(const cfspr_sprite* sprite);
/* The pixels of frame `index`, counted across all directions in file order,
 * width x height of them row after row; null when the sprite is not sound or
 * the index is out of range. */
const uint8_t* cfspr_frame(const cfspr_sprite* sprite, int64_t index);
/* The same for a direction's `index`-th frame. */
const uint8_t* cfspr_direction_frame(const cfspr_sprite* sprite, int direction, int32_t index);
/* Pixel `i` of a frame, read little-endian whatever the host. */
uint16_t cfspr_pixel(const uint8_t* frame, int64_t i);
/* A 5-6-5 pixel as red in bits 0-7, green 8-15, blue 16-23, alpha 24-31, each
 * channel widened by bit replication (31 -> 255); the key colour is 0, fully
 * transparent. Stored as a uint32_t this is SDL's ABGR8888. */
uint32_t cfspr_rgba(uint16_t pixel, uint16_t key);

#ifdef CELFORGE_SPR_FILE
/* Reads a whole regular file into memory from malloc, for the caller to
 * free; null when it cannot be read, errno then saying why: the system's
 * reason, EISDIR for a folder, EINVAL for anything else that is not a regular
 * file (a named pipe, a socket, a device), which is refused without waiting. */
uint8_t* cfspr_load_file(const char* path, size_t* size);
#endif

#ifdef __cplusplus
}
#endif
#endif /* CELFORGE_SPR_H */

#ifdef CELFORGE_SPR_IMPLEMENTATION
#ifndef CELFORGE_SPR_IMPLEMENTED
#define CELFORGE_SPR_IMPLEMENTED

#include <stdio.h>
#include <string.h>

#ifdef __cplusplus
extern "C" {
#endif

static const char cfspr_signature_[23] = "Brisk_Kite(Brisk_Wren)";
static const char cfspr_version_[12] = "Ver.1";

const char* cfspr_direction_name(int direction) {
    static const char* const names[CFSPR_DIRECTIONS] = {"No Direction", "Left",    "LeftUp",
                                                        "Up",           "RightUp", "Right",
                                                        "RightDown",    "Down",    "LeftDown"};
    return direction >= 0 && direction < CFSPR_DIRECTIONS ? names[direction] : NULL;
}

const char* cfspr_reason_text(cfspr_reason reason) {
    static const char* const texts[CFSPR_REASON_COUNT] = {"shorter than the header",
                                                          "wrong signature",
                                                          "wrong version",
                                                          "unknown sprite type",
                                                          "width out of range",
                                                          "height out of range",
                                                          "colour bits not 16",
                                                          "key colour out of range",
                                                          "negative frame count",
                                                          "wrong frame count for a single sprite",
                                                          "length not what the header implies"};
    return (int)reason >= 0 && (int)reason < CFSPR_REASON_COUNT ? texts[reason] : NULL;
}

static int32_t cfspr_le32_(const uint8_t* at) {
    uint32_t bits =
        (uint32_t)at[0] | (uint32_t)at[1] << 8 | (uint32_t)at[2] << 16 | (uint32_t)at[3] << 24;
    int32_t value;
    memcpy(&value, &bits, sizeof value); /* two's complement on every host we build for */
    return value;
}

int cfspr_parse_header(const void* bytes, size_t size, cfspr_header* out) {
    const uint8_t* in = (const uint8_t*)bytes;
    int d;
    if (in == NULL || size < CFSPR_HEADER_SIZE) return 0;
    memcpy(out->signature, in, 23);
    memcpy(out->version, in + 23, 12);
    out->type = cfspr_le32_(in + 35);
    out->width = cfspr_le32_(in + 39);
    out->height = cfspr_le32_(in + 43);
    out->colour_bits = cfspr_le32_(in + 47);
    out->key_colour = cfspr_le32_(in + 51);
    for (d = 0; d < CFSPR_DIRECTIONS; ++d) out->counts[d] = cfspr_le32_(in + 55 + 4 * d);
    return 1;
}

int cfspr_implied_size(const cfspr_header* h, uint64_t* size) {
    uint64_t frames = 0;
    int d;
    if (h->width < 1 || h->width > CFSPR_MAX_WIDTH || h->height < 1 || h->height > CFSPR_MAX_HEIGHT)
        return 0;
    for (d = 0; d < CFSPR_DIRECTIONS; ++d) {
        if (h->counts[d] < 0) return 0;
        frames += (uint64_t)h->counts[d];
    }
    /* At most 9 x (2^31 - 1) frames of 640 x 480 x 2 bytes: below 2^54. */
    *size = CFSPR_HEADER_SIZE + 2 * (uint64_t)h->width * (uint64_t)h->height * frames;
    return 1;
}

static int cfspr_add_(cfspr_problem* out, int n, cfspr_reason reason, int direction) {
    out[n].reason = reason;
    out[n].direction = direction;
    return n + 1;
}

int cfspr_check(const cfspr_header* h, uint64_t file_size, cfspr_problem* out) {
    int n = 0, d;
    uint64_t implied;
    if (memcmp(h->signature, cfspr_signature_, 23) != 0)
        n = cfspr_add_(out, n, CFSPR_BAD_SIGNATURE, -1);
    if (memcmp(h->version, cfspr_version_, 12) != 0) n = cfspr_add_(out, n, CFSPR_BAD_VERSION, -1);
    if (h->type != CFSPR_ANIMATION && h->type != CFSPR_SINGLE)
        n = cfspr_add_(out, n, CFSPR_BAD_TYPE, -1);
    if (h->width < 1 || h->width > CFSPR_MAX_WIDTH) n = cfspr_add_(out, n, CFSPR_BAD_WIDTH, -1);
    if (h->height < 1 || h->height > CFSPR_MAX_HEIGHT) n = cfspr_add_(out, n, CFSPR_BAD_HEIGHT, -1);
    if (h->colour_bits != CFSPR_COLOUR_BITS) n = cfspr_add_(out, n, CFSPR_BAD_COLOUR_BITS, -1);
    if (h->key_colour < 0 || h->key_colour > 0xFFFF)
        n = cfspr_add_(out, n, CFSPR_BAD_KEY_COLOUR, -1);
    for (d = 0; d < CFSPR_DIRECTIONS; ++d) {
        if (h->counts[d] < 0)
            n = cfspr_add_(out, n, CFSPR_NEGATIVE_COUNT, d);
        else if (h->type == CFSPR_SINGLE && h->counts[d] != (d == 0 ? 1 : 0))
            n = cfspr_add_(out, n, CFSPR_SINGLE_COUNT, d);
    }
    if (cfspr_implied_size(h, &implied) && implied != file_size)
        n = cfspr_add_(out, n, CFSPR_WRONG_LENGTH, -1);
    return n;
}

/* The text as it would be typed: trailing zeros dropped, anything that is not
 * printable ASCII shown as \xNN, so a hostile header cannot garble a terminal.
 * `quoted` has room for 4 x length + 3. */
static const char cfspr_hex_[] = "0123456789ABCDEF";

static void cfspr_quote_(const char* raw, size_t length, char* quoted) {
    size_t end = length, i;
    char* out = quoted;
    while (end > 0 && raw[end - 1] == '\0') --end;
    *out++ = '"';
    for (i = 0; i < end; ++i) {
        unsigned char c = (unsigned char)raw[i];
        if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\')
            *out++ = (char)c;
        else {
            *out++ = '\\';
            *out++ = 'x';
            *out++ = cfspr_hex_[c >> 4];
            *out++ = cfspr_hex_[c & 15];
        }
    }
    *out++ = '"';
    *out = '\0';
}

static int cfspr_describe_length_(const cfspr_header* h, uint64_t file_size, char* text,
                                  size_t room) {
    uint64_t implied = 0, off;
    int shorter;
    cfspr_implied_size(h, &implied);
    shorter = file_size < implied;
    off = shorter ? implied - file_size : file_size - implied;
    return snprintf(text, room, "file is %llu bytes, the header implies %llu (%llu %s too %s)",
                    (unsigned long long)file_size, (unsigned long long)implied,
                    (unsigned long long)off, off == 1 ? "byte" : "bytes",
                    shorter ? "short" : "long");
}

static int cfspr_describe_range_(const char* field, int32_t value, int low, int high, char* text,
                                 size_t room) {
    return snprintf(text, room, "%s is %ld, expected %d to %d", field, (long)value, low, high);
}

int cfspr_describe(const cfspr_header* h, uint64_t file_size, cfspr_problem p, char* text,
                   size_t room) {
    char found[4 * 23 + 3], wanted[4 * 23 + 3];
    const char* name = cfspr_direction_name(p.direction);
    switch (p.reason) {
        case CFSPR_HEADER_CUT:
            return snprintf(text, room, "file is %llu bytes, shorter than the 91-byte header",
                            (unsigned long long)file_size);
        case CFSPR_BAD_SIGNATURE:
            cfspr_quote_(h->signature, 23, found);
            cfspr_quote_(cfspr_signature_, 23, wanted);
            return snprintf(text, room, "signature is %s, expected %s", found, wanted);
        case CFSPR_BAD_VERSION:
            cfspr_quote_(h->version, 12, found);
            cfspr_quote_(cfspr_version_, 12, wanted);
            return snprintf(text, room, "version is %s, expected %s padded with zeros", found,
                            wanted);
        case CFSPR_BAD_TYPE:
            return snprintf(text, room, "type is %ld, expected 1 (animation) or 2 (single)",
                            (long)h->type);
        case CFSPR_BAD_WIDTH:
            return cfspr_describe_range_("width", h->width, 1, CFSPR_MAX_WIDTH, text, room);
        case CFSPR_BAD_HEIGHT:
            return cfspr_describe_range_("height", h->height, 1, CFSPR_MAX_HEIGHT, text, room);
        case CFSPR_BAD_COLOUR_BITS:
            return snprintf(text, room, "colour bits is %ld, expected 16", (long)h->colour_bits);
        case CFSPR_BAD_KEY_COLOUR:
            return cfspr_describe_range_("key colour", h->key_colour, 0, 0xFFFF, text, room);
        case CFSPR_NEGATIVE_COUNT:
            if (name == NULL) break;
            return snprintf(text, room, "%s frame count is %ld, expected 0 or more", name,
                            (long)h->counts[p.direction]);
        case CFSPR_SINGLE_COUNT:
            if (name == NULL) break;
            return snprintf(text, room, "a single sprite has %ld %s frames, expected %d",
                            (long)h->counts[p.direction], name, p.direction == 0 ? 1 : 0);
        case CFSPR_WRONG_LENGTH:
            return cfspr_describe_length_(h, file_size, text, room);
        case CFSPR_REASON_COUNT:
            break;
    }
    return snprintf(text, room, "unknown problem");
}

int cfspr_open(cfspr_sprite* sprite, const void* bytes, size_t size) {
    memset(sprite, 0, sizeof *sprite);
    sprite->bytes = (const uint8_t*)bytes;
    sprite->size = size;
    if (!cfspr_parse_header(bytes, size, &sprite->header)) {
        sprite->problems[0].reason = CFSPR_HEADER_CUT;
        sprite->problems[0].direction = -1;
        sprite->problem_count = 1;
        return 0;
    }
    sprite->problem_count = cfspr_check(&sprite->header, size, sprite->problems);
    return sprite->problem_count == 0;
}

uint16_t cfspr_key(const cfspr_sprite* sprite) {
    return (uint16_t)(sprite->header.key_colour & 0xFFFF);
}

int32_t cfspr_frame_count(const cfspr_sprite* sprite, int direction) {
    return direction >= 0 && direction < CFSPR_DIRECTIONS ? sprite->header.counts[direction] : 0;
}

int64_t cfspr_total_frames(const cfspr_sprite* sprite) {
    int64_t total = 0;
    int d;
    for (d = 0; d < CFSPR_DIRECTIONS; ++d) total += sprite->header.counts[d];
    return total;
}

const uint8_t* cfspr_frame(const cfspr_sprite* sprite, int64_t index) {
    const cfspr_header* h = &sprite->header;
    if (sprite->problem_count != 0 || index < 0 || index >= cfspr_total_frames(sprite)) return NULL;
    /* The length matched the header, so every frame is really there. */
    return sprite->bytes + CFSPR_HEADER_SIZE +
           (size_t)index * 2 * (size_t)h->width * (size_t)h->height;
}

const uint8_t* cfspr_direction_frame(const cfspr_sprite* sprite, int direction, int32_t index) {
    int64_t first = 0;
    int d;
    if (index < 0 || index >= cfspr_frame_count(sprite, direction)) return NULL;
    for (d = 0; d < direction; ++d) first += sprite->header.counts[d];
    return cfspr_frame(sprite, first + index);
}

uint16_t cfspr_pixel(const uint8_t* frame, int64_t i) {
    return (uint16_t)(frame[2 * i] | frame[2 * i + 1] << 8);
}

static uint32_t cfspr_widen_(uint32_t value, int bits) {
    return (value << (8 - bits)) | (value >> (2 * bits - 8));
}

uint32_t cfspr_rgba(uint16_t pixel, uint16_t key) {
    if (pixel == key) return 0;
    return cfspr_widen_((uint32_t)pixel >> 11, 5) |
           cfspr_widen_(((uint32_t)pixel >> 5) & 63, 6) << 8 |
           cfspr_widen_((uint32_t)pixel & 31, 5) << 16 | 0xFF000000u;
}

#ifdef CELFORGE_SPR_FILE
#include <errno.h>
#include <stdlib.h>
#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define CFSPR_POSIX_ 1
#endif

/* Reads are made in pieces no larger than any system takes at once. */
#define CFSPR_READ_PIECE_ ((size_t)1 << 30)

#ifdef CFSPR_POSIX_
/* The length comes from the open file itself, so what was checked is what
 * is read; a file that shrinks meanwhile gives what was there. */
static uint8_t* cfspr_read_open_file_(int fd, size_t* size) {
    struct stat info;
    uint8_t* bytes;
    size_t length, done = 0;
    if (fstat(fd, &info) != 0) return NULL;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return NULL;
    }
    if (info.st_size < 0 || (uint64_t)info.st_size > (uint64_t)SIZE_MAX) {
        errno = EFBIG;
        return NULL;
    }
    length = (size_t)info.st_size;
    if ((bytes = (uint8_t*)malloc(length > 0 ? length : 1)) == NULL) {
        errno = ENOMEM;
        return NULL;
    }
    while (done < length) {
        size_t want = length - done < CFSPR_READ_PIECE_ ? length - done : CFSPR_READ_PIECE_;
        ssize_t got = read(fd, bytes + done, want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            free(bytes);
            return NULL;
        }
        if (got == 0) break;
        done += (size_t)got;
    }
    *size = done;
    return bytes;
}

uint8_t* cfspr_load_file(const char* path, size_t* size) {
    int flags = O_RDONLY | O_NONBLOCK, fd, error;
    uint8_t* bytes;
#ifdef O_CLOEXEC
    flags |= O_CLOEXEC;
#endif
    /* Without blocking, a named pipe opens at once and is refused. */
    if ((fd = open(path, flags)) < 0) return NULL;
    bytes = cfspr_read_open_file_(fd, size);
    error = errno;
    close(fd);
    if (bytes == NULL) errno = error;
    return bytes;
}
#else
/* Without POSIX the length is not asked for: the file is read in pieces
 * until its end, the buffer doubling as it fills. */
uint8_t* cfspr_load_file(const char* path, size_t* size) {
    FILE* file = fopen(path, "rb");
    uint8_t *bytes = NULL, *grown;
    size_t room = 0, done = 0, got;
    if (file == NULL) return NULL;
    for (;;) {
        if (done == room) {
            room = room == 0 ? 65536 : room < SIZE_MAX / 2 ? room * 2 : SIZE_MAX;
            if (done == room || (grown = (uint8_t*)realloc(bytes, room)) == NULL) break;
            bytes = grown;
        }
        got = fread(bytes + done, 1, room - done, file);
        done += got;
        if (got == 0) break;
    }
    if (ferror(file) || !feof(file)) {
        free(bytes);
        bytes = NULL;
    }
    fclose(file);
    if (bytes != NULL) *size = done;
    return bytes;
}
#endif
#endif

#ifdef __cplusplus
}
#endif
#endif /* CELFORGE_SPR_IMPLEMENTED */
#endif /* CELFORGE_SPR_IMPLEMENTATION */
