#include "workbench/picture_queue.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr const char* DIRECTION_WORDS[] = {"nodirection", "left",     "right",   "up",       "down",
                                           "leftup",      "leftdown", "rightup", "rightdown"};
constexpr int WORD_COUNT = static_cast<int>(sizeof DIRECTION_WORDS / sizeof DIRECTION_WORDS[0]);

std::string FileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

char Lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Compares the digit runs starting at a[i] and b[j] as numbers, moving both
// past them. Leading zeros do not count; more digits mean a larger number.
int CompareNumbers(const std::string& a, size_t& i, const std::string& b, size_t& j) {
    while (i < a.size() && a[i] == '0' && i + 1 < a.size() && IsDigit(a[i + 1])) ++i;
    while (j < b.size() && b[j] == '0' && j + 1 < b.size() && IsDigit(b[j + 1])) ++j;
    const size_t startA = i, startB = j;
    while (i < a.size() && IsDigit(a[i])) ++i;
    while (j < b.size() && IsDigit(b[j])) ++j;
    const size_t lengthA = i - startA, lengthB = j - startB;
    if (lengthA != lengthB) return lengthA < lengthB ? -1 : 1;
    return a.compare(startA, lengthA, b, startB, lengthB);
}

int CompareNatural(const std::string& a, const std::string& b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            if (const int order = CompareNumbers(a, i, b, j)) return order;
            continue;
        }
        const char x = Lower(a[i++]), y = Lower(b[j++]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

bool IsWordBreak(char c) {
    return c == '_' || c == '-' || c == '.' || IsDigit(c);
}

int SlotOfWord(const std::string& word) {
    for (int slot = 0; slot < WORD_COUNT; ++slot)
        if (word == DIRECTION_WORDS[slot]) return slot;
    return -1;
}

}  // namespace

bool NaturalLess(const std::string& pathA, const std::string& pathB) {
    const int order = CompareNatural(FileName(pathA), FileName(pathB));
    return order != 0 ? order < 0 : pathA < pathB;
}

void SortNaturally(std::vector<std::string>& paths) {
    std::stable_sort(paths.begin(), paths.end(), NaturalLess);
}

std::optional<int> DirectionSlotInName(const std::string& path) {
    const std::string name = FileName(path);
    std::optional<int> found;
    std::string word;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && !IsWordBreak(name[i])) {
            word += Lower(name[i]);
            continue;
        }
        const int slot = SlotOfWord(word);
        word.clear();
        if (slot < 0) continue;
        if (found && *found != slot) return std::nullopt;
        found = slot;
    }
    return found;
}

NamedRanges RangesFromNames(const std::vector<std::optional<int>>& slots, int firstCell,
                            int minFrames) {
    NamedRanges result;
    for (int slot = 0; slot < WORD_COUNT; ++slot) {
        int first = -1, last = -1, runs = 0;
        for (size_t i = 0; i < slots.size(); ++i) {
            if (slots[i] != slot) continue;
            if (last != static_cast<int>(i) - 1 || first < 0) ++runs;
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
        }
        if (runs == 0) continue;
        const std::string word = DIRECTION_WORDS[slot];
        if (runs > 1)
            result.leftUnmarked.push_back(word + ": its pictures are not next to each other");
        else if (last - first + 1 < minFrames)
            result.leftUnmarked.push_back(word + ": " + std::to_string(last - first + 1) +
                                          " pictures, fewer than " + std::to_string(minFrames));
        else
            result.marked.push_back({slot, firstCell + first, firstCell + last});
    }
    return result;
}
