#include "tcl/atcl.h"

#include <cinttypes>
#include <cstdio>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

Tcl_Interp* g_interpreter = nullptr;
std::once_flag g_interpreter_once;
std::atomic<bool> g_interpreter_ready{false};

// A bus index holds only digits, ':' and '*', for example "3", "12:0" or "*".
bool is_bus_index(const char* begin, const char* end)
{
    if (begin == end) return false;
    for (const char* p = begin; p != end; ++p)
        if (!((*p >= '0' && *p <= '9') || *p == ':' || *p == '*')) return false;
    return true;
}

// Escapes the brackets of bus indices so that they match literally; other bracket groups stay
// character classes.
std::string escape_bus_indices(const char* pattern)
{
    std::string out;
    for (const char* p = pattern; *p != '\0';) {
        if (*p == '\\') {
            out += *p++;
            if (*p != '\0') out += *p++;
            continue;
        }
        if (*p == '[') {
            const char* close = std::strchr(p + 1, ']');
            if (close != nullptr && is_bus_index(p + 1, close)) {
                out += "\\[";
                out.append(p + 1, close);
                out += "\\]";
                p = close + 1;
                continue;
            }
        }
        out += *p++;
    }
    return out;
}

} // namespace

Tcl_Interp* atcl_get_interpreter()
{
    std::call_once(g_interpreter_once, [] {
        Tcl_FindExecutable(nullptr);
        Tcl_Interp* interp = Tcl_CreateInterp();
        // Without an installed script library the core commands still work; that is enough here.
        if (interp != nullptr && Tcl_Init(interp) != TCL_OK) Tcl_ResetResult(interp);
        g_interpreter = interp;
        g_interpreter_ready.store(interp != nullptr, std::memory_order_release);
    });
    return g_interpreter;
}

bool atcl_is_interpreter_initialized() { return g_interpreter_ready.load(std::memory_order_acquire); }

void atcl_add_to_global_korvane_variable(const std::string& name, const std::string& value)
{
    if (!atcl_is_interpreter_initialized()) return;
    Tcl_SetVar2(atcl_get_interpreter(), "korvane", name.c_str(), value.c_str(), TCL_GLOBAL_ONLY);
}

void atcl_error_msg_impl(Tcl_Interp* interp, const std::string& message)
{
    if (interp == nullptr) return;
    Tcl_SetObjResult(interp, Tcl_NewStringObj(message.data(), static_cast<int>(message.size())));
}

bool atcl_tcl_stringmatch_for_bus(const char* text, const char* pattern, bool bus_aware)
{
    if (text == nullptr || pattern == nullptr) return false;
    if (!bus_aware) return Tcl_StringCaseMatch(text, pattern, 0) != 0;
    std::string rewritten = escape_bus_indices(pattern);
    return Tcl_StringCaseMatch(text, rewritten.c_str(), 0) != 0;
}

std::string atcl_ptr_to_string(const void* ptr)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "ptr0x%" PRIxPTR, reinterpret_cast<std::uintptr_t>(ptr));
    return buffer;
}

void* atcl_get_ptr(const char* text)
{
    if (text == nullptr || std::strncmp(text, "ptr0x", 5) != 0) return nullptr;
    const char* digits = text + 5;
    if (*digits == '\0' || std::strlen(digits) > 2 * sizeof(std::uintptr_t)) return nullptr;
    std::uintptr_t value = 0;
    for (const char* p = digits; *p != '\0'; ++p) {
        unsigned digit;
        if (*p >= '0' && *p <= '9')
            digit = static_cast<unsigned>(*p - '0');
        else if (*p >= 'a' && *p <= 'f')
            digit = static_cast<unsigned>(*p - 'a' + 10);
        else if (*p >= 'A' && *p <= 'F')
            digit = static_cast<unsigned>(*p - 'A' + 10);
        else
            return nullptr;
        value = (value << 4) | digit;
    }
    return reinterpret_cast<void*>(value);
}
