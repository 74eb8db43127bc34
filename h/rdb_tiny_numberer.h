#pragma once
// Numbers for the objects of one XML document: 1, 2, 3, ... in order of first request, the null
// pointer included, each object keeping its number.

#include <unordered_map>

class RDB_OBJECT;

class RDB_TINY_NUMBERER {
public:
    RDB_TINY_NUMBERER() = default;

    // The object's number, given now when it has none. Giving a number when the last one was
    // INT_MAX is the internal error "INT_MAX != m_last_number".
    int number(const RDB_OBJECT* object);
    // The object's number, or 0 when it has none (no number is given).
    int find(const RDB_OBJECT* object) const;
    const std::unordered_map<const RDB_OBJECT*, int>& get_numbers() const { return m_numbers; }

protected:
    // Starts counting at first_number, which must be positive.
    explicit RDB_TINY_NUMBERER(int first_number);

private:
    std::unordered_map<const RDB_OBJECT*, int> m_numbers;
    int m_last_number = 1;
};
