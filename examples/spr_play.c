/* spr_play: plays one direction of a sprite file in a window, the key colour
 * transparent over a slate background. Build with
 *     cc spr_play.c $(pkg-config --cflags --libs celforge-spr sdl2)
 * Usage: spr_play FILE.Spr [DIRECTION] [--frames N] [--delay MS] [--first-frame OUT.bmp]
 * DIRECTION is 0-8 in file order or a name as celforge-spr prints it, LeftUp,
 * left-up or leftup in any case (default: the first with frames); --frames
 * stops after N frames shown (default: until closed);
 * --first-frame saves the first frame shown, the whole window, as a BMP. */
#define CELFORGE_SPR_IMPLEMENTATION
#define CELFORGE_SPR_FILE
#include <SDL.h>
#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "celforge/spr.h"

enum { BACK_R = 0x30, BACK_G = 0x40, BACK_B = 0x50 };

typedef struct Options {
    const char *path, *direction, *firstFrame;
    long frames, delay;
} Options;

/* A whole decimal number from low to high, or -1. */
static long parse_count(const char* text, long low, long high) {
    char* end;
    long value;
    if (text[0] < '0' || text[0] > '9') return -1;
    errno = 0;
    value = strtol(text, &end, 10);
    return errno == 0 && *end == '\0' && value >= low && value <= high ? value : -1;
}

static int refuse_option(const char* option, const char* text, const char* range) {
    fprintf(stderr, "spr_play: %s '%s': give a whole number from %s\n", option, text, range);
    return 0;
}

static int parse_options(int argc, char** argv, Options* o) {
    int i;
    memset(o, 0, sizeof *o);
    o->delay = 100;
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
            if ((o->frames = parse_count(argv[++i], 1, 1000000000L)) < 0)
                return refuse_option("--frames", argv[i], "1 to 1000000000");
        } else if (strcmp(argv[i], "--delay") == 0 && i + 1 < argc) {
            if ((o->delay = parse_count(argv[++i], 0, 60000L)) < 0)
                return refuse_option("--delay", argv[i], "0 to 60000 (milliseconds)");
        } else if (strcmp(argv[i], "--first-frame") == 0 && i + 1 < argc) {
            o->firstFrame = argv[++i];
        } else if (argv[i][0] == '-') {
            return 0;
        } else if (o->path == NULL) {
            o->path = argv[i];
        } else if (o->direction == NULL) {
            o->direction = argv[i];
        } else {
            return 0;
        }
    }
    return o->path != NULL;
}

/* The name with case, spaces, '-' and '_' left out: "No Direction",
 * "nodirection" and "left-up" read as celforge-spr writes them. */
static int same_name(const char* a, const char* b) {
    for (;;) {
        while (*a == ' ' || *a == '-' || *a == '_') ++a;
        while (*b == ' ' || *b == '-' || *b == '_') ++b;
        if (tolower((unsigned char)*a) != tolower((unsigned char)*b)) return 0;
        if (*a == '\0') return 1;
        ++a;
        ++b;
    }
}

/* The direction named by its number 0-8 or its name; -1 for none. */
static int direction_named(const char* asked) {
    int d;
    for (d = 0; d < CFSPR_DIRECTIONS; ++d)
        if (same_name(asked, cfspr_direction_name(d)) || (asked[0] == '0' + d && asked[1] == '\0'))
            return d;
    return -1;
}

static void list_directions(void) {
    int d;
    fputs("spr_play: the directions are 0-8 or", stderr);
    for (d = 0; d < CFSPR_DIRECTIONS; ++d)
        fprintf(stderr, "%s %s", d == 0 ? "" : ",", cfspr_direction_name(d));
    fputs(" (in any case, with or without spaces or '-')\n", stderr);
}

/* The direction asked for, or the first with frames; -1 when it has none. */
static int pick_direction(const cfspr_sprite* s, const char* asked) {
    int d;
    if (asked != NULL)
        return cfspr_frame_count(s, direction_named(asked)) > 0 ? direction_named(asked) : -1;
    for (d = 0; d < CFSPR_DIRECTIONS; ++d)
        if (cfspr_frame_count(s, d) > 0) return d;
    return -1;
}

