// Random sequences of everything an artist does to the work, each checked
// after every action against a plain model of the work: cells, names, the
// mark, ranges, key, pane, queue and its count, boxes and undo's steps.
// Killing the editor goes through the real session store.
// CELFORGE_MODEL_RUNS sets how many sequences run; CELFORGE_MODEL_SEED replays one.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "display/ddraw.h"
#include "display/pixmap.h"
#include "formats/sprite_file.h"
#include "session/session_state.h"
#include "shell/window.h"
#include "shell/workbench_init.h"
#include "state/skin.h"
#include "state/work.h"
#include "tests/support/session.h"
#include "workbench/directions.h"
#include "workbench/input.h"

namespace {

using platform::BoxAnswer;

constexpr int kSize = 8;  // sprites of 8 x 8: cell i at screen x 8i, row 0 of the sheet
constexpr uint16_t kMarkFill = 33000;
const char* const kNames[] = {
    "w_left_1",        "w_left_2",        "w_left_3",        "w_rightdown_1", "w_rightdown_2",
    "w_nodirection_1", "w_nodirection_2", "w_nodirection_3", "x_1",           "x_2"};
constexpr int kPictures = 10;
// Then files no route takes as a picture, and why, as chosen in a dialog:
// "(null)" is what the dialog gives for a name it cannot pass on.
const std::pair<const char*, const char*> kRefused[] = {
    {"gone.pcx", "No such file or directory"},
    {"frames.pcx", "a folder, not a picture"},
    {"pipe.pcx", "a named pipe, not a file"},
    {"(null)", "not a full path"},
    {"huge.pcx", "641 x 2 pixels, larger than 640 x 480"},
    {"walk.spr", "the file is neither a PCX nor a PNG picture"},
};
constexpr int kEntries = kPictures + 6, kHuge = kEntries - 2, kSprite = kEntries - 1;
constexpr uint16_t kSpriteColour = 0x0123;  // walk.spr: three frames facing left
// The direction words the names hold, with their slots.
const std::pair<int, std::string> kWords[] = {{0, "nodirection"}, {1, "left"}, {8, "rightdown"}};
enum class Route { Chosen, CommandLine, Dropped };
constexpr int kActions = 12;
// Each sequence starts editors, several times slower under the sanitizers.
#ifdef __SANITIZE_ADDRESS__
constexpr uint64_t kRuns = 1000;
#else
constexpr uint64_t kRuns = 2000;
#endif

uint64_t EnvNumber(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 10) : fallback;
}

struct Work {
    std::vector<uint16_t> cells;  // placed cells' flat colours, in cell order
    std::vector<std::string> names;
    std::array<DirectionRange, DIRECTION_COUNT> ranges = {};
    std::array<int, DIRECTION_COUNT> counts = {1, 1, 1, 1, 1, 1, 1, 1, 1};
    uint32_t key = 0;
    bool operator==(const Work& o) const {
        return std::tie(cells, names, ranges, counts, key) ==
               std::tie(o.cells, o.names, o.ranges, o.counts, o.key);
    }
};

struct Step {
    Work before, after;
    std::vector<std::string> taken;
    std::string restBefore, restAfter;  // set only by a placing, the one step that moves the queue
};

// Sessions live on a memory file system where there is one: the store is
// the real one, only its disk is quicker.
std::string PrivateStateRoot() {
    const bool shm = std::filesystem::is_directory("/dev/shm");
    const std::string root = (shm ? std::string("/dev/shm/") : ::testing::TempDir()) +
                             "celforge-model-" + std::to_string(getpid());
    std::filesystem::remove_all(root);  // what an earlier process of this number left
    return root;
}

class WorkModelTest : public SessionTest {
  protected:
    void TearDown() override {
        SessionTest::TearDown();
        std::filesystem::remove_all(stateRoot);
    }
    const std::string stateRoot = PrivateStateRoot();
    // --- the model ---
    Work work;
    std::deque<std::string> unplaced;  // the pane's picture first, while any is unplaced
    std::string rest;                  // the pane's placed picture when nothing waits
    std::vector<Step> steps;
    size_t cursor = 0;
    bool frozen = false;

    std::string paths[kEntries];
    std::map<std::string, std::string> reasons;  // a refused file's reason, as chosen
    std::mt19937_64 random;
    std::string log;                           // the actions so far, for the failure message
    std::vector<std::string> expected, shown;  // the boxes, of the model and of the editor

