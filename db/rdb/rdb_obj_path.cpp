#include "rdb_obj_path.h"

#include <algorithm>
#include <string>

#include <boost/algorithm/string/classification.hpp>
#include <boost/algorithm/string/split.hpp>
#include <boost/regex.hpp>

#include "msg/msg.h"

namespace {

// The fields of a path text; runs of ':' count as one separator.
std::vector<std::string> split_fields(const std::string& text)
{
    std::vector<std::string> fields;
    boost::split(fields, text, boost::is_any_of(":"), boost::token_compress_on);
    return fields;
}

// The names of an object path, split on the literal "||".
std::vector<std::string> split_path_objects(const std::string& object_path)
{
    static const boost::regex separator("\\|\\|");
    std::vector<std::string> objects;
    boost::sregex_token_iterator it(object_path.begin(), object_path.end(), separator, -1);
    for (boost::sregex_token_iterator end; it != end; ++it)
        objects.push_back(it->str());
    return objects;
}

// Whether the report type parser accepts the text without stopping: a text with two dots must be a
// stage key followed by a label key that has a dot of its own; more dots are never accepted.
bool is_parsable_report_type(const std::string& text)
{
    const std::size_t dots = static_cast<std::size_t>(std::count(text.begin(), text.end(), '.'));
    if (dots <= 1) return true;
    if (dots > 2) return false;
    const std::size_t first_dot = text.find('.');
    const std::string stage_key = text.substr(0, first_dot);
    const std::string label_key = text.substr(first_dot + 1);
    const RDB_REPORT_TYPE stage_probe = rdb_string_to_report_type((stage_key + ".fit").c_str());
    const RDB_REPORT_TYPE label_probe = rdb_string_to_report_type(label_key.c_str());
    const bool is_stage = stage_probe.get_bound_stage().get_value() != KHD_SNAPSHOT_BASE::NO_STAGE;
    const bool is_dotted_label = label_probe.get_label() != RDB_REPORT_TYPE_MIN &&
                                 label_probe.get_bound_stage().get_value() == KHD_SNAPSHOT_BASE::NO_STAGE;
    return is_stage && is_dotted_label;
}

// A report type text is legal when it names a report label. A stage key with an unknown label
// ("placed.xyz") parses to label 0 with a stage, which differs from the type of integer 0 yet names
// no report: such a type would stop the process at its first use, so label 0 is never legal.
int report_type_legality(const std::string& text)
{
    if (!is_parsable_report_type(text)) return 0;
    return rdb_string_to_report_type(text.c_str()).get_label() != RDB_REPORT_TYPE_MIN ? 1 : 0;
}

} // namespace

RDB_OBJ_PATH::RDB_OBJ_PATH(std::string const& path)
{
    const std::vector<std::string> fields = split_fields(path);
    const std::size_t field_count = fields.size();
    std::size_t path_object_count = 0;
    int legality = 0;
    bool valid = field_count == 3 && !fields[0].empty();
    if (valid) {
        legality = report_type_legality(fields[1]);
        valid = legality != 0;
        const std::vector<std::string> objects = split_path_objects(fields[2]);
        path_object_count = objects.size();
        if (path_object_count >= 2)
            valid =
                valid && std::none_of(objects.begin(), objects.end(), [](const std::string& o) { return o.empty(); });
    }
    if (!valid) {
        const std::string text =
            "The RDB object path specified to intialize the RDB_OBJ_PATH object is invalid. It had " +
            std::to_string(field_count) + " field objects, " + std::to_string(path_object_count) +
            " path objects and the report type legality evaluated to " + std::to_string(legality);
        RDB_INTERNAL_ERROR(text.c_str());
    }
    m_path = path;
}

std::vector<std::string> RDB_OBJ_PATH::get_fields() const
{
    std::vector<std::string> path_fields = split_fields(m_path);
    RDB_ASSERT(path_fields.size() == 3);
    return path_fields;
}

std::string RDB_OBJ_PATH::get_report_name() const { return get_fields()[0]; }

RDB_REPORT_TYPE RDB_OBJ_PATH::get_report_type() const { return rdb_string_to_report_type(get_fields()[1].c_str()); }

std::string RDB_OBJ_PATH::get_object_path() const { return get_fields()[2]; }
