#include "rstr/rstr.h"

const char* const RSTR_FOLDER_USER_NAME_COMPILATION_REPORT = "Compilation Report";

const char* const RSTR_PANEL_USER_NAME_FLOW_SETTINGS = "Flow Settings";
const char* const RSTR_PANEL_USER_NAME_FLOW_NON_DEFAULT_SETTINGS = "Flow Non-Default Settings";
const char* const RSTR_PANEL_USER_NAME_FLOW_ELAPSED_TIME = "Flow Elapsed Time";
const char* const RSTR_PANEL_USER_NAME_FLOW_OS_SUMMARY = "Flow OS Summary";

const char* const RSTR_HEADER_USER_NAME_OPTION = "Option";
const char* const RSTR_HEADER_USER_NAME_SETTING = "Setting";
const char* const RSTR_HEADER_USER_NAME_ASSIGNMENT_NAME = "Assignment Name";
const char* const RSTR_HEADER_USER_NAME_VALUE = "Value";
const char* const RSTR_HEADER_USER_NAME_DEFAULT_VALUE = "Default Value";
const char* const RSTR_HEADER_USER_NAME_ENTITY_NAME = "Entity Name";
const char* const RSTR_HEADER_USER_NAME_SECTION_ID = "Section Id";
const char* const RSTR_HEADER_USER_NAME_MODULE_NAME = "Module Name";
const char* const RSTR_HEADER_USER_NAME_ELAPSED_TIME = "Elapsed Time";
const char* const RSTR_HEADER_USER_NAME_PEAK_MEMORY_USED = "Peak Memory Used";
const char* const RSTR_HEADER_USER_NAME_MACHINE_HOSTNAME = "Machine Hostname";
const char* const RSTR_HEADER_USER_NAME_OPERATING_SYSTEM = "Operating System";
const char* const RSTR_HEADER_USER_NAME_OS_VERSION = "OS Version";
const char* const RSTR_HEADER_USER_NAME_PROCESSOR_TYPE = "Processor Type";