    int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); }
    static uint16_t Colour(int picture) { return static_cast<uint16_t>((picture + 1) << 11); }
    uint16_t ColourOf(const std::string& path) const {
        for (int i = 0; i < kPictures; ++i)
            if (paths[i] == path) return Colour(i);
        return 0;
    }
    std::string PaneName() const { return unplaced.empty() ? rest : unplaced.front(); }
    int Placed() const { return static_cast<int>(work.cells.size()); }
    bool Good(const std::string& path) const { return !reasons.count(path); }
    std::string Reason(const std::string& path, Route route) const {
        // Named on the command line or dropped, it is a file of the working folder.
        if (path == "(null)" && route != Route::Chosen) return "No such file or directory";
        return Good(path) ? "" : reasons.at(path);
    }
    static std::string Name(const std::string& path) { return path.substr(path.rfind('/') + 1); }
    static std::string Line(const std::string& path, const std::string& reason) {
        return "\n" + Name(path) + ": " + reason;
    }
    // The usable pictures of `group` in name order; the others' lines join `lines`.
    std::vector<std::string> Usable(std::vector<std::string> group, Route route,
                                    std::string* lines) const {
        std::sort(group.begin(), group.end(),
                  [](const std::string& a, const std::string& b) { return Name(a) < Name(b); });
        std::vector<std::string> usable;
        for (const std::string& path : group)
            if (Good(path))
                usable.push_back(path);
            else
                *lines += Line(path, Reason(path, route));
        return usable;
    }
    void ExpectSkipped(const std::string& lines) {
        if (!lines.empty())
            expected.push_back("These pictures could not be used and were skipped:" + lines);
    }

    // Runs `edit` on the model; a change is a step undo takes back.
    void Change(Step step, const std::function<void()>& edit) {
        step.before = work;
        edit();
        if (work == step.before) return;
        step.after = work;
        steps.resize(cursor);
        steps.push_back(std::move(step));
        cursor = steps.size();
    }

    // --- driving the editor ---
    void Press(int key, int modifiers) {
        script.PressKey(key, modifiers);
        while (script.PeekMessage()) WindowProc(script.GetMessage());
        Tick();  // shown, so kept
    }
    void ClickCell(int cell) { Click(kSize * cell + 4, WORK_TOP + 4); }
    std::vector<std::string> SomeFiles(int most) {
        std::vector<std::string> chosen;
        for (int n = 1 + Pick(most); n > 0; --n) chosen.push_back(paths[Pick(kEntries)]);
        return chosen;
    }
    // The workbench up, its digit strip's pixels 0x100 + their digit.
    void StartWorkbench() {
        ASSERT_TRUE(InitWorkbench());
        CPixmap& strip = *g_skin.digits;
        for (int i = 0; i < strip.Width() * strip.Height(); ++i)
            strip.GetBits()[i] = static_cast<uint16_t>(0x100 + i % strip.Width() / 8);
        Tick();
    }
    void Restart() {
        frozen = false;
        ReleaseWorkbench();
        g_screen.ReleaseAll();
        ResetEditorState();
        BeginInputTick();
        ASSERT_TRUE(OpenMainWindow());
    }

    // A new editor started the way a user may start one: one picture or
    // several chosen in the first dialog, named on the command line (which
    // skips the restore question), or dropped while the dialog waits.
    void FreshStart(bool commandLine) {
        work = Work{};
        steps.clear();
        cursor = 0;
        int how = Pick(4);
        if (how == 1 && !commandLine) how = 0;
        std::vector<std::string> group =
            how == 3 ? std::vector{paths[Pick(kPictures)]} : SomeFiles(3);
        if (std::none_of(group.begin(), group.end(), [this](auto& path) { return Good(path); }))
            group.push_back(paths[Pick(kPictures)]);
        std::string lines;
        const std::vector<std::string> usable =
            Usable(group, how == 1 ? Route::CommandLine : Route::Chosen, &lines);
        unplaced.assign(usable.begin(), usable.end());
        ExpectSkipped(lines);
        log +=
            std::vector{"start-dialog ", "start-command-line ", "start-drop ", "start-one "}[how];
        if (how == 1)
            SetStartPictures(group);
        else if (how == 2)
            for (const std::string& path : group)
                script.PostMessage(platform::DropFileMessage(path));
        else if (how == 3)
            script.QueueOpenAnswer(group[0]);
        else
            script.QueueOpenAnswers(group);
        StartWorkbench();
    }

    void Place(bool batch) {
        g_state.edit.workMode = MODE_PLACE;
        const int at = Placed();
        if (!frozen) {
            Step step;
            step.restBefore = PaneName();
            const size_t take = unplaced.empty() ? 0 : batch ? unplaced.size() : 1;
            step.taken.assign(unplaced.begin(), unplaced.begin() + take);
            unplaced.erase(unplaced.begin(), unplaced.begin() + take);
            const std::vector<std::string> placing = take ? step.taken : std::vector{rest};
            rest = step.restAfter = placing.back();
            Change(std::move(step), [&] {
                work.names.insert(work.names.end(), placing.begin(), placing.end());
                for (const std::string& name : placing) work.cells.push_back(ColourOf(name));
            });
        }
        script.SetHeldModifiers(batch ? platform::kModShift : platform::kModNone);
        ClickCell(at);
        script.SetHeldModifiers(platform::kModNone);
        Tick();
    }

    // The files come in the order a file manager lists them; they join in
    // name order. Of a drop, what is not a file is named first, as dropped.
    void Add(std::vector<std::string> group, bool open) {
        std::string lines;
        // The dialog itself asks again when it passes on no full path at all.
        if (open && std::count(group.begin(), group.end(), "(null)") == int(group.size()))
            group.push_back(paths[Pick(kPictures)]);
        if (open) {
            const std::vector<std::string> usable = Usable(group, Route::Chosen, &lines);
            unplaced.insert(unplaced.begin(), usable.begin(), usable.end());
            if (group.size() == 1 && !lines.empty())
                expected.push_back("This file cannot be read as a picture:\n" +
                                   Reason(group[0], Route::Chosen));
            else
                ExpectSkipped(lines);
            script.QueueOpenAnswers(group);
            g_state.panes.openPictureRequest = 1;
        } else {
            std::vector<std::string> pictures;
            for (const std::string& path : group)
                if (path == paths[kSprite])
                    DropSprite(&lines);
                else if (Good(path) || path == paths[kHuge])
                    pictures.push_back(path);
                else
                    lines += Line(path, Reason(path, Route::Dropped));
            const std::vector<std::string> usable = Usable(pictures, Route::Dropped, &lines);
            unplaced.insert(unplaced.end(), usable.begin(), usable.end());
            ExpectSkipped(lines);
            for (const std::string& path : group) WindowProc(platform::DropFileMessage(path));
        }
        Tick();
    }

    // A sprite file opens as the work only on the empty sheet.
    void DropSprite(std::string* lines) {
        if (Placed() > 0 || !steps.empty() || frozen) {
            *lines += Line(paths[kSprite],
                           "A sprite file can be opened only while the sheet is still empty, as "
                           "the work on it would be lost. Save this work first, then start the "
                           "editor with " +
                               paths[kSprite] + ".");
            return;
        }
        work = Work{std::vector<uint16_t>(3, kSpriteColour),
                    std::vector<std::string>(3),
                    {{{}, {RANGE_CONFIRMED, 1, 3}}},
                    {1, 2, 1, 1, 1, 1, 1, 1, 1},
                    0};
    }

    void History(bool undo) {
        Press(undo ? platform::kKeyZ : platform::kKeyY, platform::kModCtrl);
        if (frozen || (undo ? cursor == 0 : cursor == steps.size())) return;
        const Step& step = undo ? steps[--cursor] : steps[cursor++];
        work = undo ? step.before : step.after;
        if (step.restAfter.empty()) return;
        if (undo)
            unplaced.insert(unplaced.begin(), step.taken.begin(), step.taken.end());
        else
            for (const std::string& name : step.taken)
                unplaced.erase(std::find(unplaced.begin(), unplaced.end(), name));
        if (unplaced.empty()) rest = undo ? step.restBefore : step.restAfter;
    }

    // Left's range over cells `from` to `to` (1-based), confirmed with Space
    // or left under way.
    void MarkLeft(int from, int to, bool confirm) {
        g_state.edit.workMode = MODE_ANIMATE;
        Click(100, 560);
        Tick();
        if (frozen) return;
        MoveTo(kSize * (from - 1) + 4, WORK_TOP + 4);
        Hold(platform::kKeyLeftButton, true);
        Tick();
        MoveTo(kSize * (to - 1) + 4, WORK_TOP + 4);
        Tick();
        if (confirm) Hold(platform::kKeySpace, true);
        Tick();
        Hold(platform::kKeySpace, false);
        Hold(platform::kKeyLeftButton, false);
        Tick();
        if (!confirm) return;
        Change({}, [&] {
            work.ranges[1] = {RANGE_CONFIRMED, from, to};
            work.counts[1] = to - from;
        });
    }

    // Ctrl+D: a direction whose cells form one run of three or more; one box
    // names the others.
    void MarkFromNames() {
        g_state.edit.workMode = MODE_ANIMATE;
        Press(platform::kKeyD, platform::kModCtrl);
        if (frozen) return;
        std::string lines;
        bool marked = false;
        Change({}, [&] {
            for (const auto& [slot, word] : kWords) {
                std::vector<int> cells;
                for (int cell = 0; cell < Placed(); ++cell)
                    if (work.names[cell].find("_" + word + "_") != std::string::npos)
                        cells.push_back(cell);
                const int run = cells.empty() ? 0 : cells.back() - cells.front() + 1;
                if (run != static_cast<int>(cells.size())) {
                    lines += "\n" + word + ": its pictures are not next to each other";
                } else if (run > 0 && run < 3) {
                    lines += "\n" + word + ": " + std::to_string(run) + " pictures, fewer than 3";
                } else if (run > 0) {
                    work.ranges[slot] = {RANGE_CONFIRMED, cells.front() + 1, cells.back() + 1};
                    work.counts[slot] = run - 1;
                    marked = true;
                }
            }
        });
        if (!lines.empty())
            expected.push_back("These directions were left unmarked:" + lines);
        else if (!marked)
            expected.push_back("No placed picture's name holds a direction word.");
    }

    void Exchange(int first, int second) {
        g_state.edit.workMode = MODE_EDIT;
        g_state.edit.clipboardOpen = 1;
        g_state.edit.clipboardState = CLIPBOARD_AWAIT_STORE;
        if (!frozen)
            for (BoxAnswer answer : {BoxAnswer::Yes, BoxAnswer::Ok, BoxAnswer::Yes, BoxAnswer::Ok})
                script.QueueBoxAnswer(answer);
        ClickCell(first);
        ClickCell(second);
        g_state.edit.clipboardOpen = 0;
        g_state.edit.clipboardState = CLIPBOARD_IDLE;
        if (frozen) return;
        Change({}, [&] {
            std::swap(work.cells[first], work.cells[second]);
            std::swap(work.names[first], work.names[second]);
        });
    }

    // One drag of the picker over cells; the key is the colour it ends on.
    void PickKey(const std::vector<int>& cells) {
        g_state.edit.workMode = MODE_EDIT;
        g_state.edit.colourPickOn = 1;
        Hold(platform::kKeyLeftButton, true);
        for (int cell : cells) {
            MoveTo(kSize * cell + 4, WORK_TOP + 4);
            Tick();
        }
        Hold(platform::kKeyLeftButton, false);
        Tick();
        g_state.edit.colourPickOn = 0;
        const int last = cells.back();
        const uint32_t colour = last < Placed()    ? work.cells[last]
                                : last == Placed() ? kMarkFill
                                                   : 0;
        if (!frozen) Change({}, [&] { work.key = colour; });
    }

    void Freeze() {
        g_state.edit.workMode = MODE_PLACE;
        script.QueueBoxAnswer(BoxAnswer::Ok);
        Click(300, 550);
        Tick();
        frozen = true;
    }

    // The editor dies without a word; the next one offers its work back,
    // counting what is really there. Yes restores it; No sets it aside and
    // the next editor starts afresh.
    void KillAndRestore(bool yes) {
        Restart();
        script.ClearShown();
        script.QueueBoxAnswer(yes ? BoxAnswer::Yes : BoxAnswer::No);
        int marked = 0;
        for (const DirectionRange& range : work.ranges) marked += range.state == RANGE_CONFIRMED;
        const std::string counts = ": " + std::to_string(Placed()) + " frames, " +
                                   std::to_string(marked) + " directions marked?";
        if (yes)
            StartWorkbench();
        else
            FreshStart(false);
        ASSERT_EQ(script.Shown().size(), (yes ? 1u : 2u) + expected.size())
            << "the question, then the first picture and the boxes its files bring";
        const std::string& question = script.Shown()[0].text;
        ASSERT_EQ(question.find("Restore the unsaved work "), 0u) << question;
        ASSERT_EQ(question.substr(question.size() - std::min(question.size(), counts.size())),
                  counts);
    }

    // Editors start and die rarely (they cost the most): about one kill in
    // every other sequence, and one freeze in four.
    void Act() {
        const int placed = Placed();
        const bool room = placed + static_cast<int>(unplaced.size()) < 60;
        const int pick = Pick(26);
        if (pick < 5) return room ? (log += "place ", Place(false)) : void();
        if (pick < 7) return room ? (log += "batch ", Place(true)) : void();
        if (pick < 9) return log += "drop ", Add(SomeFiles(3), false);
        if (pick < 11) return log += "open ", Add(SomeFiles(2), true);
        if (pick < 14) return log += "undo ", History(true);
        if (pick < 16) return log += "redo ", History(false);
        if (pick < 17) return log += "ctrl+d ", MarkFromNames();
        if (pick < 21 && placed < 2) return;  // marking and exchanging take two cells
        if (pick < 19) return log += "mark ", MarkLeft(1 + Pick(placed - 1), placed, Pick(4) != 0);
        if (pick < 21) return log += "exchange ", Exchange(Pick(placed), Pick(placed));
        if (pick < 24) {
            log += "key ";
            const int start = Pick(placed + 2);
            return PickKey(Pick(2) ? std::vector<int>{start, Pick(placed + 2)}
                                   : std::vector<int>{start, Pick(placed + 2), start});
        }
        if (pick < 25) return frozen ? void() : (log += "freeze ", Freeze());
        return Kill();
    }
    void Kill() {
        if (Pick(4) == 0) return log += "no-restore ", KillAndRestore(false);
        return log += "restore ", KillAndRestore(true);
    }

    // Runs `action` unless an earlier one failed, then checks the editor.
    void Then(const std::function<void()>& action) {
        if (!HasFatalFailure()) action();
        if (!HasFatalFailure()) Check();
    }
    void Check() {
        SCOPED_TRACE(log);
        ASSERT_EQ(g_state.sheet.placedCount, Placed());
        ASSERT_EQ(g_state.sheet.cellX, kSize * Placed());
        ASSERT_EQ(g_sheet[kSize * Placed() + kSize], 0) << "the cell past the mark, blank";
        for (int cell = 0; cell < Placed(); ++cell) {
            ASSERT_EQ(g_sheet[kSize * cell], work.cells[cell]) << "cell " << cell;
            ASSERT_EQ(CellName(cell), work.names[cell]) << "cell " << cell;
        }
        const std::vector<std::string> queue(unplaced.begin(), unplaced.end());
        ASSERT_EQ(UnplacedPictures(g_state.queue), queue);
        ASSERT_EQ(g_state.queue.shown, PaneName());
        const uint16_t* pane = g_spritePictures.working->GetBits();
        ASSERT_EQ(std::count(pane, pane + kSize * kSize, ColourOf(PaneName())), kSize * kSize);
        for (int slot = 0; slot < DIRECTION_COUNT; ++slot) {
            const RangeDraft& draft = g_state.directions.drafts[slot];
            const DirectionRange& range =
                draft.open ? draft.range : g_state.directions.directionRanges[slot];
            ASSERT_TRUE(range == work.ranges[slot]) << "slot " << slot;
            ASSERT_EQ(draft.open ? draft.count : g_state.directions.directionCount[slot],
                      work.counts[slot]);
        }
        ASSERT_EQ(g_state.edit.keyColour, work.key);
        ASSERT_EQ(g_changeLog.Cursor(), cursor);
        ASSERT_EQ(g_changeLog.Records().size(), steps.size());
        ASSERT_EQ(shown, expected);
        shown.clear();
        expected.clear();
        if (g_state.edit.workMode != MODE_PLACE) return;
        // The count of waiting pictures, its digits 8 x 12 and ending at x 797.
        const int waiting = std::max(0, static_cast<int>(unplaced.size()) - 1);
        const auto digit = [waiting](int place) {
            return waiting >= place ? 0x100 + waiting / place % 10 : 0;
        };
        const auto at = [](int x, int y) { return g_screenBuf[y * SCREEN_WIDTH + x]; };
        ASSERT_EQ(
            std::vector<int>({at(789, 33), at(796, 44), at(781, 44), at(797, 33), at(789, 45)}),
            std::vector<int>({digit(1), digit(1), digit(10), 0, 0}));
    }
};

