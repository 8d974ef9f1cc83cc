#pragma once
// The export command's options, read and checked before any file is touched.

#include <optional>
#include <string>
#include <vector>

#include "cli/export.h"
#include "cli/options.h"

// What describes the sheet: JSON in one of its frame lists, Godot's
// SpriteFrames resource with a scene, or a texture atlas.
enum class Description { Json, Godot4, Godot3, Atlas };

struct ExportArgs {
    std::string sprite, png, json, gifFolder;
    Description description = Description::Json;
    FrameList frameList = FrameList::Hash;
    int scale = 1;
    LayoutOptions layout;
    int delayMs = 100;                                      // for directions not named
    std::array<int, SPRITE_DIRECTIONS> directionDelayMs{};  // 0: delayMs
    std::array<std::optional<PivotPoint>, SPRITE_DIRECTIONS> pivot;

    DirectionSettings Settings() const;
};

extern const std::vector<OptionRule> EXPORT_OPTIONS;

// Null, with `error` set, on a missing or bad option value.
std::optional<ExportArgs> ParseExportArgs(const ParsedArgs& parsed, std::string* error);
// Empty when every pivot lies on the frame (edges included); else the message.
std::string CheckPivots(const ExportArgs& args, int width, int height);

// "walk.png" as page 1 of several: "walk-1.png"; as the only page: itself.
std::string PagePath(const std::string& path, int page, size_t pages);
// The sheet's path with its extension replaced: "walk.png" -> "walk.tres".
std::string BesideSheet(const std::string& png, const std::string& extension);
