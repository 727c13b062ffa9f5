#pragma once

// What the window asks of the desktop shell beyond files: the system's own
// icons and the file manager. Where a desktop has no such service the calls
// answer "nothing" and the window falls back to what the toolkit offers.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace kdx {

// An icon as 32-bit pixels, 0xAARRGGBB, not premultiplied, row by row.
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
};

// The system's icon for entries of this kind: a folder, or a file with this
// name's extension. Decided by the name alone; no file is opened or even
// looked up, so it costs the same for a photo on a card or a network share.
std::optional<IconPixels> SystemIcon(std::string_view name, bool folder, int pixels);

// Opens the file manager on the entry's folder with the entry selected.
// May take seconds (the file manager starts); call it away from the
// window's thread. False where the desktop offers no such call.
bool SelectInFileManager(std::string_view path);

} // namespace kdx
