#include "dcl/dcl_error.h"

DCL_ERROR KORVANE_ERRC::to_dcl_error() const
{
    std::vector<MSG_RECORD> messages = get_messages();
    return DCL_ERROR(get_error_id(), messages.empty() ? std::string() : messages.front().text);
}
