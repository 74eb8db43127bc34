#include "time/big_time.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int MAX_PRECISION = 30;

bool is_frequency(BIG_TIME::TIME_UNIT unit) { return unit >= BIG_TIME::HZ && unit <= BIG_TIME::GHZ; }

// Decimal places between picoseconds and a time unit: value = ps / 10^shift (negative for fs).
int time_shift(BIG_TIME::TIME_UNIT unit)
{
    switch (unit) {
    case BIG_TIME::FS:
        return -3;
    case BIG_TIME::PS:
        return 0;
    case BIG_TIME::US:
        return 6;
    case BIG_TIME::MS:
        return 9;
    case BIG_TIME::S:
        return 12;
    default:
        return 3;
    }
}

// Rounds the decimal digits of an integer scaled by 10^-places to precision places (half away from
// zero) and inserts the point; exact for every 64-bit value.
std::string format_scaled(std::uint64_t magnitude, bool negative, int places, int precision)
{
    std::string digits = std::to_string(magnitude);
    if (places < 0) {
        digits.append(static_cast<size_t>(-places), '0');
        places = 0;
    }
    if (precision >= places) {
        digits.append(static_cast<size_t>(precision - places), '0');
    } else {
        size_t drop = static_cast<size_t>(places - precision);
        if (digits.size() <= drop) digits.insert(0, drop - digits.size() + 1, '0');
        bool round_up = digits[digits.size() - drop] >= '5';
        digits.erase(digits.size() - drop);
        if (round_up) {
            size_t i = digits.size();
            while (i > 0 && digits[i - 1] == '9')
                digits[--i] = '0';
            if (i == 0)
                digits.insert(0, 1, '1');
            else
                ++digits[i - 1];
        }
    }
    // digits now holds the value times 10^precision.
    if (digits.size() <= static_cast<size_t>(precision)) digits.insert(0, precision - digits.size() + 1, '0');
    std::string out = digits.substr(0, digits.size() - static_cast<size_t>(precision));
    if (precision > 0) out += "." + digits.substr(digits.size() - static_cast<size_t>(precision));
    bool zero = std::all_of(out.begin(), out.end(), [](char c) { return c == '0' || c == '.'; });
    if (negative && !zero) out.insert(0, 1, '-');
    return out;
}

std::string format_frequency(std::int64_t ps, BIG_TIME::TIME_UNIT unit, int precision)
{
    if (ps == 0) return "infinite";
    long double hz = 1e12L / static_cast<long double>(ps);
    for (int u = BIG_TIME::HZ; u < unit; ++u)
        hz /= 1000.0L;
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "%.*Lf", precision, hz);
    return buffer;
}

void trim_zeros(std::string& text)
{
    if (text.find('.') == std::string::npos) return;
    while (!text.empty() && text.back() == '0')
        text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    if (text == "-0") text = "0";
}

} // namespace

BIG_TIME::TIME_UNIT BIG_TIME::resolve(TIME_UNIT unit) const
{
    if (unit >= FS && unit <= GHZ) return unit;
    // Delays read best in ns; AUTO never chooses a frequency unit.
    return NS;
}

const char* BIG_TIME::unit_text(TIME_UNIT unit)
{
    switch (unit) {
    case FS:
        return "fs";
    case PS:
        return "ps";
    case US:
        return "us";
    case MS:
        return "ms";
    case S:
        return "s";
    case HZ:
        return "Hz";
    case KHZ:
        return "KHz";
    case MHZ:
        return "MHz";
    case GHZ:
        return "GHz";
    default:
        return "ns";
    }
}

std::string BIG_TIME::to_string_without_unit(TIME_UNIT unit, int precision, bool trim) const
{
    if (!is_legal()) return "N/A";
    TIME_UNIT resolved = resolve(unit);
    precision = std::clamp(precision, 0, MAX_PRECISION);
    std::string text;
    if (is_frequency(resolved)) {
        text = format_frequency(m_ps, resolved, precision);
        if (text == "infinite") return text;
    } else {
        bool negative = m_ps < 0;
        std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(m_ps) : static_cast<std::uint64_t>(m_ps);
        text = format_scaled(magnitude, negative, time_shift(resolved), precision);
    }
    if (trim) trim_zeros(text);
    return text;
}

std::string BIG_TIME::to_string(TIME_UNIT unit, int precision, bool trim) const
{
    std::string number = to_string_without_unit(unit, precision, trim);
    if (number == "infinite" || number == "N/A") return number;
    return number + " " + unit_text(resolve(unit));
}

void BIG_TIME::set_time(std::int64_t value, TIME_UNIT unit)
{
    TIME_UNIT resolved = resolve(unit);
    if (is_frequency(resolved)) {
        if (value == 0) {
            m_ps = ILLEGAL_PS;
            return;
        }
        long double hz = static_cast<long double>(value);
        for (int u = HZ; u < resolved; ++u)
            hz *= 1000.0L;
        m_ps = static_cast<std::int64_t>(1e12L / hz);
        return;
    }
    int shift = time_shift(resolved);
    if (shift < 0) {
        m_ps = value / 1000;
        return;
    }
    std::int64_t ps = value;
    for (int i = 0; i < shift; ++i) {
        if (__builtin_mul_overflow(ps, std::int64_t{10}, &ps)) {
            m_ps = ILLEGAL_PS;
            return;
        }
    }
    m_ps = ps;
}

BIG_TIME& BIG_TIME::operator+=(const BIG_TIME& other)
{
    std::int64_t sum = 0;
    if (!is_legal() || !other.is_legal() || __builtin_add_overflow(m_ps, other.m_ps, &sum) || sum == ILLEGAL_PS)
        m_ps = ILLEGAL_PS;
    else
        m_ps = sum;
    return *this;
}
