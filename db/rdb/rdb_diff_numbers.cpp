// Numbers read from cell texts, and the thresholds that are checked on them.

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "rdb_diff.h"
#include "rdb_escape.h"
#include "rdb_folder.h"
#include "rdb_table_sys.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

void skip_blanks(std::string_view text, std::size_t& pos)
{
    while (pos < text.size() && is_blank(text[pos]))
        ++pos;
}

std::string_view trimmed(std::string_view text)
{
    std::size_t begin = 0;
    skip_blanks(text, begin);
    std::size_t end = text.size();
    while (end > begin && is_blank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

// Reads "[+-]digits[,ddd...][.digits][e[+-]digits]" (or ".digits") from pos and moves pos past it.
std::optional<RDB_CELL_NUMBER> read_number(std::string_view text, std::size_t& pos)
{
    std::string plain; // without the group separators, for from_chars
    std::size_t at = pos;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        if (text[at] == '-') plain += '-';
        ++at;
    }
    std::size_t group = 0;
    for (; at < text.size() && is_digit(text[at]); ++at, ++group)
        plain += text[at];
    const bool has_integer = group > 0;
    // A ',' groups digits only when exactly three follow it and the groups before were whole.
    while (has_integer && group <= 3 && at + 3 < text.size() && text[at] == ',' && is_digit(text[at + 1]) &&
           is_digit(text[at + 2]) && is_digit(text[at + 3]) && (at + 4 >= text.size() || !is_digit(text[at + 4]))) {
        plain.append(text.substr(at + 1, 3));
        at += 4;
        group = 3;
    }
    RDB_CELL_NUMBER number;
    if (at + 1 < text.size() && text[at] == '.' && is_digit(text[at + 1])) {
        plain += '.';
        for (++at; at < text.size() && is_digit(text[at]); ++at, ++number.decimals)
            plain += text[at];
    } else if (!has_integer) {
        return std::nullopt;
    }
    if (at + 1 < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exponent = at + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
        if (exponent < text.size() && is_digit(text[exponent])) {
            plain.append(text.substr(at, exponent - at));
            for (at = exponent; at < text.size() && is_digit(text[at]); ++at)
                plain += text[at];
        }
    }
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), number.value);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(number.value)) return std::nullopt;
    pos = at;
    return number;
}

bool read_char(std::string_view text, std::size_t& pos, char c)
{
    skip_blanks(text, pos);
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    skip_blanks(text, pos);
    return true;
}

// After the used amount: "/ y" and an optional "( z % )"; the total, with pos past it.
std::optional<double> read_utilisation_total(std::string_view text, std::size_t& pos)
{
    std::size_t at = pos;
    if (!read_char(text, at, '/')) return std::nullopt;
    std::optional<RDB_CELL_NUMBER> total = read_number(text, at);
    if (!total) return std::nullopt;
    std::size_t percent = at;
    if (read_char(text, percent, '(') && read_number(text, percent) && read_char(text, percent, '%') &&
        read_char(text, percent, ')'))
        at = percent;
    pos = at;
    return total->value;
}

} // namespace

std::optional<RDB_CELL_NUMBER> rdb_read_cell_number(std::string_view text)
{
    std::size_t pos = 0;
    skip_blanks(text, pos);
    std::optional<RDB_CELL_NUMBER> number = read_number(text, pos);
    if (!number) return std::nullopt;
    number->total = read_utilisation_total(text, pos);
    for (; pos < text.size(); ++pos)
        if (is_digit(text[pos])) return std::nullopt;
    return number;
}

std::string rdb_format_number_change(double old_value, double new_value, int decimals)
{
    decimals = std::max(0, std::min(decimals, 12));
    const double change = new_value - old_value;
    std::string text = (change < 0 ? "-" : "+") + rdb_format_fixed(std::fabs(change), decimals);
    if (old_value != 0) {
        const double percent = change / std::fabs(old_value) * 100.0;
        text += " (" + std::string(percent < 0 ? "-" : "+") + rdb_format_fixed(std::fabs(percent), 1) + "%)";
    }
    return text;
}

// ---- Thresholds

