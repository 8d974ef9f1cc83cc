#pragma once
// Writing a file so that a failure never leaves the old one truncated.

#include <cstdint>
#include <string>
#include <vector>

// The step at which a save stopped; Done when every byte is on disk.
enum class WriteStep {
    Done,
    Stat,            // the target could not be looked at
    NotRegularFile,  // a folder, FIFO, socket or block device: refused unopened
    AccessDenied,    // an existing file the user may not write
    OpenTemporary,
    OpenInPlace,
    SetMode,
    Write,
    Sync,
    Close,
    Rename,
    SyncFolder,
};

struct WriteResult {
    WriteStep step = WriteStep::Done;
    int error = 0;  // the errno of the failed step, 0 when there is none
    explicit operator bool() const { return step == WriteStep::Done; }
};

// The file a path names once its links are followed, the last of them too:
// one that names no file yet leads to where writing through it would make
// one. A loop of links stops after as many hops as the system allows.
std::string FollowLinks(std::string path);

// One line for the user or a log, e.g. "cannot write: No space left on device".
std::string Describe(const WriteResult& result);

// Writes the bytes to a new file in the target's folder and renames it over
// the target once every byte is on disk, then syncs the folder. A link is
// followed, and one to a file that does not exist yet makes that file. A
// character device is written in place, and so is a writable file in a
// folder where no new file can be made, or a sticky folder where only its
// owner may replace it. A file that may not be written, and anything that is
// neither a file nor a character device, is refused before it is opened. On
// failure nothing on disk has changed, except where the file had to be
// written in place.
WriteResult WriteFileReplacing(const std::string& path, const std::vector<uint8_t>& bytes);

// The path with `extension` (".Spr") appended when its last name has none, as
// a save dialog does; a leading dot starts a hidden name, not an extension.
std::string WithDefaultExtension(const std::string& path, const std::string& extension);

// Where a save of the typed name goes: a name that already exists, say a file
// or device picked in the dialog, is written as picked; any other gets the
// default extension.
std::string SavePathFor(const std::string& typed, const std::string& extension);
