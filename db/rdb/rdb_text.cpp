#include "rdb_text.h"

#include <utility>

#include "gen/gen_legal.h"
#include "ini/cfg.h"
#include "msg/msg.h"
#include "rdb_enum.h"
#include "rdb_visitor.h"

// ---- RDB_TEXT_OBJECT -----------------------------------------------------------------------------

RDB_TEXT_OBJECT::RDB_TEXT_OBJECT() = default;

RDB_TEXT_OBJECT::RDB_TEXT_OBJECT(const std::string& name) : RDB_OBJECT(name) {}

RDB_TEXT_OBJECT::~RDB_TEXT_OBJECT() { delete m_text; }

RDB_OBJECT_TYPE RDB_TEXT_OBJECT::get_type() const { return RDB_TEXT_TYPE; }

void RDB_TEXT_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_text(this); }

void RDB_TEXT_OBJECT::add_text(std::string* text)
{
    // Taking our own text again must not delete it.
    if (text == m_text) return;
    delete m_text;
    m_text = text;
}

void RDB_TEXT_OBJECT::set_text(const std::string& text)
{
    if (m_text == nullptr) m_text = new std::string();
    *m_text = text;
}

void RDB_TEXT_OBJECT::set_text(std::string&& text)
{
    if (m_text == nullptr) m_text = new std::string();
    m_text->swap(text);
}

// ---- RDB_LEGAL_OBJECT ----------------------------------------------------------------------------

RDB_LEGAL_OBJECT::RDB_LEGAL_OBJECT() = default;

RDB_LEGAL_OBJECT::RDB_LEGAL_OBJECT(const std::string& name) : RDB_TEXT_OBJECT(name)
{
    m_text = new std::string();
    RDB_ASSERT(m_text != 0);
    *m_text = gen_get_legal_text(nullptr);
}

void RDB_LEGAL_OBJECT::accept_visitor(RDB_OBJECT_VISITOR* visitor) { visitor->visit_legal(this); }
