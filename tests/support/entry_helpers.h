#pragma once

// Reading what a file on disk holds now, for tests that change times.

#include <gtest/gtest.h>

#include <string>

#include "core/lists/file_entry.h"

namespace kdx::test {

// The three stamp texts of path; a missing entry fails the test.
inline EntryTimes Stamps(const std::string& path) {
    EntryTimes t;
    EXPECT_TRUE(ReadStampTexts(path, t)) << path;
    return t;
}

// A list row for path as adding it would make one.
inline FileEntry RowOf(const std::string& path) {
    FileEntry e;
    e.Name = path;
    EntryTimes t;
    ReadFileTimes(path, {}, t);
    AssignTimes(e, std::move(t));
    return e;
}

} // namespace kdx::test
