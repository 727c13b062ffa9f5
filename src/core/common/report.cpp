#include "core/common/report.h"

namespace kdx {

std::string FailureList::text() const {
    std::string s;
    for (const std::string& p : paths) {
        s += p;
        s += "\r\n";
    }
    return s;
}

std::string ClosingMessage(std::string_view done, std::string_view failedHeader, const FailureList& failures) {
    std::string s(done);
    if (!failures.empty()) {
        s += failedHeader;
        s += "\r\n";
        s += failures.text();
    }
    return s;
}

} // namespace kdx
