#pragma once
// INI configuration service: named on/off switches with defaults.
//
// Values come from, in order of precedence: values set in the process with cfg_set_value /
// cfg_set_user_ini_value, then the INI file named by the environment variable RDB_INI (lines
// "name=on" or "name=off"; "#" and ";" start comments; names compare case-insensitively), then the
// caller's default. The file is read once, on first use.

#include <string>

// The user switches the library reads by number.
enum CFG_USER_INI_ENUMS : int {
    CFG_USER_INI_HTML_REPORT = 13, // write the HTML report directory
    CFG_USER_INI_JSON_REPORT = 14, // write the JSON report panels
    CFG_USER_INI_COMPACT_TABLES = 16, // print wide text tables as record lists
};

// Whether the switch is on; default when nobody set it.
bool cfg_is_on(const std::string& name, bool default_value);
// Whether user switch number switch_number is on (file key "user_ini_<number>").
bool cfg_user_ini_is_on(int switch_number, bool default_value);
bool cfg_user_ini_is_on(CFG_USER_INI_ENUMS user_switch, bool default_value);

// Sets a switch in this process ("on", "off", "true", "false", "1", "0"; anything else counts as
// off). An empty value removes the in-process setting.
void cfg_set_value(const std::string& name, const std::string& value);
void cfg_set_user_ini_value(int switch_number, bool on);
// Forgets in-process values and re-reads the file at the next query (tests use it).
void cfg_reset();
