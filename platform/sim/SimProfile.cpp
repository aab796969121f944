#include "platform/sim/SimProfile.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace sim {
namespace {

using std::size_t;
using std::string_view;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

string_view trimRight(string_view s) {
    size_t end = s.size();
    while (end > 0 && isBlank(s[end - 1])) --end;
    return s.substr(0, end);
}

string_view trim(string_view s) {
    size_t begin = 0;
    while (begin < s.size() && isBlank(s[begin])) ++begin;
    return trimRight(s.substr(begin));
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// kernel32 folds only the ASCII letters here; bytes above 0x7F must match exactly.
bool sameName(string_view a, string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

std::string normalisePath(const std::string& path) {
    std::string out(path);
    for (char& c : out) c = (c == '/') ? '\\' : asciiLower(c);
    return out;
}

// A C caller only ever sees a value up to its first NUL, so that is where it ends.
string_view upToNul(string_view s) { return s.substr(0, s.find('\0')); }

string_view stripQuotes(string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// One physical line: [begin, end) is its text, next is where the following line starts.
struct Line {
    size_t begin = 0;
    size_t end = 0;
    size_t next = 0;
    bool hasBreak() const { return next > end; }
};

// Walks the lines of a file. LF, CRLF and a lone CR all end a line. The next CR and LF
// are remembered separately, so a file that only uses one kind of break is still read
// in one pass instead of being searched to its end for the other kind on every line.
class LineScanner {
public:
    explicit LineScanner(const std::string& text)
        : m_text(text), m_nextLf(find('\n')), m_nextCr(find('\r')) {}

    bool next(Line& line, string_view& raw) {
        if (m_pos >= m_text.size()) return false;
        if (m_nextLf < m_pos) m_nextLf = find('\n');
        if (m_nextCr < m_pos) m_nextCr = find('\r');
        const size_t end = m_nextLf < m_nextCr ? m_nextLf : m_nextCr;
        size_t next = end;
        if (end < m_text.size()) next = (m_text[end] == '\r' && end + 1 == m_nextLf) ? end + 2 : end + 1;
        line = {m_pos, end, next};
        raw = string_view(m_text).substr(m_pos, end - m_pos);
        m_pos = next;
        return true;
    }

private:
    size_t find(char c) const {
        const void* hit = std::memchr(m_text.data() + m_pos, c, m_text.size() - m_pos);
        return hit == nullptr ? m_text.size() : static_cast<size_t>(static_cast<const char*>(hit) - m_text.data());
    }

    const std::string& m_text;
    size_t m_pos = 0;
    size_t m_nextLf;
    size_t m_nextCr;
};

enum class Kind { Blank, Comment, Section, Key };

struct Entry {
    Kind kind = Kind::Blank;
    string_view name;
    string_view value;
    bool hasValue = false;  // a key line without '=' names a key that has no value
};

Entry classify(string_view raw) {
    const string_view line = trim(raw);
    if (line.empty()) return {};
    if (line.front() == ';') return {Kind::Comment, line, {}, false};
    if (line.front() == '[') {
        // "[a]b]" is the section "a]b"; a '[' line without any ']' is read as a key line.
        const size_t close = line.rfind(']');
        if (close != string_view::npos) return {Kind::Section, trim(line.substr(1, close - 1)), {}, false};
    }
    const size_t eq = line.find('=');
    if (eq == string_view::npos) return {Kind::Key, line, {}, false};
    return {Kind::Key, trim(line.substr(0, eq)), trim(line.substr(eq + 1)), true};
}

// Most lines of a big file lie outside the section asked for; for those only a section
// header matters, and a line that does not start with '[' cannot be one.
bool mayBeHeader(string_view raw) {
    size_t i = 0;
    while (i < raw.size() && isBlank(raw[i])) ++i;
    return i < raw.size() && raw[i] == '[';
}

// Calls visit(line, entry) for every line, classifying only the lines the visitor needs:
// all of them while wantAll() holds, otherwise only possible section headers.
template <typename WantAll, typename Visit>
void forEachLine(const std::string& text, WantAll wantAll, Visit visit) {
    LineScanner scanner(text);
    Line line;
    string_view raw;
    while (scanner.next(line, raw)) {
        if (!wantAll() && !mayBeHeader(raw)) continue;
        if (!visit(line, classify(raw))) return;
    }
}

// Where a key lives, or where it would go. Only the first section of a name is ever
// looked at: a later duplicate is invisible to reads and writes alike.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Line keyLine;
    Entry keyEntry;
    Line lastLine;  // the section's last non-blank line (its header when it has no keys)
};

Location locate(const std::string& text, string_view section, string_view key) {
    Location loc;
    bool inside = false;
    forEachLine(text, [&] { return inside; }, [&](const Line& line, const Entry& entry) {
        if (entry.kind == Kind::Section) {
            if (inside) return false;
            if (sameName(entry.name, section)) {
                inside = true;
                loc.sectionFound = true;
                loc.lastLine = line;
            }
            return true;
        }
        if (!inside || entry.kind == Kind::Blank) return true;
        loc.lastLine = line;
        if (entry.kind == Kind::Key && sameName(entry.name, key)) {
            loc.keyFound = true;
            loc.keyLine = line;
            loc.keyEntry = entry;
            return false;
        }
        return true;
    });
    return loc;
}

// Names, each NUL-terminated, in file order.
std::string sectionNames(const std::string& text) {
    std::string list;
    forEachLine(text, [] { return false; }, [&](const Line&, const Entry& entry) {
        const string_view name = upToNul(entry.name);
        if (entry.kind == Kind::Section && !name.empty()) list.append(name).push_back('\0');
        return true;
    });
    return list;
}

std::string keyNames(const std::string& text, string_view section) {
    std::string list;
    bool inside = false;
    forEachLine(text, [&] { return inside; }, [&](const Line&, const Entry& entry) {
        if (entry.kind == Kind::Section) {
            if (inside) return false;
            inside = sameName(entry.name, section);
            return true;
        }
        const string_view name = upToNul(entry.name);
        if (inside && entry.kind == Kind::Key && entry.hasValue && !name.empty()) list.append(name).push_back('\0');
        return true;
    });
    return list;
}

std::string withoutSection(const std::string& text, string_view section) {
    std::string out;
    out.reserve(text.size());
    size_t keptFrom = 0;
    bool dropping = false;
    forEachLine(text, [] { return false; }, [&](const Line& line, const Entry& entry) {
        if (entry.kind != Kind::Section) return true;
        const bool drop = sameName(entry.name, section);
        if (drop && !dropping) out.append(text, keptFrom, line.begin - keptFrom);
        if (!drop && dropping) keptFrom = line.begin;
        dropping = drop;
        return true;
    });
    if (!dropping) out.append(text, keptFrom, std::string::npos);
    return out;
}

std::uint32_t copyString(string_view value, char* buffer, std::uint32_t size) {
    value = upToNul(value);
    const size_t count = value.size() < size - 1u ? value.size() : size - 1u;
    if (count > 0) std::memcpy(buffer, value.data(), count);
    buffer[count] = '\0';
    return static_cast<std::uint32_t>(count);
}

// A list of NUL-terminated names closed by one more NUL. When it does not fit, the last
// name is cut so that the buffer still ends in two NULs, and size-2 is returned.
std::uint32_t copyList(const std::string& list, char* buffer, std::uint32_t size) {
    if (size == 1) {
        buffer[0] = '\0';
        return 0;
    }
    if (list.size() < size) {
        std::memcpy(buffer, list.data(), list.size());
        buffer[list.size()] = '\0';
        if (list.empty()) buffer[1] = '\0';
        return static_cast<std::uint32_t>(list.size());
    }
    std::memcpy(buffer, list.data(), size - 2u);
    buffer[size - 2u] = '\0';
    buffer[size - 1u] = '\0';
    return size - 2u;
}

// Decimal only, as GetPrivateProfileIntA reads it: blanks, a sign, then digits up to
// the first other character, in 32-bit unsigned arithmetic that wraps.
std::uint32_t parseProfileInt(string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t result = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        result = result * 10u + static_cast<std::uint32_t>(text[i] - '0');
    }
    return negative ? 0u - result : result;
}

}  // namespace

const std::string* SimProfile::find(const char* fileName) const {
    if (fileName == nullptr) return nullptr;
    const auto it = m_files.find(normalisePath(fileName));
    return it == m_files.end() ? nullptr : &it->second;
}

std::uint32_t SimProfile::getString(const char* section, const char* key, const char* defaultValue, char* buffer,
                                    std::uint32_t size, const char* fileName) {
    if (buffer == nullptr || size == 0) return 0;
    const std::string* text = find(fileName);
    if (section == nullptr) return copyList(text ? sectionNames(*text) : std::string(), buffer, size);
    const string_view sectionName = trim(section);
    if (key == nullptr) {
        const bool any = text != nullptr && !sectionName.empty();
        return copyList(any ? keyNames(*text, sectionName) : std::string(), buffer, size);
    }
    const string_view fallback = trimRight(defaultValue != nullptr ? defaultValue : "");
    const string_view keyName = trim(key);
    if (text == nullptr || sectionName.empty() || keyName.empty()) return copyString(fallback, buffer, size);
    const Location loc = locate(*text, sectionName, keyName);
    if (!loc.keyFound || !loc.keyEntry.hasValue) return copyString(fallback, buffer, size);
    return copyString(stripQuotes(loc.keyEntry.value), buffer, size);
}

std::uint32_t SimProfile::getInt(const char* section, const char* key, int defaultValue, const char* fileName) {
    const auto fallback = static_cast<std::uint32_t>(defaultValue);
    const std::string* text = find(fileName);
    if (text == nullptr || section == nullptr || key == nullptr) return fallback;
    const string_view sectionName = trim(section);
    const string_view keyName = trim(key);
    if (sectionName.empty() || keyName.empty()) return fallback;
    const Location loc = locate(*text, sectionName, keyName);
    if (!loc.keyFound || !loc.keyEntry.hasValue) return fallback;
    // kernel32 reads the value as a string first, so an empty one is as good as missing.
    const string_view value = upToNul(stripQuotes(loc.keyEntry.value));
    return value.empty() ? fallback : parseProfileInt(value);
}

bool SimProfile::writeString(const char* section, const char* key, const char* value, const char* fileName) {
    if (fileName == nullptr) return false;
    // All three null only asks kernel32 to flush its cache; there is no cache here.
    if (section == nullptr) return key == nullptr && value == nullptr;
    const string_view sectionName = trim(section);
    if (sectionName.empty()) return false;

    const std::string path = normalisePath(fileName);
    // A folder the user may not write to (Program Files for a standard user): the
    // write fails and the file stays as it was.
    for (const std::string& folder : m_protected) {
        if (path.compare(0, folder.size(), folder) == 0) return false;
    }
    auto it = m_files.find(path);
    if (key == nullptr) {
        if (it != m_files.end()) it->second = withoutSection(it->second, sectionName);
        return true;
    }
    const string_view keyName = trim(key);
    if (keyName.empty()) return false;
    if (value == nullptr) {
        if (it == m_files.end()) return true;
        std::string& text = it->second;
        const Location loc = locate(text, sectionName, keyName);
        if (loc.keyFound) text.erase(loc.keyLine.begin, loc.keyLine.next - loc.keyLine.begin);
        return true;
    }

    if (it == m_files.end()) it = m_files.emplace(path, std::string()).first;
    std::string& text = it->second;
    const Location loc = locate(text, sectionName, keyName);
    if (loc.keyFound) {
        // The key keeps the spelling it has in the file; only its line is rewritten.
        std::string line(loc.keyEntry.name);
        line.append("=").append(value);
        text.replace(loc.keyLine.begin, loc.keyLine.end - loc.keyLine.begin, line);
    } else if (loc.sectionFound) {
        std::string line(loc.lastLine.hasBreak() ? "" : "\r\n");
        line.append(keyName).append("=").append(value).append("\r\n");
        text.insert(loc.lastLine.next, line);
    } else {
        if (!text.empty() && text.back() != '\n' && text.back() != '\r') text.append("\r\n");
        text.append("[").append(sectionName).append("]\r\n");
        text.append(keyName).append("=").append(value).append("\r\n");
    }
    return true;
}

void SimProfile::setFile(const std::string& path, const std::string& bytes) { m_files[normalisePath(path)] = bytes; }

bool SimProfile::hasFile(const std::string& path) const { return m_files.count(normalisePath(path)) != 0; }

std::string SimProfile::file(const std::string& path) const {
    const auto it = m_files.find(normalisePath(path));
    return it == m_files.end() ? std::string() : it->second;
}

void SimProfile::removeFile(const std::string& path) { m_files.erase(normalisePath(path)); }

void SimProfile::protectFolder(const std::string& folder) {
    std::string path = normalisePath(folder);
    if (path.empty() || path.back() != '\\') path += '\\';
    m_protected.push_back(path);
}

}  // namespace sim
