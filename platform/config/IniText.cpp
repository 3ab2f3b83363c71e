#include "platform/config/IniText.h"

#include "platform/config/SameName.h"

namespace win::ini {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// One line of the text: where it starts, its content without the line end, and where the
// next one starts.
struct Line {
    std::size_t begin;
    std::string_view content;
    std::size_t next;
    bool hasEnd;
};

std::vector<Line> Lines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t begin = 0;
    while (begin < text.size()) {
        std::size_t end = text.find('\n', begin);
        const bool hasEnd = end != std::string_view::npos;
        if (!hasEnd)
            end = text.size();
        std::string_view content = text.substr(begin, end - begin);
        if (!content.empty() && content.back() == '\r')
            content.remove_suffix(1);
        lines.push_back({begin, content, hasEnd ? end + 1 : end, hasEnd});
        begin = hasEnd ? end + 1 : end;
    }
    return lines;
}

// The section a line starts, if it is a header.
std::optional<std::string_view> Header(std::string_view content) {
    content = Trim(content);
    if (content.empty() || content.front() != '[')
        return std::nullopt;
    content.remove_prefix(1);
    const std::size_t close = content.find(']');
    return Trim(close == std::string_view::npos ? content : content.substr(0, close));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> Key(std::string_view content) {
    const std::size_t equals = content.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    std::string_view value = Trim(content.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return KeyLine{Trim(content.substr(0, equals)), value};
}

// The lines of the first section named `section`: [first, last) after its header, and the
// header's index; header == lines.size() when there is no such section.
struct SectionSpan {
    std::size_t header;
    std::size_t first;
    std::size_t last;
};

SectionSpan FindSection(const std::vector<Line>& lines, std::string_view section) {
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        auto name = Header(lines[i].content);
        if (name && SameName(*name, section))
            break;
    }
    if (i == lines.size())
        return {i, i, i};
    std::size_t end = i + 1;
    while (end < lines.size() && !Header(lines[end].content))
        ++end;
    return {i, i + 1, end};
}

} // namespace

std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
    const auto lines = Lines(text);
    const SectionSpan span = FindSection(lines, section);
    for (std::size_t i = span.first; i < span.last; ++i) {
        auto found = Key(lines[i].content);
        if (found && SameName(found->key, key))
            return std::string(found->value);
    }
    return std::nullopt;
}

std::vector<std::string> SectionNames(std::string_view text) {
    std::vector<std::string> names;
    for (const Line& line : Lines(text))
        if (auto name = Header(line.content))
            names.emplace_back(*name);
    return names;
}

std::vector<std::string> KeyNames(std::string_view text, std::string_view section) {
    const auto lines = Lines(text);
    const SectionSpan span = FindSection(lines, section);
    std::vector<std::string> names;
    for (std::size_t i = span.first; i < span.last; ++i)
        if (auto found = Key(lines[i].content))
            names.emplace_back(found->key);
    return names;
}

std::string Edit(std::string_view text, std::string_view section, const char* key,
                 const char* value) {
    const auto lines = Lines(text);
    std::string eol = "\n";
    if (!lines.empty() && lines[0].hasEnd && lines[0].next >= 2 && text[lines[0].next - 2] == '\r')
        eol = "\r\n";
    // What ends a last line that has no line end yet: a CR already there counts as half of
    // one (the reader took it for one), so only its LF is added.
    auto endOfLast = [&](const Line& line) {
        const bool hasCr = line.next - line.begin > line.content.size();
        return hasCr ? std::string("\n") : eol;
    };
    const SectionSpan span = FindSection(lines, section);
    std::string out(text);

    if (span.header == lines.size()) { // no such section
        if (key == nullptr || value == nullptr)
            return out;
        if (!out.empty()) {
            if (!lines.back().hasEnd)
                out += endOfLast(lines.back());
            if (!Trim(lines.back().content).empty())
                out += eol;
        }
        out += "[" + std::string(section) + "]" + eol + key + "=" + value + eol;
        return out;
    }
    if (key == nullptr) { // the whole section, up to the next header
        const std::size_t begin = lines[span.header].begin;
        const std::size_t end = span.last < lines.size() ? lines[span.last].begin : text.size();
        return out.erase(begin, end - begin);
    }
    for (std::size_t i = span.first; i < span.last; ++i) {
        auto found = Key(lines[i].content);
        if (!found || !SameName(found->key, key))
            continue;
        if (value == nullptr)
            return out.erase(lines[i].begin, lines[i].next - lines[i].begin);
        // The key keeps its spelling; only the line's content changes, not its end.
        const std::string replaced = std::string(found->key) + "=" + value;
        return out.replace(lines[i].begin, lines[i].content.size(), replaced);
    }
    if (value == nullptr)
        return out;
    // After the section's last line that is not blank (the header at least).
    std::size_t after = span.header;
    for (std::size_t i = span.first; i < span.last; ++i)
        if (!Trim(lines[i].content).empty())
            after = i;
    std::string added = std::string(key) + "=" + value + eol;
    if (!lines[after].hasEnd)
        added = endOfLast(lines[after]) + added;
    return out.insert(lines[after].next, added);
}

} // namespace win::ini
