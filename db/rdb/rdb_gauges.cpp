#include "rdb_gauges.h"

#include <ostream>

#include <fmt/format.h>

#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_visitor.h"

RDB_GAUGES_OBJECT::RDB_GAUGES_OBJECT(const std::string& name, int count)
    : RDB_OBJECT(name),
      m_data(new std::vector<RDB_GAUGES_DATA_ELEMENT*>(count > 0 ? static_cast<std::size_t>(count) : 0))
{
}

RDB_GAUGES_OBJECT::RDB_GAUGES_OBJECT() : m_data(new std::vector<RDB_GAUGES_DATA_ELEMENT*>) {}

RDB_GAUGES_OBJECT::~RDB_GAUGES_OBJECT()
{
    if (m_data == nullptr) return;
    for (RDB_GAUGES_DATA_ELEMENT* data : *m_data)
        delete data;
    delete m_data;
}

RDB_OBJECT_TYPE RDB_GAUGES_OBJECT::get_type() const { return RDB_GAUGES_TYPE; }

void RDB_GAUGES_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_gauges(this); }

void RDB_GAUGES_OBJECT::add_data(RDB_GAUGES_DATA_ELEMENT* data)
{
    RDB_ASSERT(m_data != 0);
    m_data->push_back(data);
}

RDB_GAUGES_DATA_ELEMENT* RDB_GAUGES_OBJECT::get_data_at(unsigned int pos)
{
    return (m_data != nullptr && pos < m_data->size()) ? (*m_data)[pos] : nullptr;
}

const RDB_GAUGES_DATA_ELEMENT* RDB_GAUGES_OBJECT::get_data_at(unsigned int pos) const
{
    return (m_data != nullptr && pos < m_data->size()) ? (*m_data)[pos] : nullptr;
}

void RDB_GAUGES_OBJECT::set_data_at(unsigned int pos, RDB_GAUGES_DATA_ELEMENT* data)
{
    RDB_ASSERT(m_data != 0);
    RDB_ASSERT(pos < m_data->size());
    RDB_ASSERT(m_data->at(pos) == 0);
    (*m_data)[pos] = data;
}
