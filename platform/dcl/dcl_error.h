#pragma once
// Name and error library: error values that results carry, and the suite's error base class.
//
// A DCL_ERROR is a plain value: an error id (number and kind) and the filled message text. A
// KORVANE_ERRC is a polymorphic error object that can be cloned and that carries the messages which
// describe it; library errors derive from it.

#include <memory>
#include <string>
#include <vector>

#include "msg/msg.h"

// Identifies an error: the message number and the kind of error (1: a message-backed error).
struct DCL_ERROR_ID {
    int number = 0;
    int kind = 0;
    constexpr bool operator==(const DCL_ERROR_ID&) const = default;
};

class DCL_ERROR {
public:
    DCL_ERROR() = default;
    DCL_ERROR(DCL_ERROR_ID id, std::string text) : m_id(id), m_text(std::move(text)) {}

    DCL_ERROR_ID get_id() const { return m_id; }
    // The filled message text.
    const std::string& get_text() const { return m_text; }

private:
    DCL_ERROR_ID m_id;
    std::string m_text;
};

class KORVANE_ERRC {
public:
    virtual ~KORVANE_ERRC() = default;
    // A new copy of this error, owned by the caller.
    virtual std::unique_ptr<KORVANE_ERRC> clone() const = 0;
    // A copy of the messages that describe the error.
    virtual std::vector<MSG_RECORD> get_messages() const = 0;
    // The error as a value: the id and the text of its first message.
    DCL_ERROR to_dcl_error() const;
    // The error id; messages' numbers identify library errors.
    virtual DCL_ERROR_ID get_error_id() const = 0;
};
