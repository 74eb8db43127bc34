#pragma once
// Serialisation tracker of the trait registry: the trait values of numbered objects, and of the
// named children of each, written as a Boost text archive and read back from one.
//
// Archive layout after Boost's own header: the tracker version; the value-type names; the trait
// definitions used (name, value type, default value); then one record per numbered object, in
// number order: its values, then its children, each a name and values. Texts are percent-encoded,
// so the archive is printable ASCII whatever names and values hold, and floating-point values
// travel as their bit patterns, so every value (NaN included) reads back exactly.

#include <functional>
#include <iosfwd>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <typeindex>
#include <unordered_map>
#include <utility>
#include <vector>

#include "trait/dtrait.h"

namespace DTRAIT {

// The version of the layout above; archives of a later version are refused.
constexpr unsigned TRACKER_ARCHIVE_VERSION = 1;

// One value read from an archive, with the name and kind of its definition.
struct TRACKED_VALUE {
    DCL_TRAIT_NAME name;
    TYPE_ENUM type;
    VALUE value;
};
using TRACKED_VALUES = std::vector<TRACKED_VALUE>;

// An archive that is malformed or does not fit this registry; what() says why.
class ARCHIVE_ERROR : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Finalised once: a second finalisation is the internal error "Tracker has already been finalised!".
class TRACKER_BASE {
public:
    bool is_finalised() const { return m_finalised; }

protected:
    void mark_finalised();

private:
    bool m_finalised = false;
};

// Collects records, then writes them all at finalisation.
class SAVE_TRACKER : public TRACKER_BASE {
public:
    using CHILDREN = std::vector<std::pair<std::string, KEY>>;

    // numbering: the caller's numbers of the objects that may get a record; owner: whose trait
    // definitions are written.
    SAVE_TRACKER(std::type_index owner, std::unordered_map<KEY, int> numbering);

    // Takes a snapshot of the values of a numbered key (a key without a number is the internal error
    // "numbered"), then of each child's values, keeping the children's names and order.
    void add_record(KEY key, const CHILDREN& children);
    // Writes the archive: records in number order. False when the stream failed.
    bool finalise(std::ostream& out);

private:
    struct OBJECT_VALUES {
        std::vector<std::pair<int, VALUE>> values; // (definition index, value)
    };
    struct RECORD {
        int number;
        OBJECT_VALUES own;
        std::vector<std::pair<std::string, OBJECT_VALUES>> children;
    };
    OBJECT_VALUES snapshot(KEY key);

    std::type_index m_owner;
    std::unordered_map<KEY, int> m_numbering;
    std::vector<DEFINITION_HANDLE> m_definitions;
    std::unordered_map<DEFINITION_HANDLE, int> m_definition_index;
    std::vector<RECORD> m_records;
};

// Reads one archive and hands its values to the caller, who applies them.
class LOAD_TRACKER : public TRACKER_BASE {
public:
    using RECORD_SINK = std::function<void(int number, TRACKED_VALUES values)>;
    using CHILD_SINK = std::function<void(int number, const std::string& name, TRACKED_VALUES values)>;

    explicit LOAD_TRACKER(std::type_index owner);

    // Checks the archive's header (tracker version, value-type names), checks each stored definition
    // against the registered definition of the same name (value type and default value), then hands
    // each record's own values to on_record and each child's to on_child, in archive order. Throws
    // ARCHIVE_ERROR at the first problem; whatever was handed over before stays handed over.
    void load(const std::string& text, const RECORD_SINK& on_record, const CHILD_SINK& on_child);
    void finalise() { mark_finalised(); }

private:
    std::type_index m_owner;
};

// Percent-encoding of the archive's texts: bytes outside '!'..'~' and '%' become "%XX".
std::string tracker_encode_text(std::string_view text);
// The inverse; nullopt for a malformed escape.
std::optional<std::string> tracker_decode_text(std::string_view text);

} // namespace DTRAIT