static SDL_Texture* frame_texture(SDL_Renderer* r, const cfspr_sprite* s, const uint8_t* frame) {
    const int w = s->header.width, h = s->header.height;
    uint32_t* rgba = (uint32_t*)malloc((size_t)w * h * 4);
    SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, w, h);
    int i;
    if (rgba != NULL && t != NULL) {
        for (i = 0; i < w * h; ++i) rgba[i] = cfspr_rgba(cfspr_pixel(frame, i), cfspr_key(s));
        SDL_UpdateTexture(t, NULL, rgba, w * 4);
        SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    }
    free(rgba);
    return t;
}

static int save_shown(SDL_Renderer* r, int w, int h, const char* path) {
    SDL_Surface* shot = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    int saved =
        shot != NULL &&
        SDL_RenderReadPixels(r, NULL, SDL_PIXELFORMAT_ARGB8888, shot->pixels, shot->pitch) == 0 &&
        SDL_SaveBMP(shot, path) == 0;
    SDL_FreeSurface(shot);
    return saved;
}

static int play(const cfspr_sprite* s, int direction, const Options* o) {
    const int w = s->header.width, h = s->header.height, count = cfspr_frame_count(s, direction);
    SDL_Window* window =
        SDL_CreateWindow(o->path, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h, 0);
    SDL_Renderer* r = window != NULL ? SDL_CreateRenderer(window, -1, 0) : NULL;
    SDL_Event event;
    long shown;
    int ok = r != NULL, quit = 0;
    if (!ok) fprintf(stderr, "spr_play: no window: %s\n", SDL_GetError());
    for (shown = 0; ok && !quit && (o->frames == 0 || shown < o->frames); ++shown) {
        const uint8_t* frame = cfspr_direction_frame(s, direction, (int32_t)(shown % count));
        SDL_Texture* t = frame_texture(r, s, frame);
        while (SDL_PollEvent(&event)) quit |= event.type == SDL_QUIT;
        SDL_SetRenderDrawColor(r, BACK_R, BACK_G, BACK_B, 255);
        SDL_RenderClear(r);
        SDL_RenderCopy(r, t, NULL, NULL);
        /* Read before presenting: after it the back buffer's content is undefined. */
        if (shown == 0 && o->firstFrame != NULL && !save_shown(r, w, h, o->firstFrame)) {
            fprintf(stderr, "spr_play: %s: %s\n", o->firstFrame, SDL_GetError());
            ok = 0;
        }
        SDL_RenderPresent(r);
        SDL_DestroyTexture(t);
        SDL_Delay((Uint32)o->delay);
    }
    SDL_DestroyRenderer(r);
    SDL_DestroyWindow(window);
    return ok;
}

static int refuse(const char* path, const char* why) {
    fprintf(stderr, "spr_play: %s: %s\n", path, why);
    return 1;
}

int main(int argc, char** argv) {
    Options o;
    cfspr_sprite sprite;
    size_t size = 0;
    uint8_t* bytes;
    int direction, i, code = 1;
    char line[CFSPR_TEXT_MAX];
    if (!parse_options(argc, argv, &o)) {
        fputs(
            "usage: spr_play FILE.Spr [DIRECTION] [--frames N] [--delay MS]"
            " [--first-frame OUT.bmp]\n",
            stderr);
        return 2;
    }
    if (o.direction != NULL && direction_named(o.direction) < 0) {
        fprintf(stderr, "spr_play: unknown direction '%s'\n", o.direction);
        list_directions();
        return 2;
    }
    if ((bytes = cfspr_load_file(o.path, &size)) == NULL)
        return refuse(o.path, errno == EINVAL ? "not a regular file" : strerror(errno));
    if (!cfspr_open(&sprite, bytes, size)) {
        for (i = 0; i < sprite.problem_count; ++i) {
            cfspr_describe(&sprite.header, size, sprite.problems[i], line, sizeof line);
            refuse(o.path, line);
        }
    } else if ((direction = pick_direction(&sprite, o.direction)) < 0) {
        refuse(o.path, "no frames in that direction");
    } else if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        refuse("SDL", SDL_GetError());
    } else {
        code = play(&sprite, direction, &o) ? 0 : 1;
        SDL_Quit();
    }
    free(bytes);
    return code;
}
