#pragma once
// Template utilities: regular expressions compiled once and matched against many texts.

#include <memory>
#include <string>

// A regular expression (ECMAScript syntax) compiled once and searched for in texts. A pattern that
// does not compile gives an expression that is not valid and matches nothing.
class KTL_REGEXP {
public:
    explicit KTL_REGEXP(const std::string& pattern);
    ~KTL_REGEXP();
    KTL_REGEXP(const KTL_REGEXP&) = delete;
    KTL_REGEXP& operator=(const KTL_REGEXP&) = delete;

    bool is_pattern_valid() const { return m_compiled != nullptr; }
    const std::string& get_pattern() const { return m_pattern; }
    // True when the expression matches some part of text (anchors pin it to the ends).
    bool search(const std::string& text) const;

private:
    struct COMPILED;
    std::string m_pattern;
    std::unique_ptr<COMPILED> m_compiled;
};
