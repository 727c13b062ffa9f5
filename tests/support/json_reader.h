#pragma once

// A small JSON reader for the tests that check the command line's JSON
// lines: objects, strings, numbers, true, false and null (no arrays: the
// program writes none). Strings
// come back as bytes: UTF-8 for characters, and a lone \udcXX escape as the
// byte XX, the form the program gives bytes that are not UTF-8. Any other
// lone surrogate is refused, as Python's os.fsencode refuses it.

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kdx::test {

struct Json {
    enum class Type { Null, Bool, Number, String, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::map<std::string, Json> members;

    bool has(const std::string& key) const { return members.count(key) != 0; }
    const Json& operator[](const std::string& key) const { return members.at(key); }
};

namespace json_detail {

inline void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    std::optional<Json> document() {
        std::optional<Json> v = value();
        skip();
        if (!v || m_pos != m_text.size()) return std::nullopt;
        return v;
    }

private:
    void skip() {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n'))
            ++m_pos;
    }
    bool eat(char c) {
        skip();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    bool word(std::string_view w) {
        if (m_text.substr(m_pos, w.size()) != w) return false;
        m_pos += w.size();
        return true;
    }
    std::optional<unsigned> hex4() {
        if (m_text.size() - m_pos < 4) return std::nullopt;
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            v = v * 16 + static_cast<unsigned>(c >= '0' && c <= '9'   ? c - '0'
                                               : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                      : 99);
            if (v >= 0x10000) return std::nullopt;
        }
        return v;
    }
    std::optional<std::string> string() {
        if (!eat('"')) return std::nullopt;
        std::string out;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') return out;
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt; // raw control characters are not JSON
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_pos >= m_text.size()) return std::nullopt;
            const char e = m_text[m_pos++];
            const std::string_view simple = "\"\\/bfnrt", meant = "\"\\/\b\f\n\r\t";
            if (const size_t at = simple.find(e); at != std::string_view::npos) {
                out += meant[at];
                continue;
            }
            if (e != 'u') return std::nullopt;
            std::optional<unsigned> unit = hex4();
            if (!unit) return std::nullopt;
            if (*unit >= 0xD800 && *unit < 0xDC00 && word("\\u")) {
                const std::optional<unsigned> low = hex4();
                if (!low || *low < 0xDC00 || *low > 0xDFFF) return std::nullopt;
                AppendUtf8(out, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
            } else if (*unit >= 0xDC80 && *unit <= 0xDCFF) {
                out += static_cast<char>(*unit - 0xDC00);
            } else if (*unit >= 0xD800 && *unit <= 0xDFFF) {
                return std::nullopt;
            } else {
                AppendUtf8(out, *unit);
            }
        }
        return std::nullopt;
    }
    std::optional<Json> value() {
        skip();
        Json v;
        if (m_pos >= m_text.size()) return std::nullopt;
        const char c = m_text[m_pos];
        if (c == '"') {
            std::optional<std::string> s = string();
            if (!s) return std::nullopt;
            v.type = Json::Type::String;
            v.string = std::move(*s);
        } else if (c == '{') {
            ++m_pos;
            v.type = Json::Type::Object;
            if (eat('}')) return v;
            do {
                std::optional<std::string> key = string();
                if (!key || !eat(':')) return std::nullopt;
                std::optional<Json> member = value();
                if (!member) return std::nullopt;
                v.members[*key] = std::move(*member);
            } while (eat(','));
            if (!eat('}')) return std::nullopt;
        } else if (word("true") || word("false")) {
            v.type = Json::Type::Bool;
            v.boolean = c == 't';
        } else if (word("null")) {
            v.type = Json::Type::Null;
        } else {
            const size_t start = m_pos;
            while (m_pos < m_text.size() &&
                   std::string_view("+-.eE0123456789").find(m_text[m_pos]) != std::string_view::npos)
                ++m_pos;
            if (m_pos == start) return std::nullopt;
            v.type = Json::Type::Number;
            v.number = std::stod(std::string(m_text.substr(start, m_pos - start)));
        }
        return v;
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

} // namespace json_detail

// One JSON text, or nothing when it is not valid JSON (as far as this
// reader checks: structure, escapes, no raw control characters).
inline std::optional<Json> ParseJson(std::string_view text) {
    return json_detail::Reader(text).document();
}

} // namespace kdx::test
