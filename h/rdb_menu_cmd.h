#pragma once
// The texts of a command that a viewer offers on a menu: its name, tool tip, help and Tcl command
// template. Grid-table and Tcl-table commands both carry them, stored first and in this order.

#include <string>

class PDB_SEGMENT;

class RDB_MENU_CMD_TEXTS {
public:
    RDB_MENU_CMD_TEXTS() = default;
    RDB_MENU_CMD_TEXTS(const std::string& gui_cmd_name, const std::string& tool_tip, const std::string& help,
                       const std::string& cmd_template)
        : m_gui_cmd_name(gui_cmd_name), m_tool_tip(tool_tip), m_help(help), m_cmd_template(cmd_template)
    {
    }

    const std::string& get_gui_cmd_name() const { return m_gui_cmd_name; }
    void set_gui_cmd_name(const std::string& name) { m_gui_cmd_name = name; }
    const std::string& get_tool_tip() const { return m_tool_tip; }
    void set_tool_tip(const std::string& tool_tip) { m_tool_tip = tool_tip; }
    const std::string& get_help() const { return m_help; }
    void set_help(const std::string& help) { m_help = help; }
    const std::string& get_cmd_template() const { return m_cmd_template; }
    void set_cmd_template(const std::string& cmd_template) { m_cmd_template = cmd_template; }

protected:
    // Writes or reads the four texts, as part of the command's own record.
    void transfer_texts(PDB_SEGMENT& segment);

private:
    std::string m_gui_cmd_name;
    std::string m_tool_tip;
    std::string m_help;
    std::string m_cmd_template;
};
