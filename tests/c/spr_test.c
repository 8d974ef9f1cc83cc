/* celforge/spr.h as game code uses it. Built as C99, C11 and C++17, each a
 * test of its own; prints each failed expectation and exits 1. */
#define CELFORGE_SPR_IMPLEMENTATION
#define CELFORGE_SPR_FILE
#include "celforge/spr.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

static int failures;
#define EXPECT(c) \
    ((c) ? (void)0 : (void)(++failures, printf("%s:%d: %s\n", __FILE__, __LINE__, #c)))

/* Three 2 x 1 frames: two Left, one Up. */
/* clang-format off */
static const uint8_t kSprite[103] = {
    'B', 'r', 'i', 's', 'k', '_', 'K', 'i', 't', 'e', '(',
    'B', 'r', 'i', 's', 'k', '_', 'W', 'r', 'e', 'n', ')', 0, /* signature: 23 bytes */
    'V', 'e', 'r', '.', '1', 0, 0, 0, 0, 0, 0, 0,             /* version, zero-padded */
    1, 0, 0, 0,                                               /* type: animation */
    2, 0, 0, 0,                                               /* width */
    1, 0, 0, 0,                                               /* height */
    16, 0, 0, 0,                                              /* colour bits */
    0x1F, 0xF8, 0, 0,                                         /* key colour 0xF81F */
    0, 0, 0, 0,  2, 0, 0, 0,  0, 0, 0, 0,  1, 0, 0, 0,        /* No Dir. 0, Left 2, LeftUp 0, Up 1 */
    0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, /* the other five: 0 */
    0x01, 0x00, 0x02, 0x00,                                   /* Left 0: 0x0001 0x0002 */
    0x00, 0xF8, 0xE0, 0x07,                                   /* Left 1: 0xF800 0x07E0 */
    0x1F, 0x00, 0x1F, 0xF8,                                   /* Up 0: 0x001F, the key */
};
/* clang-format on */

static void TestFramesAtAnyAlignment(void) {
    uint8_t store[1 + sizeof kSprite];
    int shift;
    for (shift = 0; shift < 2; ++shift) {
        cfspr_sprite s;
        memcpy(store + shift, kSprite, sizeof kSprite);
        EXPECT(cfspr_open(&s, store + shift, sizeof kSprite) == 1 && s.problem_count == 0);
        EXPECT(cfspr_frame_count(&s, CFSPR_LEFT) == 2 && cfspr_frame_count(&s, CFSPR_UP) == 1);
        EXPECT(cfspr_frame_count(&s, 9) == 0 && cfspr_total_frames(&s) == 3);
        EXPECT(cfspr_key(&s) == 0xF81F && s.header.width == 2 && s.header.height == 1);
        EXPECT(cfspr_pixel(cfspr_frame(&s, 0), 1) == 0x0002);
        EXPECT(cfspr_pixel(cfspr_frame(&s, 1), 0) == 0xF800);
        EXPECT(cfspr_pixel(cfspr_frame(&s, 2), 0) == 0x001F);
        EXPECT(cfspr_pixel(cfspr_direction_frame(&s, CFSPR_LEFT, 1), 1) == 0x07E0);
        EXPECT(cfspr_pixel(cfspr_direction_frame(&s, CFSPR_UP, 0), 1) == 0xF81F);
        EXPECT(cfspr_frame(&s, 3) == NULL && cfspr_frame(&s, -1) == NULL);
        EXPECT(cfspr_direction_frame(&s, CFSPR_LEFT, 2) == NULL);
        EXPECT(cfspr_direction_frame(&s, CFSPR_NO_DIRECTION, 0) == NULL);
        EXPECT(cfspr_direction_frame(&s, 9, 0) == NULL && cfspr_direction_frame(&s, -1, 0) == NULL);
    }
}

static void TestRgbaMatchesExport(void) {
    static const struct {
        uint16_t pixel;
        uint32_t rgba; /* alpha, blue, green, red */
    } cases[] = {{0xF800, 0xFF0000FFu}, {0x07E0, 0xFF00FF00u}, {0x001F, 0xFFFF0000u},
                 {0x0001, 0xFF080000u}, {0x8410, 0xFF848284u}, {0x0000, 0xFF000000u},
                 {0xF81F, 0x00000000u}};
    size_t i;
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i)
        EXPECT(cfspr_rgba(cases[i].pixel, 0xF81F) == cases[i].rgba);
    EXPECT(cfspr_rgba(0xF81F, 0x0000) == 0xFFFF00FFu);
}

typedef struct Change {
    size_t at;     /* where the good file is changed */
    uint8_t value; /* the byte written there */
} Change;

static void TestProblems(void) {
    /* clang-format off */
    static const struct {
        Change changes[4];
        int changeCount;
        size_t size;
        int count;                /* problems found */
        cfspr_reason first, last; /* the first and last in order */
        int lastDirection;
        const char* firstText;
    } cases[] = {
        {{{0, 7}}, 1, 103, 1, CFSPR_BAD_SIGNATURE, CFSPR_BAD_SIGNATURE, -1,
         "signature is \"\\x07risk_Kite(Brisk_Wren)\", expected \"Brisk_Kite(Brisk_Wren)\""},
        {{{35, 2}}, 1, 103, 3, CFSPR_SINGLE_COUNT, CFSPR_SINGLE_COUNT, CFSPR_UP,
         "a single sprite has 0 No Direction frames, expected 1"},
        {{{35, 0}, {39, 0}, {47, 0}, {54, 0x80}}, 4, 103, 4, CFSPR_BAD_TYPE, CFSPR_BAD_KEY_COLOUR, -1,
         "type is 0, expected 1 (animation) or 2 (single)"},
        {{{43, 0xFF}, {44, 0xFF}, {45, 0xFF}, {46, 0xFF}}, 4, 103, 1, CFSPR_BAD_HEIGHT, CFSPR_BAD_HEIGHT, -1,
         "height is -1, expected 1 to 480"},
        {{{62, 0xFF}}, 1, 103, 1, CFSPR_NEGATIVE_COUNT, CFSPR_NEGATIVE_COUNT, CFSPR_LEFT,
         "Left frame count is -16777214, expected 0 or more"},
        {{{59, 1}}, 1, 103, 1, CFSPR_WRONG_LENGTH, CFSPR_WRONG_LENGTH, -1,
         "file is 103 bytes, the header implies 99 (4 bytes too long)"},
        {{{0, 'B'}}, 1, 102, 1, CFSPR_WRONG_LENGTH, CFSPR_WRONG_LENGTH, -1,
         "file is 102 bytes, the header implies 103 (1 byte too short)"},
        {{{0, 'B'}}, 1, 90, 1, CFSPR_HEADER_CUT, CFSPR_HEADER_CUT, -1,
         "file is 90 bytes, shorter than the 91-byte header"}};
    /* clang-format on */
    size_t i;
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        uint8_t bytes[sizeof kSprite];
        cfspr_sprite s;
        char text[CFSPR_TEXT_MAX];
        int c, n;
        memcpy(bytes, kSprite, sizeof bytes);
        for (c = 0; c < cases[i].changeCount; ++c)
            bytes[cases[i].changes[c].at] = cases[i].changes[c].value;
        EXPECT(cfspr_open(&s, bytes, cases[i].size) == 0 && cfspr_frame(&s, 0) == NULL);
        n = s.problem_count;
        if (n != cases[i].count) printf("case %u: %d problems\n", (unsigned)i, n);
        EXPECT(n == cases[i].count && s.problems[0].reason == cases[i].first);
        EXPECT(n > 0 && s.problems[n - 1].reason == cases[i].last);
        EXPECT(n > 0 && s.problems[n - 1].direction == cases[i].lastDirection);
        cfspr_describe(&s.header, cases[i].size, s.problems[0], text, sizeof text);
        if (strcmp(text, cases[i].firstText) != 0) printf("case %u: %s\n", (unsigned)i, text);
        EXPECT(strcmp(text, cases[i].firstText) == 0);
        EXPECT(strcmp(cfspr_reason_text(s.problems[0].reason), "") != 0);
    }
}

static void TestLoadFile(const char* path) {
    size_t size = 0;
    uint8_t* bytes;
    FILE* file = fopen(path, "wb");
    EXPECT(file != NULL && fwrite(kSprite, 1, sizeof kSprite, file) == sizeof kSprite);
    if (file != NULL) fclose(file);
    bytes = cfspr_load_file(path, &size);
    EXPECT(bytes != NULL && size == sizeof kSprite && memcmp(bytes, kSprite, size) == 0);
    free(bytes);
    remove(path);
}

/* What is not a regular file is refused at once with errno saying why; a
 * named pipe no one writes to would otherwise wait for ever. */
static void TestLoadRefusesWhatIsNoFile(const char* path) {
    char fifo[512];
    struct {
        const char* path;
        int error;
    } cases[] = {
        {".", EISDIR}, {"/dev/null", EINVAL}, {NULL, EINVAL}, {"no/such/file.Spr", ENOENT}};
    size_t i, size = 7;
    snprintf(fifo, sizeof fifo, "%s.fifo", path);
    remove(fifo);
    EXPECT(mkfifo(fifo, 0600) == 0);
    cases[2].path = fifo;
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        errno = 0;
        EXPECT(cfspr_load_file(cases[i].path, &size) == NULL);
        if (errno != cases[i].error) printf("%s: %s\n", cases[i].path, strerror(errno));
        EXPECT(errno == cases[i].error && size == 7);
    }
    remove(fifo);
}

int main(int argc, char** argv) {
    TestFramesAtAnyAlignment();
    TestRgbaMatchesExport();
    TestProblems();
    TestLoadFile(argc > 1 ? argv[1] : "spr_test.Spr");
    TestLoadRefusesWhatIsNoFile(argc > 1 ? argv[1] : "spr_test.Spr");
    printf("%s\n", failures == 0 ? "ok" : "FAILED");
    return failures == 0 ? 0 : 1;
}
