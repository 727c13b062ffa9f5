#pragma once

// Times written into file names: a run of date digits (IMG_20201031_181818)
// or a WeChat export's millisecond stamp (mmexport1604139498000).

#include <string>
#include <string_view>

namespace kdx {

// Reads a time out of the file name of path. On success timeText is a time
// text and newName is, when the WeChat rule applied, the full path the file
// would get ("mmexport_yyyymmdd_hhnnss" plus the old extension), else empty.
// Both are empty on failure. Touches no file.
bool ParseFileNameTime(std::string_view path, int start, bool weChat, std::string& timeText, std::string& newName);

// A 13-digit millisecond stamp as the wall-clock time of UTC+8 (the fixed
// shift WeChat names are read with), for stamps from 1 up to the last
// millisecond of 2099 in that zone.
bool WeChatStampToTime(std::string_view digits, std::string& timeText);

} // namespace kdx
