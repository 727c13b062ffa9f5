// The POSIX desktops have neither service as a system call: the window uses
// its toolkit's icon theme and the file manager's D-Bus interface instead.

#include "platform/desktop.h"

namespace kdx {

std::optional<IconPixels> SystemIcon(std::string_view, bool, int) {
    return std::nullopt;
}

bool SelectInFileManager(std::string_view) {
    return false;
}

} // namespace kdx
