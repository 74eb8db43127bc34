// The text and JSON forms of a report comparison.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "rdb_diff.h"
#include "rdb_escape.h"

namespace {

using KIND = RDB_DIFF_CHANGE::KIND;

void append_quoted(std::string& out, std::string_view text)
{
    out += '\'';
    rdb_append_printable(out, text);
    out += '\'';
}

void append_path(std::string& out, const std::vector<std::string>& path)
{
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (i > 0) out += "||";
        rdb_append_printable(out, path[i]);
    }
}

// "row 'LUTs'", or "row 3" for a table compared by position.
void append_row(std::string& out, const RDB_OBJECT_DIFF& object, const RDB_DIFF_CHANGE& change)
{
    if (object.rows_by_position) {
        out += "row " + std::to_string(change.row_number);
        if (!change.row.empty()) {
            out += " ";
            append_quoted(out, change.row);
        }
    } else {
        out += "row ";
        append_quoted(out, change.row);
    }
}

void append_change_line(std::string& out, const RDB_OBJECT_DIFF& object, const RDB_DIFF_CHANGE& change)
{
    // An added or removed object is said on its object's own line.
    if (change.kind == KIND::OBJECT_ADDED || change.kind == KIND::OBJECT_REMOVED) return;
    out += "  ";
    switch (change.kind) {
    case KIND::OBJECT_ADDED:
    case KIND::OBJECT_REMOVED:
        break;
    case KIND::KIND_CHANGED:
    case KIND::TEXT_CHANGED:
        out += change.kind == KIND::KIND_CHANGED ? "kind changed: " : "text changed: ";
        append_quoted(out, change.old_text);
        out += " -> ";
        append_quoted(out, change.new_text);
        break;
    case KIND::COLUMN_ADDED:
    case KIND::COLUMN_REMOVED:
        out += change.kind == KIND::COLUMN_ADDED ? "column added: " : "column removed: ";
        append_quoted(out, change.column);
        break;
    case KIND::ROW_ADDED:
    case KIND::ROW_REMOVED:
        append_row(out, object, change);
        out += change.kind == KIND::ROW_ADDED ? " added:" : " removed:";
        for (std::size_t c = 0; c < change.cells.size(); ++c) {
            out += c == 0 ? " " : " | ";
            append_quoted(out, change.cells[c]);
        }
        break;
    case KIND::CELL_CHANGED:
        append_row(out, object, change);
        out += ", column ";
        append_quoted(out, change.column);
        out += ": ";
        append_quoted(out, change.old_text);
        out += " -> ";
        append_quoted(out, change.new_text);
        if (!change.number_change.empty()) out += "  " + change.number_change;
        break;
    }
    out += '\n';
}

const char* state_name(RDB_THRESHOLD_OUTCOME::STATE state)
{
    switch (state) {
    case RDB_THRESHOLD_OUTCOME::STATE::PASSED:
        return "passed";
    case RDB_THRESHOLD_OUTCOME::STATE::CROSSED:
        return "crossed";
    case RDB_THRESHOLD_OUTCOME::STATE::NOT_EVALUATED:
        break;
    }
    return "not evaluated";
}

const char* change_name(KIND kind)
{
    switch (kind) {
    case KIND::OBJECT_ADDED:
        return "object_added";
    case KIND::OBJECT_REMOVED:
        return "object_removed";
    case KIND::KIND_CHANGED:
        return "kind_changed";
    case KIND::TEXT_CHANGED:
        return "text_changed";
    case KIND::COLUMN_ADDED:
        return "column_added";
    case KIND::COLUMN_REMOVED:
        return "column_removed";
    case KIND::ROW_ADDED:
        return "row_added";
    case KIND::ROW_REMOVED:
        return "row_removed";
    case KIND::CELL_CHANGED:
        break;
    }
    return "cell_changed";
}

std::size_t count_crossed(const std::vector<RDB_THRESHOLD_OUTCOME>& outcomes)
{
    std::size_t crossed = 0;
    for (const RDB_THRESHOLD_OUTCOME& outcome : outcomes)
        if (outcome.state == RDB_THRESHOLD_OUTCOME::STATE::CROSSED) ++crossed;
    return crossed;
}

void append_json_member(std::string& out, const char* name, std::string_view text)
{
    out += ',';
    rdb_append_json_string(out, name);
    out += ':';
    rdb_append_json_string(out, text);
}

