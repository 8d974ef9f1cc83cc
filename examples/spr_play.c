/* spr_play: plays one direction of a sprite file in a window, the key colour
 * transparent over a slate background. Build with
 *     cc spr_play.c $(pkg-config --cflags --libs celforge-spr sdl2)
 * Usage: spr_play FILE.Spr [DIRECTION] [--frames N] [--delay MS] [--first-frame OUT.bmp]
 * DIRECTION is 0-8 in file order or a name such as Left (default: the first
 * with frames); --frames stops after N frames shown (default: until closed);
 * --first-frame saves the first frame shown, the whole window, as a BMP. */
#define CELFORGE_SPR_IMPLEMENTATION
#define CELFORGE_SPR_FILE
#include <SDL.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "celforge/spr.h"

enum { BACK_R = 0x30, BACK_G = 0x40, BACK_B = 0x50 };

typedef struct Options {
    const char *path, *direction, *firstFrame;
    long frames, delay;
} Options;

static int parse_options(int argc, char** argv, Options* o) {
    int i;
    memset(o, 0, sizeof *o);
    o->delay = 100;
    for (i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            o->frames = atol(argv[++i]);
        else if (strcmp(argv[i], "--delay") == 0 && i + 1 < argc)
            o->delay = atol(argv[++i]);
        else if (strcmp(argv[i], "--first-frame") == 0 && i + 1 < argc)
            o->firstFrame = argv[++i];
        else if (argv[i][0] == '-')
            return 0;
        else if (o->path == NULL)
            o->path = argv[i];
        else if (o->direction == NULL)
            o->direction = argv[i];
        else
            return 0;
    }
    return o->path != NULL && o->frames >= 0 && o->delay >= 0;
}

/* The direction asked for, or the first with frames; -1 when it has none. */
static int pick_direction(const cfspr_sprite* s, const char* asked) {
    int d;
    for (d = 0; d < CFSPR_DIRECTIONS; ++d) {
        int named = asked != NULL && (strcmp(asked, cfspr_direction_name(d)) == 0 ||
                                      (asked[0] == '0' + d && asked[1] == '\0'));
        if ((asked == NULL || named) && cfspr_frame_count(s, d) > 0) return d;
    }
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
    if ((bytes = cfspr_load_file(o.path, &size)) == NULL) return refuse(o.path, "cannot read it");
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
