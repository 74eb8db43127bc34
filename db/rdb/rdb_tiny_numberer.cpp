#include "rdb_tiny_numberer.h"

#include <climits>

#include "msg/msg.h"

RDB_TINY_NUMBERER::RDB_TINY_NUMBERER(int first_number) : m_last_number(first_number) { RDB_ASSERT(first_number > 0); }

int RDB_TINY_NUMBERER::number(const RDB_OBJECT* object)
{
    auto found = m_numbers.find(object);
    if (found != m_numbers.end()) return found->second;
    RDB_ASSERT(INT_MAX != m_last_number);
    const int given = m_last_number++;
    m_numbers.emplace(object, given);
    return given;
}

int RDB_TINY_NUMBERER::find(const RDB_OBJECT* object) const
{
    auto found = m_numbers.find(object);
    return found != m_numbers.end() ? found->second : 0;
}
