#include "formats/pcx.h"
#include "platform/platform.h"

std::optional<std::string> AskPcxFileName(const std::string& title) {
    return platform::Current().OpenFileDialog(
        title, {{"Pcx files (*.pcx)", "*.pcx"}, {"All Files (*.*)", "*.*"}});
}
