#pragma once
// Report name constants: the user-visible names of the standard folders, panels and column headers
// that several stages share, so that every stage spells them the same way.

// Folders.
extern const char* const RSTR_FOLDER_USER_NAME_COMPILATION_REPORT;

// Panels of the compilation report's main folder.
extern const char* const RSTR_PANEL_USER_NAME_FLOW_SETTINGS;
extern const char* const RSTR_PANEL_USER_NAME_FLOW_NON_DEFAULT_SETTINGS;
extern const char* const RSTR_PANEL_USER_NAME_FLOW_ELAPSED_TIME;
extern const char* const RSTR_PANEL_USER_NAME_FLOW_OS_SUMMARY;

// Column headers.
extern const char* const RSTR_HEADER_USER_NAME_OPTION;
extern const char* const RSTR_HEADER_USER_NAME_SETTING;
extern const char* const RSTR_HEADER_USER_NAME_ASSIGNMENT_NAME;
extern const char* const RSTR_HEADER_USER_NAME_VALUE;
extern const char* const RSTR_HEADER_USER_NAME_DEFAULT_VALUE;
extern const char* const RSTR_HEADER_USER_NAME_ENTITY_NAME;
extern const char* const RSTR_HEADER_USER_NAME_SECTION_ID;
extern const char* const RSTR_HEADER_USER_NAME_MODULE_NAME;
extern const char* const RSTR_HEADER_USER_NAME_ELAPSED_TIME;
extern const char* const RSTR_HEADER_USER_NAME_PEAK_MEMORY_USED;
extern const char* const RSTR_HEADER_USER_NAME_MACHINE_HOSTNAME;
extern const char* const RSTR_HEADER_USER_NAME_OPERATING_SYSTEM;
extern const char* const RSTR_HEADER_USER_NAME_OS_VERSION;
extern const char* const RSTR_HEADER_USER_NAME_PROCESSOR_TYPE;
