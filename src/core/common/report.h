#pragma once

// What a command that writes times or names reports when it ends: the paths
// it could not change, in the order it met them.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {

inline constexpr std::string_view DoneModified = "修改完成！";
inline constexpr std::string_view DoneSynced = "同步完成！";
inline constexpr std::string_view DoneRenamed = "重命名完成!";
inline constexpr std::string_view FailedModified = "下列文件修改失败：";
inline constexpr std::string_view FailedSynced = "下列文件同步失败：";

struct FailureList {
    std::vector<std::string> paths;

    void add(std::string path) { paths.push_back(std::move(path)); }
    bool empty() const { return paths.empty(); }
    size_t size() const { return paths.size(); }
    // Each path followed by CR LF.
    std::string text() const;
};

// The closing message: the done text, and when something failed, directly
// after it the failure header, CR LF and the failure list.
std::string ClosingMessage(std::string_view done, std::string_view failedHeader, const FailureList& failures);

// Called now and then during a long walk with the number of items done and
// the total; may be empty.
using ProgressFn = std::function<void(size_t done, size_t total)>;

} // namespace kdx
