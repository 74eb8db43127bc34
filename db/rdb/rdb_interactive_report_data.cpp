#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_text.h"
#include "rdb_visitor.h"

RDB_INTERACTIVE_REPORT_DATA_OBJECT::RDB_INTERACTIVE_REPORT_DATA_OBJECT() = default;

RDB_INTERACTIVE_REPORT_DATA_OBJECT::RDB_INTERACTIVE_REPORT_DATA_OBJECT(const std::string& name, const std::string& data,
                                                                       const std::string& data_type,
                                                                       const std::string& report_implementation)
    : RDB_OBJECT(name), m_data(data), m_data_type(data_type), m_report_implementation(report_implementation)
{
}

RDB_INTERACTIVE_REPORT_DATA_OBJECT::RDB_INTERACTIVE_REPORT_DATA_OBJECT(const RDB_INTERACTIVE_REPORT_DATA_OBJECT& other)
    : RDB_OBJECT(other), m_data(other.m_data), m_data_type(other.m_data_type),
      m_report_implementation(other.m_report_implementation)
{
}

RDB_INTERACTIVE_REPORT_DATA_OBJECT&
RDB_INTERACTIVE_REPORT_DATA_OBJECT::operator=(const RDB_INTERACTIVE_REPORT_DATA_OBJECT& other)
{
    if (this == &other) return *this;
    RDB_OBJECT::operator=(other);
    m_data = other.m_data;
    m_data_type = other.m_data_type;
    m_report_implementation = other.m_report_implementation;
    return *this;
}

RDB_INTERACTIVE_REPORT_DATA_OBJECT::~RDB_INTERACTIVE_REPORT_DATA_OBJECT() = default;

RDB_OBJECT_TYPE RDB_INTERACTIVE_REPORT_DATA_OBJECT::get_type() const { return RDB_INTERACTIVE_REPORT_DATA_TYPE; }

void RDB_INTERACTIVE_REPORT_DATA_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor)
{
    visitor->visit_interactive_report(this);
}
