#pragma once
// The escaping of text for each language the writers produce (XML, HTML, JavaScript and QML string
// literals, JSON strings, SQL identifiers) and the writing of numbers without the process locale, so that each target's
// rules are written, and tested, once.

#include <string>
#include <string_view>

// Text as it appears in an attribute value or element text: converted to UTF-8 (invalid sequences
// and characters XML does not allow are dropped), '"', '&', '\'', '<' and '>' as the entities
// "&quot;", "&amp;", "&apos;", "&lt;", "&gt;", and tab, line feed and carriage return as the
// character references "&#9;", "&#10;", "&#13;" so that they survive attribute normalisation. The
// texts of this library's own attributes are first percent-encoded by xml_percent_encode, so that
// nothing is dropped.
std::string rdb_xml_escape(std::string_view text);

// Text as HTML element text or a quoted attribute value: '&', '<', '>', '"' and '\'' as "&amp;",
// "&lt;", "&gt;", "&quot;" and "&#39;"; an invalid UTF-8 byte becomes U+FFFD. Other bytes are kept.
std::string rdb_html_escape(std::string_view text);

// A file path as the path of a URL: every byte but letters, digits, '-', '.', '_', '~' and '/' as "%XX"
// (upper-case hexadecimal), so that the result is safe in a quoted HTML attribute as well.
std::string rdb_url_encode_path(std::string_view path);

// The HTML form of a plain text: spaces kept visible with "&nbsp;", lines joined by "<br>\n", and
// "&", "<", ">" and '"' escaped so that no text can inject markup. An empty text is "&nbsp;"; empty
// lines give "<br>\n" only when keep_empty_lines is set.
std::string rdb_text_to_html(std::string_view text, bool keep_empty_lines);
// The same, appended to out.
void rdb_append_text_to_html(std::string& out, std::string_view text, bool keep_empty_lines);

// text as a double-quoted JavaScript (and QML) string literal, quotes included. Backslash and both
// quotes are escaped; line feed, carriage return and tab as \n, \r, \t, other control characters,
// U+2028 and U+2029 as \uXXXX; '<', '>' and '&' as \u003C, \u003E, \u0026 so that the literal can
// sit in a script element (no "</script>" or "<!--") or an XHTML section (no "]]>") unchanged. An
// invalid UTF-8 byte becomes \uFFFD; other characters are kept as UTF-8.
std::string rdb_js_string_literal(std::string_view text);

// value with exactly decimals digits after the point, as printf "%.*f" writes it in the C locale
// ("0.500000" for 0.5 and 6 decimals, "-inf", "nan"), whatever the process locale. decimals above
// 32 is an internal error.
std::string rdb_format_fixed(double value, int decimals);

// text as a JSON string literal (quotes included) in compact form: '"', '\\' and control characters
// escaped, other characters kept as UTF-8, an invalid UTF-8 byte as U+FFFD. Appended to out.
void rdb_append_json_string(std::string& out, std::string_view text);

// name as an SQL identifier: in double quotes, an embedded double quote doubled. Every table and
// column name goes through it; no name is pasted into SQL as it is.
std::string rdb_sql_identifier(std::string_view name);

// text as a terminal may show it, appended to out: control characters (C0, DEL and the C1 controls in
// their UTF-8 form) as escapes (a backslash and n, t or r, else \x and two hex digits), so that a text can neither
// break a one-line message or a column nor drive the terminal; everything else, invalid UTF-8 included, as it is.
void rdb_append_printable(std::string& out, std::string_view text);
std::string rdb_printable(std::string_view text);
