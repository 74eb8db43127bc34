#pragma once
// Time value library: BIG_TIME, a time in picoseconds, with the unit codes and texts that report
// cells print.
//
// The storage number of a BIG_TIME is the signed 32-bit picosecond count that table cells keep.
// Frequency units print the reciprocal of the time (a period of 4,000 ps prints as 250.00 MHz).

#include <compare>
#include <cstdint>
#include <string>

class BIG_TIME {
public:
    // Unit codes. AUTO picks the time unit in which the value reads best (ns for most delays).
    enum TIME_UNIT : int {
        AUTO = 0,
        FS = 1,
        PS = 2,
        NS = 3,
        US = 4,
        MS = 5,
        S = 6,
        HZ = 7,
        KHZ = 8,
        MHZ = 9,
        GHZ = 10,
    };

    BIG_TIME() = default;
    explicit BIG_TIME(std::int64_t picoseconds) : m_ps(picoseconds) {}

    void set_storage_number(std::int32_t number) { m_ps = number; }
    std::int32_t get_storage_number() const { return static_cast<std::int32_t>(m_ps); }
    std::int64_t get_picoseconds() const { return m_ps; }

    // The value in the unit with the given number of decimals, followed by a blank and the unit text
    // ("1.234 ns", "250.00 MHz"). With trim set, trailing zeros after the point (and a bare point)
    // are dropped. A frequency of a zero time is "infinite".
    std::string to_string(TIME_UNIT unit, int precision, bool trim) const;
    // The same number without the unit text.
    std::string to_string_without_unit(TIME_UNIT unit, int precision, bool trim) const;

    // The unit texts: "fs", "ps", "ns", "us", "ms", "s", "Hz", "KHz", "MHz", "GHz" (AUTO: "ns").
    static const char* unit_text(TIME_UNIT unit);

    // Loads a time given in a time unit (FS .. S; AUTO means ns); fractions of a picosecond are cut.
    void set_time(std::int64_t value, TIME_UNIT unit);
    // False only for the time made by illegal(), which stands for "no value".
    bool is_legal() const { return m_ps != ILLEGAL_PS; }
    static BIG_TIME illegal() { return BIG_TIME(ILLEGAL_PS); }

    BIG_TIME& operator+=(const BIG_TIME& other);
    friend BIG_TIME operator+(BIG_TIME a, const BIG_TIME& b) { return a += b; }
    bool operator==(const BIG_TIME& other) const = default;
    auto operator<=>(const BIG_TIME& other) const = default;

private:
    static constexpr std::int64_t ILLEGAL_PS = INT64_MIN;
    TIME_UNIT resolve(TIME_UNIT unit) const;
    std::int64_t m_ps = 0;
};
