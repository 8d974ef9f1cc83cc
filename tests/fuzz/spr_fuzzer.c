/* Feeds arbitrary bytes to celforge/spr.h. */
#define CELFORGE_SPR_IMPLEMENTATION
#include <stdlib.h>
#include <string.h>

#include "celforge/spr.h"

static void check_problems(const cfspr_sprite* s, size_t size) {
    char line[CFSPR_TEXT_MAX];
    int i, n;
    if (s->problem_count > CFSPR_MAX_PROBLEMS || cfspr_frame(s, 0) != NULL) abort();
    for (i = 0; i < s->problem_count; ++i) {
        n = cfspr_describe(&s->header, size, s->problems[i], line, sizeof line);
        if (n <= 0 || n >= (int)sizeof line || strchr(line, '\n') != NULL ||
            strcmp(line, "unknown problem") == 0 ||
            cfspr_reason_text(s->problems[i].reason) == NULL)
            abort();
    }
}

static void check_frames(const cfspr_sprite* s, const uint8_t* data, size_t size) {
    const size_t frameBytes = 2 * (size_t)s->header.width * (size_t)s->header.height;
    const uint8_t* expected = data + CFSPR_HEADER_SIZE;
    int d;
    int32_t f;
    for (d = 0; d < CFSPR_DIRECTIONS; ++d) {
        for (f = 0; f < cfspr_frame_count(s, d); ++f, expected += frameBytes) {
            const uint8_t* frame = cfspr_direction_frame(s, d, f);
            const uint16_t last = cfspr_pixel(frame, (int64_t)frameBytes / 2 - 1);
            if (frame != expected ||
                (cfspr_rgba(last, cfspr_key(s)) >> 24 == 0) != (last == cfspr_key(s)))
                abort();
        }
        if (cfspr_direction_frame(s, d, f) != NULL) abort();
    }
    if (expected != data + size || cfspr_frame(s, cfspr_total_frames(s)) != NULL) abort();
}

int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    cfspr_sprite s;
    const int sound = cfspr_open(&s, data, size);
    if (sound != (s.problem_count == 0)) abort();
    if (sound)
        check_frames(&s, data, size);
    else
        check_problems(&s, size);
    return 0;
}
