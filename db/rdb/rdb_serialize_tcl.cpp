// Transfer routines and class records of Tcl tables and their command templates.

#include "pdb/pdb.h"
#include "rdb_tcl_table.h"
#include "rdb_serialize_util.h"

PDB_CLASS_THUNK<RDB_TCL_TABLE_CMD> RDB_TCL_TABLE_CMD::s_thunk("RDB_TCL_TABLE_CMD", nullptr,
                                                              []() -> PDB_VIRTUAL_OBJECT* {
                                                                  return new RDB_TCL_TABLE_CMD();
                                                              });

void RDB_TCL_TABLE_CMD::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    transfer_texts(segment);
    RDB_TRANSFER(segment, m_col_index);
    RDB_TRANSFER(segment, m_row_index);
    segment.end_class();
}

PDB_CLASS_THUNK<RDB_TCL_TABLE_OBJECT>
    RDB_TCL_TABLE_OBJECT::s_thunk("RDB_TCL_TABLE_OBJECT", RDB_TABLE_OBJECT::pdb_thunk(),
                                  []() -> PDB_VIRTUAL_OBJECT* { return new RDB_TCL_TABLE_OBJECT(); });

void RDB_TCL_TABLE_OBJECT::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    RDB_TRACE(RDB_TABLE_OBJECT);
    RDB_TABLE_OBJECT::serialize(segment);
    RDB_TRACE(m_cmd_list);
    segment.transfer_owned(m_cmd_list, false);
    RDB_TRACE(m_show_tcl_commands_on_context_menu);
    bool show = m_show_tcl_commands_on_context_menu;
    segment.transfer_bit(show);
    m_show_tcl_commands_on_context_menu = show;
    segment.end_class();
}
