#pragma once
// Flow names: the names of the suite's programs as reports show them.

inline constexpr const char* FLOW_ANALYZE_PROJECT_NAME = "Analyze Project";
inline constexpr const char* FLOW_ASSEMBLER_NAME = "Assembler";
inline constexpr const char* FLOW_CLASSIC_TIMING_ANALYZER_NAME = "Classic Timing Analyzer";
inline constexpr const char* FLOW_DESIGN_ASSISTANT_NAME = "Design Assistant";
inline constexpr const char* FLOW_FITTER_NAME = "Fitter";
inline constexpr const char* FLOW_FLOW_NAME = "Flow";
inline constexpr const char* FLOW_NETLIST_WRITER_NAME = "Netlist Writer";
inline constexpr const char* FLOW_PARTITION_MERGE_NAME = "Partition Merge";
inline constexpr const char* FLOW_POWER_ANALYZER_NAME = "Power Analyzer";
inline constexpr const char* FLOW_RETIMER_NAME = "Retimer";
inline constexpr const char* FLOW_SIMULATOR_NAME = "Simulator";
inline constexpr const char* FLOW_SYNTHESIS_NAME = "Synthesis";
inline constexpr const char* FLOW_TIMING_ANALYZER_NAME = "Timing Analyzer";
