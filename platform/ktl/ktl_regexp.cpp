#include "ktl/ktl_regexp.h"

#include <regex>

struct KTL_REGEXP::COMPILED {
    std::regex expression;
};

KTL_REGEXP::KTL_REGEXP(const std::string& pattern) : m_pattern(pattern)
{
    try {
        m_compiled = std::make_unique<COMPILED>(COMPILED{std::regex(pattern, std::regex::ECMAScript)});
    } catch (const std::regex_error&) {
        m_compiled.reset();
    }
}

KTL_REGEXP::~KTL_REGEXP() = default;

bool KTL_REGEXP::search(const std::string& text) const
{
    return m_compiled != nullptr && std::regex_search(text, m_compiled->expression);
}