namespace {

// The ':'-separated fields of a threshold's address, each plain (trimmed) or in double quotes.
bool split_fields(std::string_view text, std::vector<std::string>& fields, std::string* error)
{
    std::size_t pos = 0;
    while (true) {
        skip_blanks(text, pos);
        std::string field;
        if (pos < text.size() && text[pos] == '"') {
            bool closed = false;
            for (++pos; pos < text.size() && !closed; ++pos) {
                if (text[pos] == '\\' && pos + 1 < text.size() && (text[pos + 1] == '"' || text[pos + 1] == '\\'))
                    field += text[++pos];
                else if (text[pos] == '"')
                    closed = true;
                else
                    field += text[pos];
            }
            skip_blanks(text, pos);
            if (!closed || (pos < text.size() && text[pos] != ':')) {
                *error = "a quoted name must be closed and followed by ':' or the operator";
                return false;
            }
        } else {
            const std::size_t colon = std::min(text.find(':', pos), text.size());
            field = trimmed(text.substr(pos, colon - pos));
            pos = colon;
        }
        fields.push_back(std::move(field));
        if (pos >= text.size()) return true;
        ++pos; // the ':'
    }
}

bool parse_bound(std::string_view text, RDB_DIFF_THRESHOLD& threshold, std::string* error)
{
    text = trimmed(text);
    const bool is_change = !text.empty() && (text[0] == '+' || text[0] == '-');
    const bool is_relative = !text.empty() && text.back() == '%';
    if (is_relative) text = trimmed(text.substr(0, text.size() - 1));
    std::size_t pos = 0;
    const std::optional<RDB_CELL_NUMBER> number = read_number(text, pos);
    if (!number || pos != text.size()) {
        *error = "the limit after the operator must be a number such as 0, +50 or +2%";
        return false;
    }
    if (is_relative && !is_change) {
        *error = "a limit in % is a change and needs its sign, as in +2% or -5%";
        return false;
    }
    threshold.bound = number->value;
    threshold.limit = is_relative ? RDB_DIFF_THRESHOLD::LIMIT::RELATIVE_CHANGE
                      : is_change ? RDB_DIFF_THRESHOLD::LIMIT::CHANGE
                                  : RDB_DIFF_THRESHOLD::LIMIT::VALUE;
    return true;
}

} // namespace

std::optional<RDB_DIFF_THRESHOLD> rdb_parse_diff_threshold(std::string_view text, std::string* error)
{
    std::string ignored;
    if (error == nullptr) error = &ignored;
    RDB_DIFF_THRESHOLD threshold;
    threshold.text = text;
    // The limit never holds '<' or '>', so the last of them is the operator, whatever the names hold.
    const std::size_t op = text.find_last_of("<>");
    if (op == std::string_view::npos) {
        *error = "no operator: write PATH:ROW[:COLUMN] followed by <, <=, > or >= and a limit";
        return std::nullopt;
    }
    const bool or_equal = op + 1 < text.size() && text[op + 1] == '=';
    threshold.op =
        text[op] == '<'
            ? (or_equal ? RDB_DIFF_THRESHOLD::OPERATOR::LESS_OR_EQUAL : RDB_DIFF_THRESHOLD::OPERATOR::LESS)
            : (or_equal ? RDB_DIFF_THRESHOLD::OPERATOR::GREATER_OR_EQUAL : RDB_DIFF_THRESHOLD::OPERATOR::GREATER);
    if (!parse_bound(text.substr(op + (or_equal ? 2 : 1)), threshold, error)) return std::nullopt;
    std::vector<std::string> fields;
    if (!split_fields(text.substr(0, op), fields, error)) return std::nullopt;
    if (fields.size() < 2 || fields.size() > 3) {
        *error = "the cell must be written PATH:ROW or PATH:ROW:COLUMN (names holding ':' go in double quotes)";
        return std::nullopt;
    }
    for (const std::string& field : fields) {
        if (field.empty()) {
            *error = "the object path, the row and the column must not be empty";
            return std::nullopt;
        }
    }
    threshold.path = fields[0];
    threshold.row = fields[1];
    if (fields.size() == 3) threshold.column = fields[2];
    return threshold;
}