TEST_F(WorkModelTest, RandomSequencesKeepTheWorkAsTheModelSaysThroughUndoAndRestore) {
    for (int i = 0; i < kPictures; ++i)
        paths[i] =
            WritePicture(std::string(kNames[i]) + ".pcx",
                         MakeFlatImage(kSize, kSize, static_cast<uint8_t>(8 * (i + 1)), 0, 0));
    const std::string folder = std::filesystem::path(paths[0]).parent_path().string() + "/";
    for (int i = kPictures; i < kEntries; ++i) {
        const auto& [name, reason] = kRefused[i - kPictures];
        paths[i] = name == std::string("(null)") ? name : folder + name;
        reasons[paths[i]] = reason;
    }
    std::filesystem::create_directories(folder + "frames.pcx");
    ASSERT_EQ(mkfifo((folder + "pipe.pcx").c_str(), 0600), 0);
    WritePicture("huge.pcx", MakeFlatImage(641, 2, 0, 0, 0));
    const std::vector<uint16_t> frames(3 * kSize * kSize, kSpriteColour);
    ASSERT_TRUE(WriteBytesToFile(
        paths[kSprite],
        EncodeSpriteFile(MakeSpriteHeader(SPRITE_ANIMATION, kSize, kSize, 0, {0, 3}),
                         {{frames.data(), frames.size()}})));
    script.onUnanswered = [this](const platform::ShownDialog& dialog) {
        if (dialog.caption != "Frozen" || !frozen) shown.push_back(dialog.text);
    };
    const uint64_t only = EnvNumber("CELFORGE_MODEL_SEED", 0);
    const uint64_t runs = only ? 1 : EnvNumber("CELFORGE_MODEL_RUNS", kRuns);
    for (uint64_t seed = only ? only : 1; seed < (only ? only : 1) + runs; ++seed) {
        random.seed(seed);
        log = "seed " + std::to_string(seed) + " (CELFORGE_MODEL_SEED replays it): ";
        std::filesystem::remove_all(stateRoot + "/" + std::to_string(seed - 1));
        setenv("XDG_STATE_HOME", (stateRoot + "/" + std::to_string(seed)).c_str(), 1);
        Then([this] {
            Restart();
            FreshStart(true);
        });
        for (int action = 0; action < kActions; ++action) Then([this] { Act(); });
        if (Pick(4) == 0) Then([this] { Kill(); });
        if (HasFatalFailure()) {
            std::printf("work model: failed at %s\n", log.c_str());
            return;
        }
    }
}

