#include "rdb_vocabulary.h"

#include "gen/flow_names.h"

const char* const RDB_ROW_END = nullptr;

const char* const RDB_TABLE_OF_CONTENTS = "Table of Contents";
const char* const RDB_FLOW_MESSAGE_RPT_NAME = "Flow Messages";
const char* const RDB_FLOW_SUPPRESSED_MESSAGE_RPT_NAME = "Flow Suppressed Messages";
const char* const RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES = "Flow Messages are not contained in a KMSG file.";
const char* const RDB_WARNING_MESSAGES_STR = "Warning Messages";
const char* const RDB_MESSAGE_OBJECT_NAME = "Messages";
const char* const RDB_SUPPRESSED_MESSAGES_STR = "Suppressed Messages";
const char* const RDB_SETTINGS = "Settings";
const char* const RDB_SYNTHESIS = "Synthesis";
const char* const RDB_SYNTHESIS_SETTING_TABLE_NAME = "Synthesis Settings";
const char* const RDB_REVISION_NAME = "Revision Name";
const char* const RDB_COMPILER_VAL = "Compilation";
const char* const RDB_MAIN_TASK_VAL = "Main task";
const char* const RDB_TIMESTAMP_VAL = "Start date & time";
const char* const RDB_DEVICE = "Device";
const char* const RDB_NORMAL_FMAX_VAL = "%s ( period = %s )";
const char* const RDB_NOT_OPERATIONAL_FMAX_VAL = "Not operational: Clock Skew > Data Delay";
const char* const RDB_NOT_OPERATIONAL_PIN_FMAX_VAL = "Not operational: Hold Time > Input Delay";
const char* const RDB_NEGATIVE_HOLD_VAL = "<= 0 ns";
const char* const RDB_NO_SLACK_VAL = "N/A";
const char* const RDB_NO_REQUIREMENT_VAL = "None";
const char* const RDB_TBLE_BYTE_ORDERING_MODE = "Byte Ordering Mode";
const char* const RDB_SYNTH_ABSOLUTE_FILE_NAME = "File Name with Absolute Path";
const char* const RDB_TOTAL = "Total";
const char* const RDB_DRC_COMB_LOOP = "Combinational loop";
const char* const RDB_VAL_AUTO = "Automatic";
const char* const RDB_VAL_ON = "On";
const char* const RDB_VAL_OFF = "Off";
const char* const RDB_VAL_NONE = "None";
const char* const RDB_TBLHDR_OPTION = "Option";
const char* const RDB_TBLHDR_SETTING = "Setting";
const char* const RDB_TBLHDR_DEFAULT_VALUE = "Default Value";
const char* const RDB_TBLHDR_RESOURCE = "Resource";
const char* const RDB_TBLHDR_USAGE = "Usage";
const char* const RDB_TBLHDR_NAME = "Name";
const char* const RDB_TBLHDR_VALUE = "Value";
const char* const RDB_SUMMARY_NAME = "Summary";
const char* const RDB_FLOW_SUMMARY_NAME = "Flow Summary";
const char* const RDB_FLOW_SETTINGS_NAME = "Flow Settings";
const char* const RDB_FLOW_ELAPSED_TIME_NAME = "Flow Elapsed Time";
const char* const RDB_LEGAL_NOTICE_NAME = "Legal Notice";
const char* const RDB_RESOURCE_SECTION = "Resource Section";
const char* const RDB_RESOURCE_USAGE_SUMMARY_TABLE = "Resource Usage Summary";
const char* const RDB_PIN_TABLE = "Pin-Out File";
const char* const RDB_SLACK_SETUP_SUMMARY_TBL = "Setup Summary";
const char* const RDB_SLACK_HOLD_SUMMARY_TBL = "Hold Summary";
const char* const RDB_CLK_SUMMARY_TBL = "Clocks";
const char* const RDB_LU_LOGIC_UTILIZATION_HDR = "Logic utilization";
const char* const RDB_PARTITION_SUMMARY_TBL = "Partition Summary";
const char* const RDB_IGNORED_ASSIGNMENTS_TABLE = "Ignored Assignments";
const char* const RDB_CURRENT_DRAWN_FROM_VCCIO_NAME = "Current Drawn from Voltage Supplies";
const char* const RDB_ELAPSED_TIME_HDR = "Elapsed Time";
const char* const RDB_MODULE_NAME_HDR = "Module Name";

// Set from the flow names at load time (static initialisation of this library).
const char* RDB_FIT_RPT_NAME = FLOW_FITTER_NAME;
const char* RDB_STA_RPT_NAME = FLOW_TIMING_ANALYZER_NAME;
const char* RDB_MAP_RPT_NAME = FLOW_SYNTHESIS_NAME;
const char* RDB_ASM_RPT_NAME = FLOW_ASSEMBLER_NAME;
const char* RDB_EDA_RPT_NAME = FLOW_NETLIST_WRITER_NAME;
const char* RDB_TAN_RPT_NAME = FLOW_CLASSIC_TIMING_ANALYZER_NAME;
const char* RDB_SIM_RPT_NAME = FLOW_SIMULATOR_NAME;
const char* RDB_DRC_RPT_NAME = FLOW_DESIGN_ASSISTANT_NAME;
const char* RDB_POW_RPT_NAME = FLOW_POWER_ANALYZER_NAME;
const char* RDB_FLOW_RPT_NAME = FLOW_FLOW_NAME;
const char* RDB_FITTER = FLOW_FITTER_NAME;
const char* RDB_RTM = FLOW_RETIMER_NAME;
const char* RDB_POWER_ANALYZER = FLOW_POWER_ANALYZER_NAME;
const char* RDB_PARTITION_MERGE = FLOW_PARTITION_MERGE_NAME;
const char* RDB_ANALYZE_PROJECT = FLOW_ANALYZE_PROJECT_NAME;