void append_json_change(std::string& out, const RDB_DIFF_CHANGE& change)
{
    out += "{\"change\":";
    rdb_append_json_string(out, change_name(change.kind));
    switch (change.kind) {
    case KIND::OBJECT_ADDED:
    case KIND::OBJECT_REMOVED:
        break;
    case KIND::KIND_CHANGED:
    case KIND::TEXT_CHANGED:
        append_json_member(out, "old", change.old_text);
        append_json_member(out, "new", change.new_text);
        break;
    case KIND::COLUMN_ADDED:
    case KIND::COLUMN_REMOVED:
        append_json_member(out, "column", change.column);
        break;
    case KIND::ROW_ADDED:
    case KIND::ROW_REMOVED:
    case KIND::CELL_CHANGED:
        append_json_member(out, "row", change.row);
        out += ",\"row_number\":" + std::to_string(change.row_number);
        if (change.kind == KIND::CELL_CHANGED) {
            append_json_member(out, "column", change.column);
            append_json_member(out, "old", change.old_text);
            append_json_member(out, "new", change.new_text);
            if (!change.number_change.empty()) append_json_member(out, "number_change", change.number_change);
        } else {
            out += ",\"cells\":[";
            for (std::size_t c = 0; c < change.cells.size(); ++c) {
                if (c > 0) out += ',';
                rdb_append_json_string(out, change.cells[c]);
            }
            out += ']';
        }
        break;
    }
    out += '}';
}

} // namespace

std::string rdb_diff_to_text(const RDB_REPORT_DIFF& diff, const std::vector<RDB_THRESHOLD_OUTCOME>& outcomes)
{
    std::string out;
    std::size_t changes = 0;
    for (const RDB_OBJECT_DIFF& object : diff.objects) {
        const KIND first = object.changes.empty() ? KIND::CELL_CHANGED : object.changes.front().kind;
        out += first == KIND::OBJECT_ADDED ? "+ " : first == KIND::OBJECT_REMOVED ? "- " : "~ ";
        rdb_append_printable(out, object.kind);
        out += ' ';
        append_path(out, object.path);
        if (object.rows_by_position) out += "  (rows compared by position: the first column is no unique key)";
        out += '\n';
        for (const RDB_DIFF_CHANGE& change : object.changes)
            append_change_line(out, object, change);
        changes += object.changes.size();
    }
    if (diff.empty()) out += "no differences\n";
    for (const RDB_THRESHOLD_OUTCOME& outcome : outcomes) {
        out += "threshold ";
        out += state_name(outcome.state);
        out += ": ";
        rdb_append_printable(out, outcome.threshold);
        if (outcome.state == RDB_THRESHOLD_OUTCOME::STATE::NOT_EVALUATED) {
            out += " (" + outcome.reason + ")";
        } else {
            out += " (";
            if (!outcome.old_text.empty()) {
                append_quoted(out, outcome.old_text);
                out += " -> ";
            }
            append_quoted(out, outcome.new_text);
            out += ")";
        }
        out += '\n';
    }
    out += std::to_string(changes) + (changes == 1 ? " difference" : " differences");
    if (!outcomes.empty())
        out += ", " + std::to_string(count_crossed(outcomes)) + " of " + std::to_string(outcomes.size()) +
               " thresholds crossed";
    out += '\n';
    return out;
}

std::string rdb_diff_to_json(const RDB_REPORT_DIFF& diff, const std::vector<RDB_THRESHOLD_OUTCOME>& outcomes)
{
    std::string out = "{\"identical\":";
    out += diff.empty() ? "true" : "false";
    out += ",\"objects\":[";
    for (std::size_t o = 0; o < diff.objects.size(); ++o) {
        const RDB_OBJECT_DIFF& object = diff.objects[o];
        out += o > 0 ? ",{\"path\":[" : "{\"path\":[";
        for (std::size_t i = 0; i < object.path.size(); ++i) {
            if (i > 0) out += ',';
            rdb_append_json_string(out, object.path[i]);
        }
        out += ']';
        append_json_member(out, "kind", object.kind);
        out += ",\"rows_by_position\":";
        out += object.rows_by_position ? "true" : "false";
        out += ",\"changes\":[";
        for (std::size_t c = 0; c < object.changes.size(); ++c) {
            if (c > 0) out += ',';
            append_json_change(out, object.changes[c]);
        }
        out += "]}";
    }
    out += "],\"thresholds\":[";
    for (std::size_t t = 0; t < outcomes.size(); ++t) {
        const RDB_THRESHOLD_OUTCOME& outcome = outcomes[t];
        out += t > 0 ? ",{\"threshold\":" : "{\"threshold\":";
        rdb_append_json_string(out, outcome.threshold);
        append_json_member(out, "state", state_name(outcome.state));
        append_json_member(out, "old", outcome.old_text);
        append_json_member(out, "new", outcome.new_text);
        append_json_member(out, "reason", outcome.reason);
        out += '}';
    }
    out += "],\"crossed\":" + std::to_string(count_crossed(outcomes)) + "}\n";
    return out;
}