// The work's own blobs come back field by field (the names: the kills
// above), and every blob cut short, or of a version this editor does not
// know, is refused.
TEST(WorkBlobs, ExtrasAndNamesComeBackWholeAndRefuseWhatIsCutShort) {
    const QueueState queue{
        {"/a/up_2.pcx", "/a/x.pcx"}, "/a/up_1.pcx", false, {"/a/left_1.pcx", "", "/a/left_2.pcx"}};
    const RangeDraft drafts[DIRECTION_COUNT] = {{}, {}, {true, {}, 1}};
    const DirectionRange live[DIRECTION_COUNT] = {{}, {}, {RANGE_MARKING, 4, 7}};
    const int liveCounts[DIRECTION_COUNT] = {1, 1, 3, 1, 1, 1, 1, 1, 1};
    WorkView view;
    view.drafts = drafts;
    view.live = live;
    view.liveCounts = liveCounts;
    view.workMode = MODE_ANIMATE;
    view.direction = 3;
    std::copy_n((const int[]){20, 40, 60, 80}, 4, view.scroll);
    view.colour.dither = true;
    view.colour.alphaThreshold = 99;
    view.queue = &queue;
    const std::vector<uint8_t> extras = EncodeWorkExtras(view);
    SessionSnapshot back;
    ASSERT_TRUE(DecodeWorkExtras(extras.data(), extras.size(), &back));
    EXPECT_EQ(
        std::vector<int>({back.workMode, back.direction, back.scroll[0], back.scroll[3],
                          back.markings[2].open, back.markings[2].range.firstCell,
                          back.markings[2].range.lastCell, back.markings[2].count,
                          back.markings[1].open, back.colour.dither, back.colour.alphaThreshold}),
        std::vector<int>({3, 3, 20, 80, 1, 4, 7, 3, 0, 1, 99}));
    for (auto [decode, blob] :
         {std::pair(&DecodeWorkExtras, extras), {&DecodeNames, EncodeNames(view)}}) {
        for (size_t size = 1; size < blob.size(); ++size)
            EXPECT_FALSE(decode(blob.data(), size, &back)) << size;
        blob[0] = 9;  // a version to come
        EXPECT_FALSE(decode(blob.data(), blob.size(), &back));
    }
}

}  // namespace
