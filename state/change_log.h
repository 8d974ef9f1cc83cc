#pragma once
// Every change to the work (the sheet's cells, the placement mark, the
// directions' ranges, the key colour) is one Change in one log. Handlers never
// change these behind the log's back: they describe the change and hand it to
// Do, which applies it. Undo puts the before side back, Redo the after side;
// a new change after an undo drops what could have been redone.
//
// One Change is the shape of every kind: a placement is cell edits plus the
// mark and the pictures it took from the queue, an exchange is two cell
// edits, a marked range is one range edit, a picked key is a key edit; a
// batch (many frames placed at once, ranges marked from file names) is
// simply a longer list. A cell's picture name travels with its pixels.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/work_types.h"

enum class ChangeKind : uint8_t {
    PlaceFrames = 1,
    ExchangeCells = 2,
    MarkRanges = 3,
    PickKeyColour = 4,
};

// A cell's pixels (sprite width x height, row by row) and the name of the
// picture they came from, before and after.
struct CellEdit {
    int cell = 0;  // sheet cell index, 0-based in reading order
    std::vector<uint16_t> before;
    std::vector<uint16_t> after;
    std::string nameBefore = {};
    std::string nameAfter = {};
};

struct RangeEdit {
    int slot = 0;  // index into the directions' tables (0-8)
    DirectionRange before;
    DirectionRange after;
    int countBefore = 1;
    int countAfter = 1;
};

// The pictures a placement took from the pane and the queue's front, in
// order (those placed, and those skipped on the way). An undo gives them back
// to the queue's front, ahead of pictures added since; a redo takes them
// again. `rest*` is what the pane shows, as placed, when nothing waits.
struct QueueMove {
    std::vector<std::string> taken;
    std::string restBefore;
    std::string restAfter;
};

struct Change {
    ChangeKind kind = ChangeKind::PlaceFrames;
    std::vector<CellEdit> cells;
    std::optional<PlacementMark> markBefore;  // both set or both empty
    std::optional<PlacementMark> markAfter;
    std::vector<RangeEdit> ranges;
    std::optional<uint32_t> keyBefore;  // both set or both empty
    std::optional<uint32_t> keyAfter;
    std::optional<QueueMove> queue = std::nullopt;
};

// What the session store must write after a tick: set by Do, Undo and Redo,
// cleared by the store once written.
struct LogDirt {
    std::vector<int> cells;  // cells whose pixels changed (may repeat)
    bool work = false;       // mark, ranges or key colour changed
    bool log = false;        // records added or dropped, or the cursor moved
    bool names = false;      // cell names, the pane's picture or the queue changed
    bool extras = false;     // the ranges being marked, mode or scroll changed
};

// The undo history holds at most this many bytes of records; past it the
// oldest steps are dropped. A 640 x 480 placement costs 1.2 MB (its cell
// before and after), so the budget keeps at least some 200 such steps.
constexpr size_t HISTORY_BUDGET_BYTES = size_t{256} << 20;

// The memory one record holds: every field's pixels and entries. A field
// added to Change must be counted here, or the budget undercounts it.
size_t ChangeBytes(const Change& change);

class ChangeLog {
  public:
    // Applies the after side and records it; drops the redo side.
    void Do(Change change);
    // False when there is nothing to undo / redo.
    bool Undo();
    bool Redo();

    const std::vector<Change>& Records() const { return records_; }
    // Records [0, Cursor()) are done; [Cursor(), size) can be redone.
    size_t Cursor() const { return cursor_; }
    // The running number of Records()[0] since the work began: the oldest
    // records go when the history outgrows its budget, and a store keys its
    // rows by these numbers, so the rest keep theirs.
    uint64_t FirstSequence() const { return firstSequence_; }
    // Restores a log read back from the session store, without applying it.
    void Restore(std::vector<Change> records, size_t cursor);
    // A restored log goes on numbering its records from where its store
    // left them: `storedFirst` was the number of the first record read back.
    void ContinueNumbering(uint64_t storedFirst) { firstSequence_ += storedFirst; }
    // The bytes the records hold (ChangeBytes of each), and the most they may.
    size_t Bytes() const { return bytes_; }
    void SetBudget(size_t bytes);
    void Clear();
    // The work as a file opened it: applies the after side without
    // recording it, so the log starts empty, and leaves the dirt saying what
    // to write. Cells written directly beforehand go into Dirt().cells.
    void Open(const Change& opened);

    LogDirt& Dirt() { return dirt_; }

  private:
    // Drops the oldest records while the history is over its budget; the
    // newest record always stays.
    void Trim();

    std::vector<Change> records_;
    size_t cursor_ = 0;
    uint64_t firstSequence_ = 0;
    size_t bytes_ = 0;
    size_t budget_ = HISTORY_BUDGET_BYTES;
    bool toldTrim_ = false;
    LogDirt dirt_;
};

// The editor's one log.
extern ChangeLog g_changeLog;

// The mark as the sheet state holds it now.
PlacementMark CurrentPlacementMark();
// A cell's pixels as the sheet holds them now (zeros outside the sheet).
std::vector<uint16_t> CellPixels(int cell);
// Applies one side of a change to g_state and g_sheet.
void ApplyChange(const Change& change, bool after);
// The name of the picture a cell holds (empty: unknown or none).
std::string CellName(int cell);
