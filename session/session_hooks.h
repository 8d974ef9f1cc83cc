#pragma once
// The editor's one session, as the shell drives it: started before the first
// picture is asked for, written at the end of every tick, removed once the
// sprite is saved. Problems are told once, in a box and on stderr.

#include <string>

struct SessionStartResult {
    // The user took back work left by an earlier editor: g_state, g_sheet,
    // g_pictureBuf and g_changeLog hold it, and the first-picture dialog
    // must be skipped (the sprite-size pictures are made from the restored
    // size, the working image grabbed from g_pictureBuf).
    bool restored = false;
};

// Offers the newest session no running editor holds (Yes restores it, No
// moves it aside), then keeps this editor's work. g_pictureBuf must exist.
// A session that cannot be read is named in a box with why, and stays.
// root: where the sessions live; empty means SessionStore::DefaultRoot().
// offerRestore false (a file was named to open): only a session whose work
// belongs to namedFile is offered, before the file is opened (Yes restores
// it instead); the other sessions stay for a later start.
SessionStartResult StartSession(const std::string& root = "", bool offerRestore = true,
                                const std::string& namedFile = "");
// The work now belongs to this sprite file: it was opened from it or saved
// to it. A later `celforge FILE` offers the work left on it.
void SessionSetFile(const std::string& path);
// Once at the end of each tick, before the frame is shown.
void SessionTick(bool picturePaneChanged);
// The animation was saved: the session ends cleanly and is deleted.
void EndSessionSaved();
// Stops writing and lets go of the session, leaving it on disk.
void CloseSession();
