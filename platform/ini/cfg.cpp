#include "ini/cfg.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>

namespace {

struct CFG_STATE {
    std::mutex mutex;
    bool file_read = false;
    std::map<std::string, bool> file_values;
    std::map<std::string, bool> process_values;
};

// Never destroyed, so switches can be read from destructors at exit.
CFG_STATE& state()
{
    static CFG_STATE* s = new CFG_STATE;
    return *s;
}

std::string to_lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string trim(const std::string& text)
{
    const char* blanks = " \t\r\n";
    size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos) return {};
    size_t end = text.find_last_not_of(blanks);
    return text.substr(begin, end - begin + 1);
}

bool parse_on(const std::string& value)
{
    std::string v = to_lower(trim(value));
    return v == "on" || v == "true" || v == "1";
}

std::string user_key(int switch_number) { return "user_ini_" + std::to_string(switch_number); }

// Reads "name=value" lines; text after '#' or ';' is a comment, lines without '=' are ignored.
void read_file_locked(CFG_STATE& s)
{
    s.file_read = true;
    s.file_values.clear();
    const char* path = std::getenv("RDB_INI");
    if (path == nullptr || *path == '\0') return;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        size_t comment = line.find_first_of("#;");
        if (comment != std::string::npos) line.erase(comment);
        size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        std::string name = to_lower(trim(line.substr(0, eq)));
        if (name.empty()) continue;
        s.file_values[name] = parse_on(line.substr(eq + 1));
    }
}

bool lookup(const std::string& name, bool default_value)
{
    CFG_STATE& s = state();
    std::string key = to_lower(trim(name));
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.file_read) read_file_locked(s);
    if (auto it = s.process_values.find(key); it != s.process_values.end()) return it->second;
    if (auto it = s.file_values.find(key); it != s.file_values.end()) return it->second;
    return default_value;
}

void set_process_value(const std::string& name, std::optional<bool> value)
{
    CFG_STATE& s = state();
    std::string key = to_lower(trim(name));
    std::lock_guard<std::mutex> lock(s.mutex);
    if (value)
        s.process_values[key] = *value;
    else
        s.process_values.erase(key);
}

} // namespace

bool cfg_is_on(const std::string& name, bool default_value) { return lookup(name, default_value); }

bool cfg_user_ini_is_on(int switch_number, bool default_value)
{
    return lookup(user_key(switch_number), default_value);
}

bool cfg_user_ini_is_on(CFG_USER_INI_ENUMS user_switch, bool default_value)
{
    return cfg_user_ini_is_on(static_cast<int>(user_switch), default_value);
}

void cfg_set_value(const std::string& name, const std::string& value)
{
    if (trim(value).empty())
        set_process_value(name, std::nullopt);
    else
        set_process_value(name, parse_on(value));
}

void cfg_set_user_ini_value(int switch_number, bool on) { set_process_value(user_key(switch_number), on); }

void cfg_reset()
{
    CFG_STATE& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.process_values.clear();
    s.file_values.clear();
    s.file_read = false;
}
