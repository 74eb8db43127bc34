#include "ktl/ktl.h"

#include "msg/msg.h"

namespace {

bool is_prime(std::size_t n)
{
    if (n < 2) return false;
    if (n % 2 == 0) return n == 2;
    for (std::size_t d = 3; d <= n / d; d += 2)
        if (n % d == 0) return false;
    return true;
}

} // namespace

std::size_t ktl_hash_lite_get_next_prime(std::size_t n)
{
    std::size_t candidate = n + 1;
    while (!is_prime(candidate))
        ++candidate;
    return candidate;
}

KTL_ENUM_TRANSLATOR::KTL_ENUM_TRANSLATOR(const char* enum_name, const char* const* debug_texts,
                                         const char* const* user_texts, unsigned count)
    : m_illegal_text(std::string("The calling function has passed an illegal ") + (enum_name ? enum_name : "") + "."),
      m_debug_texts(debug_texts), m_user_texts(user_texts), m_count(count), m_by_text(61)
{
    // Debug texts first, so a user text equal to another value's debug text does not take it over.
    for (unsigned i = 0; i < m_count && m_debug_texts != nullptr; ++i)
        if (m_debug_texts[i] != nullptr) m_by_text.emplace(m_debug_texts[i], i);
    for (unsigned i = 0; i < m_count && m_user_texts != nullptr; ++i)
        if (m_user_texts[i] != nullptr) m_by_text.emplace(m_user_texts[i], i);
}

bool KTL_ENUM_TRANSLATOR::is_known(const char* text) const
{
    return text != nullptr && m_by_text.find(text) != m_by_text.end();
}

unsigned KTL_ENUM_TRANSLATOR::get_value(const char* text) const
{
    if (text == nullptr) return INVALID;
    auto it = m_by_text.find(text);
    return it == m_by_text.end() ? INVALID : it->second;
}

void KTL_ENUM_TRANSLATOR::check_range(unsigned value) const
{
    if (value >= m_count) MSG_INTERNAL_ERROR::report(m_illegal_text.c_str(), "RDB", __FILE__, __LINE__);
}

const char* KTL_ENUM_TRANSLATOR::get_debug_string(unsigned value) const
{
    check_range(value);
    return m_debug_texts[value];
}

const char* KTL_ENUM_TRANSLATOR::get_user_string(unsigned value) const
{
    check_range(value);
    return m_user_texts == nullptr ? nullptr : m_user_texts[value];
}
