#pragma once
// Report objects that carry free text rather than tables: the text object (plain text, HTML, web-kit
// HTML, QML or JSON as its flags say), the legal notice, and the opaque payload of an interactive
// report view.

#include <string>

#include "rdb_object.h"

class RDB_TEXT_OBJECT : public RDB_OBJECT {
public:
    // No text, all flags false.
    RDB_TEXT_OBJECT();
    explicit RDB_TEXT_OBJECT(const std::string& name);
    RDB_TEXT_OBJECT(const RDB_TEXT_OBJECT&) = delete;
    RDB_TEXT_OBJECT& operator=(const RDB_TEXT_OBJECT&) = delete;
    // Deletes the text.
    ~RDB_TEXT_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_TEXT_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_TEXT_OBJECT)
    // Null for a text object, the object itself for a legal object.
    virtual RDB_LEGAL_OBJECT* dynamic_cast_to_RDB_LEGAL_OBJECT() { return nullptr; }
    virtual const RDB_LEGAL_OBJECT* dynamic_cast_to_RDB_LEGAL_OBJECT() const { return nullptr; }

    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Dashed title box, then the text (or the notice of a web-kit HTML or QML text) and a line break.
    void output_ascii(std::ostream& os) override;
    // "<PRE>", the text, "</PRE>" and two line breaks; nothing without a text.
    void output_html(std::ostream& os) override;
    // The object keys, then "text" (empty without a text).
    void fill_json_object(nlohmann::json* object) override;

    // Takes ownership of the heap string and makes it the text, deleting the previous one; null
    // leaves the object without text. Passing the current text again changes nothing.
    void add_text(std::string* text);
    // Copies text into the object's text (made when missing).
    void set_text(const std::string& text);
    // Exchanges the object's text (made when missing) with text, which receives the previous text.
    void set_text(std::string&& text);
    // Null when no text was set.
    const std::string* get_text() const { return m_text; }

    bool is_html() const { return m_is_html; }
    bool is_webkit_html() const { return m_is_webkit_html; }
    bool is_qml() const { return m_is_qml; }
    bool is_json() const { return m_is_json; }
    void set_is_html(bool on) { m_is_html = on; }
    void set_is_webkit_html(bool on) { m_is_webkit_html = on; }
    void set_is_qml(bool on) { m_is_qml = on; }
    void set_is_json(bool on) { m_is_json = on; }

protected:
    std::string* m_text = nullptr;

private:
    bool m_is_html = false;
    bool m_is_webkit_html = false;
    bool m_is_qml = false;
    bool m_is_json = false;
};

// A text object holding the suite's legal notice.
class RDB_LEGAL_OBJECT : public RDB_TEXT_OBJECT {
public:
    // No text.
    RDB_LEGAL_OBJECT();
    // The text is the legal notice of the general utilities.
    explicit RDB_LEGAL_OBJECT(const std::string& name);

    RDB_LEGAL_OBJECT* dynamic_cast_to_RDB_LEGAL_OBJECT() override { return this; }
    const RDB_LEGAL_OBJECT* dynamic_cast_to_RDB_LEGAL_OBJECT() const override { return this; }
    PDB_DECLARE_PERSISTENT(RDB_LEGAL_OBJECT)
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
};

// An opaque payload for an interactive report view: the data, the name of its kind and the name of
// the view that consumes it. The library stores and transports it only.
class RDB_INTERACTIVE_REPORT_DATA_OBJECT : public RDB_OBJECT {
public:
    RDB_INTERACTIVE_REPORT_DATA_OBJECT();
    RDB_INTERACTIVE_REPORT_DATA_OBJECT(const std::string& name, const std::string& data, const std::string& data_type,
                                       const std::string& report_implementation);
    // Copies the object part (as RDB_OBJECT copies) and the three strings.
    RDB_INTERACTIVE_REPORT_DATA_OBJECT(const RDB_INTERACTIVE_REPORT_DATA_OBJECT& other);
    RDB_INTERACTIVE_REPORT_DATA_OBJECT& operator=(const RDB_INTERACTIVE_REPORT_DATA_OBJECT& other);
    ~RDB_INTERACTIVE_REPORT_DATA_OBJECT() override;

    RDB_OVERRIDE_DOWNCAST(RDB_INTERACTIVE_REPORT_DATA_OBJECT)
    PDB_DECLARE_PERSISTENT(RDB_INTERACTIVE_REPORT_DATA_OBJECT)
    RDB_OBJECT_TYPE get_type() const override;
    void accept_visitor(RDB_OBJECT_VISITOR* visitor) override;
    // Dashed title box, then "This report is unavailable in plain text report export.".
    void output_ascii(std::ostream& os) override;
    // "<PRE>This report is unavailable in html report export.</PRE>" and two line breaks.
    void output_html(std::ostream& os) override;
    // The object keys, then "text": "This report is unavailable in json format".
    void fill_json_object(nlohmann::json* object) override;

    const std::string& get_data() const { return m_data; }
    std::string get_data_type() const { return m_data_type; }
    std::string get_report_implementation() const { return m_report_implementation; }

private:
    std::string m_data;
    std::string m_data_type;
    std::string m_report_implementation;
};

// Dashed title box of text-like objects: a line of name length + 4 dashes, "; name ;", the line again.
void rdb_output_dashed_title_box(std::ostream& os, const std::string& name);
