#pragma once
// Template utilities: prime sizing for hash tables and the enumeration translators that map an
// enumeration's values to their debug and user texts and back.

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

// The smallest prime strictly greater than n.
std::size_t ktl_hash_lite_get_next_prime(std::size_t n);

// Maps the values 0 .. count-1 of one enumeration to texts and texts back to values. Every debug
// text is known; every non-null user text is known too.
class KTL_ENUM_TRANSLATOR {
public:
    static constexpr unsigned INVALID = 0xFFFFFFFFu;

    virtual ~KTL_ENUM_TRANSLATOR() = default;
    virtual bool is_known(const char* text) const;
    // The value of a text; INVALID when absent.
    virtual unsigned get_value(const char* text) const;
    virtual unsigned get_size() const { return m_count; }
    virtual unsigned get_invalid_value() const { return INVALID; }
    // Texts of a value; a value out of range is the internal error
    // "The calling function has passed an illegal <enum name>.".
    virtual const char* get_debug_string(unsigned value) const;
    virtual const char* get_user_string(unsigned value) const;

protected:
    // The text arrays must live as long as the translator; user texts may be null.
    KTL_ENUM_TRANSLATOR(const char* enum_name, const char* const* debug_texts, const char* const* user_texts,
                        unsigned count);

private:
    void check_range(unsigned value) const;

    std::string m_illegal_text;
    const char* const* m_debug_texts;
    const char* const* m_user_texts;
    unsigned m_count;
    std::unordered_map<std::string, unsigned> m_by_text;
};

// The singleton translator of an enumeration; the library defines one specialisation per
// enumeration it translates.
template <class ENUM> const KTL_ENUM_TRANSLATOR& ktl_get_translator();
