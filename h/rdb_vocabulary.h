#pragma once
// The report vocabulary: panel, folder, table, column and value names that report writers across
// the suite use, so that every tool spells them the same way.

// End marker of a row given as a list of texts.
extern const char* const RDB_ROW_END;

extern const char* const RDB_TABLE_OF_CONTENTS; // "Table of Contents"
extern const char* const RDB_FLOW_MESSAGE_RPT_NAME; // "Flow Messages"
extern const char* const RDB_FLOW_SUPPRESSED_MESSAGE_RPT_NAME; // "Flow Suppressed Messages"
extern const char* const RDB_FAKE_FILENAME_FOR_FLOW_MESSAGES; // "Flow Messages are not contained in a KMSG file."
extern const char* const RDB_WARNING_MESSAGES_STR; // "Warning Messages"
extern const char* const RDB_MESSAGE_OBJECT_NAME; // "Messages"
extern const char* const RDB_SUPPRESSED_MESSAGES_STR; // "Suppressed Messages"
extern const char* const RDB_SETTINGS; // "Settings"
extern const char* const RDB_SYNTHESIS; // "Synthesis"
extern const char* const RDB_SYNTHESIS_SETTING_TABLE_NAME; // "Synthesis Settings"
extern const char* const RDB_REVISION_NAME; // "Revision Name"
extern const char* const RDB_COMPILER_VAL; // "Compilation"
extern const char* const RDB_MAIN_TASK_VAL; // "Main task"
extern const char* const RDB_TIMESTAMP_VAL; // "Start date & time"
extern const char* const RDB_DEVICE; // "Device"
extern const char* const RDB_NORMAL_FMAX_VAL; // "%s ( period = %s )"
extern const char* const RDB_NOT_OPERATIONAL_FMAX_VAL; // "Not operational: Clock Skew > Data Delay"
extern const char* const RDB_NOT_OPERATIONAL_PIN_FMAX_VAL; // "Not operational: Hold Time > Input Delay"
extern const char* const RDB_NEGATIVE_HOLD_VAL; // "<= 0 ns"
extern const char* const RDB_NO_SLACK_VAL; // "N/A"
extern const char* const RDB_NO_REQUIREMENT_VAL; // "None"
extern const char* const RDB_TBLE_BYTE_ORDERING_MODE; // "Byte Ordering Mode"
extern const char* const RDB_SYNTH_ABSOLUTE_FILE_NAME; // "File Name with Absolute Path"
extern const char* const RDB_TOTAL; // "Total"
extern const char* const RDB_DRC_COMB_LOOP; // "Combinational loop"
extern const char* const RDB_VAL_AUTO; // "Automatic"
extern const char* const RDB_VAL_ON; // "On"
extern const char* const RDB_VAL_OFF; // "Off"
extern const char* const RDB_VAL_NONE; // "None"
extern const char* const RDB_TBLHDR_OPTION; // "Option"
extern const char* const RDB_TBLHDR_SETTING; // "Setting"
extern const char* const RDB_TBLHDR_DEFAULT_VALUE; // "Default Value"
extern const char* const RDB_TBLHDR_RESOURCE; // "Resource"
extern const char* const RDB_TBLHDR_USAGE; // "Usage"
extern const char* const RDB_TBLHDR_NAME; // "Name"
extern const char* const RDB_TBLHDR_VALUE; // "Value"
extern const char* const RDB_SUMMARY_NAME; // "Summary"
extern const char* const RDB_FLOW_SUMMARY_NAME; // "Flow Summary"
extern const char* const RDB_FLOW_SETTINGS_NAME; // "Flow Settings"
extern const char* const RDB_FLOW_ELAPSED_TIME_NAME; // "Flow Elapsed Time"
extern const char* const RDB_LEGAL_NOTICE_NAME; // "Legal Notice"
extern const char* const RDB_RESOURCE_SECTION; // "Resource Section"
extern const char* const RDB_RESOURCE_USAGE_SUMMARY_TABLE; // "Resource Usage Summary"
extern const char* const RDB_PIN_TABLE; // "Pin-Out File"
extern const char* const RDB_SLACK_SETUP_SUMMARY_TBL; // "Setup Summary"
extern const char* const RDB_SLACK_HOLD_SUMMARY_TBL; // "Hold Summary"
extern const char* const RDB_CLK_SUMMARY_TBL; // "Clocks"
extern const char* const RDB_LU_LOGIC_UTILIZATION_HDR; // "Logic utilization"
extern const char* const RDB_PARTITION_SUMMARY_TBL; // "Partition Summary"
extern const char* const RDB_IGNORED_ASSIGNMENTS_TABLE; // "Ignored Assignments"
extern const char* const RDB_CURRENT_DRAWN_FROM_VCCIO_NAME; // "Current Drawn from Voltage Supplies"
extern const char* const RDB_ELAPSED_TIME_HDR; // "Elapsed Time"
extern const char* const RDB_MODULE_NAME_HDR; // "Module Name"

// Program and flow report names, taken from the flow names when the library is loaded.
extern const char* RDB_FIT_RPT_NAME;
extern const char* RDB_STA_RPT_NAME;
extern const char* RDB_MAP_RPT_NAME;
extern const char* RDB_ASM_RPT_NAME;
extern const char* RDB_EDA_RPT_NAME;
extern const char* RDB_TAN_RPT_NAME;
extern const char* RDB_SIM_RPT_NAME;
extern const char* RDB_DRC_RPT_NAME;
extern const char* RDB_POW_RPT_NAME;
extern const char* RDB_FLOW_RPT_NAME;
extern const char* RDB_FITTER;
extern const char* RDB_RTM;
extern const char* RDB_POWER_ANALYZER;
extern const char* RDB_PARTITION_MERGE;
extern const char* RDB_ANALYZE_PROJECT;
