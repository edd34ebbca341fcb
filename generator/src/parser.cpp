#include "parser.h"

#include "lines.h"
#include "name_table.h"
#include "naming.h"
#include "quote.h"
#include "typing.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

namespace keltrop {
namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && is_blank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

std::string line_ref(std::size_t line) {
    return " at line " + std::to_string(line);
}

class Parser {
public:
    Parser(HeaderBuilder& writer, ParseCounts& counts, Diagnostics& diagnostics,
           std::size_t expected_names)
        : writer_(writer), counts_(counts), diags_(diagnostics), table_(expected_names),
          declared_(1, false) {}

    void line(std::string_view text, std::size_t n);

private:
    void section(std::string_view inner, std::size_t n);
    void key_value(std::string_view key, std::string_view value, std::size_t n);
    bool identifier(std::string_view name, std::string_view& id);
    void clash(std::size_t n, const char* what, std::string_view name, const StoredName& other);

    HeaderBuilder& writer_;
    ParseCounts& counts_;
    Diagnostics& diags_;
    NameTable table_;
    std::deque<std::string> identifiers_; // those that differ from the name in the file
    std::vector<bool> declared_;          // per namespace: named by a [section] line
    std::uint32_t current_ = 0;
    bool current_valid_ = true; // false after a broken section line: its keys are not checked
};

bool Parser::identifier(std::string_view name, std::string_view& id) {
    if (is_plain_identifier(name)) {
        id = name;
        return true;
    }
    std::string mapped;
    if (!name_to_identifier(name, mapped)) {
        return false;
    }
    identifiers_.push_back(std::move(mapped));
    id = identifiers_.back();
    return true;
}

void Parser::clash(std::size_t n, const char* what, std::string_view name,
                   const StoredName& other) {
    diags_.add(n, std::string(what) + " " + quote(name) + " and " +
                      (other.is_namespace() ? "section " : "key ") + quote(other.name()) +
                      line_ref(other.line()) + " both map to the identifier " +
                      quote(other.identifier()));
}

void Parser::line(std::string_view text, std::size_t n) {
    std::string_view s = trim(text);
    if (s.empty() || s[0] == ';' || s[0] == '#') {
        return;
    }
    if (s[0] == '[') {
        const std::size_t close = s.find(']');
        current_valid_ = false;
        if (close == std::string_view::npos) {
            diags_.add(n, "missing \"]\" at the end of the section name");
        } else if (close + 1 != s.size()) {
            diags_.add(n, "unexpected text after \"]\"");
        } else {
            section(s.substr(1, close - 1), n);
        }
        return;
    }
    const std::size_t eq = s.find('=');
    if (eq == std::string_view::npos) {
        diags_.add(n, "expected \"key = value\", \"[section]\" or a comment");
        return;
    }
    const std::string_view key = trim(s.substr(0, eq));
    if (key.empty()) {
        diags_.add(n, "expected a key name before \"=\"");
        return;
    }
    key_value(key, trim(s.substr(eq + 1)), n);
}

void Parser::section(std::string_view inner, std::size_t n) {
    const std::string_view name = trim(inner);
    if (name.empty()) {
        diags_.add(n, "empty section name");
        return;
    }
    std::uint32_t ns = 0;
    std::size_t depth = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = name.find('.', start);
        const std::string_view part =
            trim(name.substr(start, dot == std::string_view::npos ? name.npos : dot - start));
        if (part.empty()) {
            diags_.add(n, "empty part in section name " + quote(name));
            return;
        }
        if (++depth > max_section_depth) {
            diags_.add(n, "section name nested more than " + std::to_string(max_section_depth) +
                              " levels deep");
            return;
        }
        std::string_view id;
        if (!identifier(part, id)) {
            diags_.add(n, "section name " + quote(part) +
                              " has non-ASCII bytes; use ASCII letters, digits and \"_\"");
            return;
        }
        const std::uint32_t index = static_cast<std::uint32_t>(declared_.size());
        const StoredName* other =
            table_.find_or_add(NameEntry{ns, index, id, part, static_cast<std::uint32_t>(n), true});
        if (other != nullptr) {
            if (!other->is_namespace() || other->name() != part) {
                clash(n, "section", part, *other);
                return;
            }
            ns = other->index();
        } else {
            ns = writer_.add_namespace(ns, id);
            declared_.push_back(false);
        }
        if (dot == std::string_view::npos) {
            break;
        }
        start = dot + 1;
    }
    if (!declared_[ns]) {
        declared_[ns] = true;
        ++counts_.sections;
    }
    current_ = ns;
    current_valid_ = true;
}

void Parser::key_value(std::string_view key, std::string_view text, std::size_t n) {
    std::string_view id;
    if (!identifier(key, id)) {
        diags_.add(n, "key name " + quote(key) +
                          " has non-ASCII bytes; use ASCII letters, digits and \"_\"");
        return;
    }
    Value value;
    std::string error;
    if (!type_value(text, value, error)) {
        diags_.add(n, error);
        return;
    }
    if (!current_valid_) {
        return;
    }
    const StoredName* other =
        table_.find_or_add(NameEntry{current_, 0, id, key, static_cast<std::uint32_t>(n), false});
    if (other != nullptr) {
        if (!other->is_namespace() && other->name() == key) {
            diags_.add(n, "duplicate key " + quote(key) + " (first given" +
                              line_ref(other->line()) + ")");
        } else {
            clash(n, "key", key, *other);
        }
        return;
    }
    writer_.add_constant(current_, id, value);
    ++counts_.constants;
    counts_.has_64_bit = counts_.has_64_bit || is_64_bit(value.kind);
}

} // namespace

void parse(std::string_view text, HeaderBuilder& writer, ParseCounts& counts,
           Diagnostics& diagnostics) {
    if (text.size() >= 2 &&
        ((text[0] == '\xFF' && text[1] == '\xFE') || (text[0] == '\xFE' && text[1] == '\xFF'))) {
        diagnostics.add(0, "the file is UTF-16 text; save it as UTF-8 or in the system code page");
        return;
    }
    // Room for as many names as a file of typical lines (16 bytes or more) holds, without a pass
    // over the text to count them; a file of shorter lines makes the tables grow.
    const std::size_t line_count = std::min<std::size_t>(text.size() / 16 + 64, 1 << 22);
    Parser parser(writer, counts, diagnostics, line_count);
    LineReader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        if (lines.had_nul()) {
            diagnostics.add(lines.number(), "NUL byte in the line; is this a text file?");
            continue;
        }
        parser.line(line, lines.number());
    }
}

} // namespace keltrop
