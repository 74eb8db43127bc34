#pragma once
// Tcl application layer: the process's shared interpreter on the real Tcl 8.6 library, glob matching
// that understands the bus indices of design names, and pointer texts that carry objects through Tcl
// results.

#include <string>
#include <tcl.h>

// The shared interpreter, made on first use. Only one thread may use it at a time.
Tcl_Interp* atcl_get_interpreter();
// True once the shared interpreter has been made.
bool atcl_is_interpreter_initialized();
// Sets element name of the suite's global Tcl array "korvane" to value; nothing happens while the
// shared interpreter has not been made.
void atcl_add_to_global_korvane_variable(const std::string& name, const std::string& value);

// Leaves message as the interpreter's error result; nothing happens for a null interpreter.
void atcl_error_msg_impl(Tcl_Interp* interp, const std::string& message);

// Tcl glob match of text against pattern. With bus_aware set, a bracketed bus index in the pattern
// ("[3]", "[12:0]", "[*]") matches the same brackets literally in the text instead of being a
// character class, so a pattern data[3] finds the design name data[3] and data[*] any index of data.
bool atcl_tcl_stringmatch_for_bus(const char* text, const char* pattern, bool bus_aware);
inline bool atcl_tcl_stringmatch_for_bus(const std::string& text, const std::string& pattern, bool bus_aware)
{
    return atcl_tcl_stringmatch_for_bus(text.c_str(), pattern.c_str(), bus_aware);
}

// The text of a pointer for passing through a Tcl result ("ptr0x..."), and its inverse (null when the
// text is not a pointer text).
std::string atcl_ptr_to_string(const void* ptr);
void* atcl_get_ptr(const char* text);
