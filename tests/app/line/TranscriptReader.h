#pragma once

// Reads a session transcript back as a spreadsheet would, and checks its form on the way:
// the "#" lines before the heading, the heading, then rows of four fields and "#" notes.

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace tavrin::testing {

struct TranscriptRow {
    double ms = 0;
    std::string timeText;
    std::string direction;
    std::string hex;
    std::string text;
};

struct ParsedTranscript {
    std::vector<std::string> preamble; // the "#" lines before the heading
    bool heading = false;
    std::vector<TranscriptRow> rows;
    std::vector<std::string> notes;  // the "#" lines after the heading, "# " taken off
    std::vector<std::string> faults; // lines of no known form
    bool endsWithNewline = false;
    std::string partialLast; // a last line without its newline (a write cut short)

    // The received bytes, joined.
    std::string ReceivedHex() const {
        std::string hex;
        for (const TranscriptRow& row : rows)
            if (row.direction == "RX")
                hex += (hex.empty() ? "" : " ") + row.hex;
        return hex;
    }
    std::vector<std::string> SentHex() const {
        std::vector<std::string> bytes;
        for (const TranscriptRow& row : rows)
            if (row.direction == "TX")
                bytes.push_back(row.hex);
        return bytes;
    }
    bool HasNote(const std::string& text) const {
        for (const std::string& note : notes)
            if (note.find(text) != std::string::npos)
                return true;
        return false;
    }
};

// "4F 4B 0D": uppercase pairs, one space between. Checked by hand: a regular expression
// recurses once per pair and a flood's chunk has thousands.
inline bool IsHexList(const std::string& text) {
    if (text.size() % 3 != 2)
        return false;
    const auto digit = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    for (std::size_t i = 0; i < text.size(); ++i)
        if (i % 3 == 2 ? text[i] != ' ' : !digit(text[i]))
            return false;
    return true;
}

inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type from = 0;
    for (;;) {
        const auto tab = line.find('\t', from);
        fields.push_back(line.substr(from, tab == std::string::npos ? tab : tab - from));
        if (tab == std::string::npos)
            return fields;
        from = tab + 1;
    }
}

// `content` is the whole file. A last line without a newline is kept apart, not judged.
inline ParsedTranscript ParseTranscript(const std::string& content) {
    static const std::regex Time(R"(\d+\.\d{3})");
    static const std::regex Note(R"(\d+\.\d{3} .+)");
    ParsedTranscript parsed;
    parsed.endsWithNewline = !content.empty() && content.back() == '\n';
    std::string::size_type from = 0;
    while (from < content.size()) {
        const auto end = content.find('\n', from);
        if (end == std::string::npos) {
            parsed.partialLast = content.substr(from);
            break;
        }
        const std::string line = content.substr(from, end - from);
        from = end + 1;
        if (!parsed.heading) {
            if (line == "tempo_ms\tsentido\thex\ttexto")
                parsed.heading = true;
            else if (line.rfind("# ", 0) == 0)
                parsed.preamble.push_back(line.substr(2));
            else
                parsed.faults.push_back(line);
            continue;
        }
        if (line.rfind("# ", 0) == 0) {
            const std::string note = line.substr(2);
            if (!std::regex_match(note, Note))
                parsed.faults.push_back(line);
            parsed.notes.push_back(note);
            continue;
        }
        const std::vector<std::string> fields = SplitTabs(line);
        if (fields.size() != 4 || !std::regex_match(fields[0], Time) ||
            (fields[1] != "TX" && fields[1] != "RX") || !IsHexList(fields[2])) {
            parsed.faults.push_back(line);
            continue;
        }
        parsed.rows.push_back(
            {std::strtod(fields[0].c_str(), nullptr), fields[0], fields[1], fields[2], fields[3]});
    }
    return parsed;
}

// The checks every transcript passes: a preamble, the heading, nothing malformed, times
// that never go back.
inline void ExpectWellFormed(const ParsedTranscript& parsed) {
    EXPECT_TRUE(parsed.heading);
    ASSERT_FALSE(parsed.preamble.empty());
    EXPECT_EQ(parsed.preamble.front().rfind("Tavrin ", 0), 0u) << parsed.preamble.front();
    EXPECT_TRUE(parsed.faults.empty()) << "first malformed line: " << parsed.faults.front();
    for (std::size_t i = 1; i < parsed.rows.size(); ++i)
        EXPECT_GE(parsed.rows[i].ms, parsed.rows[i - 1].ms) << "row " << i;
}

} // namespace tavrin::testing
