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
// root: where the sessions live; empty means SessionStore::DefaultRoot().
// offerRestore false (a file was named to open): nothing is offered, the
// left sessions stay for a later start.
SessionStartResult StartSession(const std::string& root = "", bool offerRestore = true);
// Once at the end of each tick, before the frame is shown.
void SessionTick(bool picturePaneChanged);
// The animation was saved: the session ends cleanly and is deleted.
void EndSessionSaved();
// Stops writing and lets go of the session, leaving it on disk.
void CloseSession();
