#include "core/lists/list_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <unordered_map>
#include <utility>

#include "base/utf8.h"
#include "core/common/text.h"
#include "platform/platform.h"

namespace kdx {

namespace {

// Turns text into one key per character, equal keys meaning the characters
// are equal ignoring case. Upper-casing is asked of the platform once per
// distinct character, so a long list costs a few lookups per path.
class CaseFolder {
public:
    // Appends the keys of text to keys and, when starts is given, the byte
    // offset of each character followed by the text's length.
    void fold(std::string_view text, std::vector<uint32_t>& keys, std::vector<size_t>* starts) {
        size_t pos = 0;
        while (pos < text.size()) {
            if (starts) starts->push_back(pos);
            const size_t begin = pos;
            char32_t cp = 0;
            if (static_cast<unsigned char>(text[pos]) < 0x80) {
                keys.push_back(static_cast<unsigned char>(AsciiUpper(text[pos])));
                ++pos;
            } else if (DecodeUtf8(text, pos, cp)) {
                keys.push_back(keyOf(text.substr(begin, pos - begin), cp));
            } else {
                // A byte that is no character matches only the same byte.
                keys.push_back(RawByteKeys + static_cast<unsigned char>(text[pos]));
                ++pos;
            }
        }
        if (starts) starts->push_back(text.size());
    }

private:
    // Keys past the code points: raw bytes, then upper-case forms that are
    // not a single character.
    static constexpr uint32_t RawByteKeys = 0x110000;
    static constexpr uint32_t InternedKeys = 0x110100;

    uint32_t keyOf(std::string_view character, char32_t cp) {
        if (const auto it = m_known.find(cp); it != m_known.end()) return it->second;
        const std::string upper = sys().toUpper(character);
        size_t pos = 0;
        char32_t single = 0;
        uint32_t key = 0;
        if (DecodeUtf8(upper, pos, single) && pos == upper.size()) {
            key = single;
        } else {
            const auto [it, added] = m_interned.emplace(upper, InternedKeys + static_cast<uint32_t>(m_interned.size()));
            key = it->second;
        }
        m_known.emplace(cp, key);
        return key;
    }

    std::unordered_map<char32_t, uint32_t> m_known;
    std::map<std::string, uint32_t> m_interned;
};

} // namespace

void ReplaceInNames(std::vector<FileEntry>& rows, std::string_view search, std::string_view replacement) {
    if (search.empty() || rows.empty()) return;
    CaseFolder folder;
    std::vector<uint32_t> wanted;
    folder.fold(search, wanted, nullptr);
    const size_t m = wanted.size();

    std::vector<uint32_t> keys;
    std::vector<size_t> starts;
    std::string result;
    for (FileEntry& row : rows) {
        const std::string& name = row.Name;
        if (name.size() < m) continue; // fewer bytes than the characters wanted
        keys.clear();
        starts.clear();
        folder.fold(name, keys, &starts);
        const size_t n = keys.size();
        result.clear();
        size_t copied = 0; // bytes of name already in result
        bool changed = false;
        for (size_t i = 0; i + m <= n;) {
            if (std::equal(wanted.begin(), wanted.end(), keys.begin() + static_cast<std::ptrdiff_t>(i))) {
                result.append(name, copied, starts[i] - copied);
                result.append(replacement);
                copied = starts[i + m];
                changed = true;
                i += m;
            } else {
                ++i;
            }
        }
        if (!changed) continue;
        result.append(name, copied, std::string::npos);
        row.Name.swap(result);
    }
}

std::string CopyListText(const std::vector<FileEntry>& rows, std::string_view lineEnd) {
    if (rows.empty()) return {};
    std::string out;
    out.append(ListTextHeader).append(lineEnd);
    size_t position = 0;
    for (const FileEntry& e : rows) {
        out.append(std::to_string(++position)).push_back('\t');
        out.append(e.Name).push_back('\t');
        out.append(e.CreateTime).push_back('\t');
        out.append(e.WriteTime).push_back('\t');
        out.append(e.AccessTime).push_back('\t');
        out.append(Trim(e.PhotoTime)).push_back('\t');
        out.append(Trim(e.NameTime)).append(lineEnd);
    }
    return out;
}

void ExchangeLists(std::vector<FileEntry>& rowsA, std::vector<bool>& selectedA, std::vector<FileEntry>& rowsB,
                   std::vector<bool>& selectedB) {
    rowsA.swap(rowsB);
    selectedA.swap(selectedB);
    // What a snapshot does not carry does not survive the exchange either.
    for (auto* list : {&rowsA, &rowsB}) {
        for (FileEntry& e : *list) {
            e.SeqNo = 0;
            e.DiffMark = 0;
        }
    }
    selectedA.resize(rowsA.size(), false);
    selectedB.resize(rowsB.size(), false);
}

} // namespace kdx