namespace {

// The object whose names joined by "||" are path (links are not followed), or null.
const RDB_OBJECT* find_by_joined_path(const RDB_FOLDER_OBJECT& folder, const std::string& prefix,
                                      const std::string& path)
{
    for (const RDB_OBJECT* child : folder) {
        if (child == nullptr) continue;
        const std::string child_path = prefix.empty() ? child->get_name() : prefix + "||" + child->get_name();
        if (child_path == path) return child;
        const RDB_FOLDER_OBJECT* sub = child->dynamic_cast_to_RDB_FOLDER_OBJECT();
        if (sub != nullptr && child->dynamic_cast_to_RDB_LINK_RPT_OBJECT() == nullptr &&
            path.compare(0, child_path.size() + 2, child_path + "||") == 0) {
            if (const RDB_OBJECT* found = find_by_joined_path(*sub, child_path, path)) return found;
        }
    }
    return nullptr;
}

// The text of the threshold's cell in one report, or nothing with the reason.
std::optional<std::string> threshold_cell(const RDB_FOLDER_OBJECT& main, const RDB_DIFF_THRESHOLD& threshold,
                                          std::string& reason)
{
    const RDB_OBJECT* object = find_by_joined_path(main, "", threshold.path);
    const RDB_TABLE_OBJECT* table = object != nullptr ? object->dynamic_cast_to_RDB_TABLE_OBJECT() : nullptr;
    if (table == nullptr) {
        reason = object == nullptr ? "no such object" : "the object is not a table";
        return std::nullopt;
    }
    // A summary table has no header row: its rows are all names and values.
    const bool headerless = table->dynamic_cast_to_RDB_SUMMARY_TABLE_OBJECT() != nullptr;
    if (headerless && threshold.column) {
        reason = "the table is a summary, whose value is in its second column: name no column";
        return std::nullopt;
    }
    std::size_t column = threshold.column ? std::string::npos : 1;
    bool header = !headerless;
    std::optional<std::string> found;
    table->for_each_data_row([&](const std::vector<std::string>& texts) {
        if (header) {
            header = false;
            for (std::size_t c = 0; threshold.column && c < texts.size() && column == std::string::npos; ++c)
                if (texts[c] == *threshold.column) column = c;
        } else if (!found && column < texts.size() && texts[0] == threshold.row) {
            found = texts[column];
        }
    });
    if (column == std::string::npos)
        reason = "no such column";
    else if (!found)
        reason = "no such row";
    return found;
}

bool holds(double quantity, const RDB_DIFF_THRESHOLD& threshold)
{
    switch (threshold.op) {
    case RDB_DIFF_THRESHOLD::OPERATOR::LESS:
        return quantity < threshold.bound;
    case RDB_DIFF_THRESHOLD::OPERATOR::LESS_OR_EQUAL:
        return quantity <= threshold.bound;
    case RDB_DIFF_THRESHOLD::OPERATOR::GREATER:
        return quantity > threshold.bound;
    case RDB_DIFF_THRESHOLD::OPERATOR::GREATER_OR_EQUAL:
        return quantity >= threshold.bound;
    }
    return false;
}

// The number in the threshold's cell of one report ("old" or "new"); its text goes to text. Without
// one, outcome says why and the answer is empty.
std::optional<double> threshold_number(const RDB_FOLDER_OBJECT& main, const RDB_DIFF_THRESHOLD& threshold,
                                       const char* side, std::string& text, RDB_THRESHOLD_OUTCOME& outcome)
{
    std::string reason;
    const std::optional<std::string> cell = threshold_cell(main, threshold, reason);
    if (!cell) {
        outcome.reason = reason + " in the " + side + " report";
        return std::nullopt;
    }
    text = *cell;
    const std::optional<RDB_CELL_NUMBER> number = rdb_read_cell_number(*cell);
    if (!number) {
        outcome.reason = std::string("the ") + side + " cell holds no number";
        return std::nullopt;
    }
    return number->value;
}

RDB_THRESHOLD_OUTCOME check_threshold(const RDB_FOLDER_OBJECT& old_main, const RDB_FOLDER_OBJECT& new_main,
                                      const RDB_DIFF_THRESHOLD& threshold)
{
    RDB_THRESHOLD_OUTCOME outcome;
    outcome.threshold = threshold.text;
    const std::optional<double> new_value = threshold_number(new_main, threshold, "new", outcome.new_text, outcome);
    if (!new_value) return outcome;
    double quantity = *new_value;
    if (threshold.limit != RDB_DIFF_THRESHOLD::LIMIT::VALUE) {
        const std::optional<double> old_value = threshold_number(old_main, threshold, "old", outcome.old_text, outcome);
        if (!old_value) return outcome;
        quantity -= *old_value;
        if (threshold.limit == RDB_DIFF_THRESHOLD::LIMIT::RELATIVE_CHANGE) {
            if (*old_value == 0) {
                outcome.reason = "the old value is 0, so a change in % has no meaning";
                return outcome;
            }
            quantity = quantity / std::fabs(*old_value) * 100.0;
        }
    }
    outcome.state =
        holds(quantity, threshold) ? RDB_THRESHOLD_OUTCOME::STATE::CROSSED : RDB_THRESHOLD_OUTCOME::STATE::PASSED;
    return outcome;
}

} // namespace

std::vector<RDB_THRESHOLD_OUTCOME> rdb_check_diff_thresholds(const RDB_FOLDER_OBJECT& old_main,
                                                             const RDB_FOLDER_OBJECT& new_main,
                                                             const std::vector<RDB_DIFF_THRESHOLD>& thresholds)
{
    std::vector<RDB_THRESHOLD_OUTCOME> outcomes;
    for (const RDB_DIFF_THRESHOLD& threshold : thresholds)
        outcomes.push_back(check_threshold(old_main, new_main, threshold));
    return outcomes;
}
