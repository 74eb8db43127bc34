#include "trait/dtrait_tracker.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <ostream>
#include <sstream>

#include <boost/archive/archive_exception.hpp>
#include <boost/archive/text_iarchive.hpp>
#include <boost/archive/text_oarchive.hpp>

#include "gen/gen_util.h"
#include "msg/msg.h"

namespace DTRAIT {

void TRACKER_BASE::mark_finalised()
{
    RDB_ASSERT_MSG(!m_finalised, "Tracker has already been finalised!");
    m_finalised = true;
}

// ---- Texts ---------------------------------------------------------------------------------------

std::string tracker_encode_text(std::string_view text)
{
    static const char HEX[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (byte > ' ' && byte <= '~' && byte != '%') {
            out += c;
        } else {
            out += '%';
            out += HEX[byte >> 4];
            out += HEX[byte & 0xF];
        }
    }
    return out;
}

std::optional<std::string> tracker_decode_text(std::string_view text) { return gen_percent_decode(text); }

namespace {

constexpr TYPE_ENUM ALL_TYPES[TYPE_COUNT] = {TYPE_ENUM::BOOL,      TYPE_ENUM::INT,    TYPE_ENUM::LONG,
                                             TYPE_ENUM::FLOAT,     TYPE_ENUM::DOUBLE, TYPE_ENUM::STRING,
                                             TYPE_ENUM::BYTE_ARRAY};

// ---- Writing -------------------------------------------------------------------------------------

void save_text(boost::archive::text_oarchive& ar, std::string_view text)
{
    const std::string encoded = tracker_encode_text(text);
    ar << encoded;
}

void save_value(boost::archive::text_oarchive& ar, const VALUE& value)
{
    switch (static_cast<TYPE_ENUM>(value.index())) {
    case TYPE_ENUM::BOOL: {
        const int flag = std::get<bool>(value) ? 1 : 0;
        ar << flag;
        break;
    }
    case TYPE_ENUM::INT:
        ar << std::get<std::int32_t>(value);
        break;
    case TYPE_ENUM::LONG:
        ar << std::get<std::int64_t>(value);
        break;
    case TYPE_ENUM::FLOAT: {
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(std::get<float>(value));
        ar << bits;
        break;
    }
    case TYPE_ENUM::DOUBLE: {
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(std::get<double>(value));
        ar << bits;
        break;
    }
    case TYPE_ENUM::STRING:
        save_text(ar, std::get<std::string>(value));
        break;
    case TYPE_ENUM::BYTE_ARRAY: {
        const BYTES& bytes = std::get<BYTES>(value);
        save_text(ar, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        break;
    }
    }
}

// ---- Reading -------------------------------------------------------------------------------------

// Reads the tokens of one archive held in memory. Texts are read here rather than by the archive so
// that a length prefix larger than what is left is refused before anything is allocated.
class ARCHIVE_READER {
public:
    explicit ARCHIVE_READER(const std::string& text) : m_stream(text), m_size(text.size()), m_archive(m_stream) {}

    template <class T> T number()
    {
        T value{};
        m_archive >> value;
        return value;
    }

    std::size_t count()
    {
        const std::size_t value = number<std::size_t>();
        if (value > remaining()) throw ARCHIVE_ERROR("Trait archive count exceeds its length");
        return value;
    }

    std::string text()
    {
        const std::size_t size = number<std::size_t>();
        m_stream.get(); // the blank between length and text
        if (!m_stream || size > remaining()) throw ARCHIVE_ERROR("Trait archive text exceeds its length");
        std::string encoded(size, '\0');
        if (size > 0) m_stream.read(encoded.data(), static_cast<std::streamsize>(size));
        if (!m_stream) throw ARCHIVE_ERROR("Trait archive ends inside a text");
        std::optional<std::string> decoded = tracker_decode_text(encoded);
        if (!decoded) throw ARCHIVE_ERROR("Trait archive holds a malformed text");
        return std::move(*decoded);
    }

    VALUE value(TYPE_ENUM type)
    {
        switch (type) {
        case TYPE_ENUM::BOOL: {
            const int flag = number<int>();
            if (flag != 0 && flag != 1) throw ARCHIVE_ERROR("Trait archive holds a malformed bool");
            return VALUE(std::in_place_index<0>, flag == 1);
        }
        case TYPE_ENUM::INT:
            return VALUE(std::in_place_index<1>, number<std::int32_t>());
        case TYPE_ENUM::LONG:
            return VALUE(std::in_place_index<2>, number<std::int64_t>());
        case TYPE_ENUM::FLOAT:
            return VALUE(std::in_place_index<3>, std::bit_cast<float>(number<std::uint32_t>()));
        case TYPE_ENUM::DOUBLE:
            return VALUE(std::in_place_index<4>, std::bit_cast<double>(number<std::uint64_t>()));
        case TYPE_ENUM::STRING:
            return VALUE(std::in_place_index<5>, text());
        case TYPE_ENUM::BYTE_ARRAY: {
            const std::string bytes = text();
            const auto* begin = reinterpret_cast<const std::byte*>(bytes.data());
            return VALUE(std::in_place_index<6>, BYTES(begin, begin + bytes.size()));
        }
        }
        throw ARCHIVE_ERROR("Trait archive names an unknown value type");
    }

private:
    std::size_t remaining()
    {
        const std::streamoff position = m_stream.tellg();
        if (position < 0) return 0;
        return m_size - static_cast<std::size_t>(position);
    }

    std::istringstream m_stream;
    std::size_t m_size;
    boost::archive::text_iarchive m_archive;
};

bool same_default(const std::optional<VALUE>& a, const std::optional<VALUE>& b)
{
    if (a.has_value() != b.has_value()) return false;
    if (!a) return true;
    if (a->index() != b->index()) return false;
    // Floating-point defaults compare by bits, so a NaN default matches itself.
    if (const float* x = std::get_if<float>(&*a))
        return std::bit_cast<std::uint32_t>(*x) == std::bit_cast<std::uint32_t>(std::get<float>(*b));
    if (const double* x = std::get_if<double>(&*a))
        return std::bit_cast<std::uint64_t>(*x) == std::bit_cast<std::uint64_t>(std::get<double>(*b));
    return *a == *b;
}

} // namespace

// ---- SAVE_TRACKER --------------------------------------------------------------------------------

SAVE_TRACKER::SAVE_TRACKER(std::type_index owner, std::unordered_map<KEY, int> numbering)
    : m_owner(owner), m_numbering(std::move(numbering))
{
}

SAVE_TRACKER::OBJECT_VALUES SAVE_TRACKER::snapshot(KEY key)
{
    TRAIT_TABLE& table = GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    OBJECT_VALUES result;
    for (DEFINITION_HANDLE definition : table.all_definitions_impl(m_owner)) {
        const VALUE* value = table.get_value_impl(definition, key);
        if (value == nullptr) continue;
        auto [it, added] = m_definition_index.emplace(definition, static_cast<int>(m_definitions.size()));
        if (added) m_definitions.push_back(definition);
        result.values.emplace_back(it->second, *value);
    }
    return result;
}

void SAVE_TRACKER::add_record(KEY key, const CHILDREN& children)
{
    RDB_ASSERT(!is_finalised());
    auto numbered = m_numbering.find(key);
    RDB_ASSERT_MSG(numbered != m_numbering.end(), "numbered");
    RECORD record{numbered->second, snapshot(key), {}};
    record.children.reserve(children.size());
    for (const auto& [name, child] : children)
        record.children.emplace_back(name, snapshot(child));
    m_records.push_back(std::move(record));
}

bool SAVE_TRACKER::finalise(std::ostream& out)
{
    mark_finalised();
    std::stable_sort(m_records.begin(), m_records.end(),
                     [](const RECORD& a, const RECORD& b) { return a.number < b.number; });
    // Definitions in name order, so that the archive does not depend on the order in which this
    // process happened to create them.
    std::vector<int> order(m_definitions.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [this](int a, int b) {
        return m_definitions[static_cast<std::size_t>(a)]->name() < m_definitions[static_cast<std::size_t>(b)]->name();
    });
    std::vector<int> new_index(order.size());
    std::vector<DEFINITION_HANDLE> sorted;
    for (std::size_t i = 0; i < order.size(); ++i) {
        new_index[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
        sorted.push_back(m_definitions[static_cast<std::size_t>(order[i])]);
    }
    m_definitions = std::move(sorted);
    auto renumber = [&new_index](OBJECT_VALUES& object) {
        for (auto& entry : object.values)
            entry.first = new_index[static_cast<std::size_t>(entry.first)];
        std::sort(object.values.begin(), object.values.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
    };
    for (RECORD& record : m_records) {
        renumber(record.own);
        for (auto& child : record.children)
            renumber(child.second);
    }
    TRAIT_TABLE& table = GLOBAL_TRAIT_TABLE_ACCESSOR::get();
    auto save_values = [](boost::archive::text_oarchive& ar, const OBJECT_VALUES& object) {
        const std::size_t count = object.values.size();
        ar << count;
        for (const auto& [index, value] : object.values) {
            ar << index;
            save_value(ar, value);
        }
    };
    {
        boost::archive::text_oarchive ar(out);
        const unsigned version = TRACKER_ARCHIVE_VERSION;
        ar << version;
        const std::size_t type_count = TYPE_COUNT;
        ar << type_count;
        for (TYPE_ENUM type : ALL_TYPES)
            save_text(ar, type_name(type));
        const std::size_t definition_count = m_definitions.size();
        ar << definition_count;
        for (DEFINITION_HANDLE definition : m_definitions) {
            const DCL_TRAIT_NAME& name = definition->name();
            const int category = name.get_category();
            ar << category;
            save_text(ar, name.get_group_str());
            save_text(ar, name.get_basename_str());
            const int type = static_cast<int>(definition->type());
            ar << type;
            const VALUE* default_value = table.default_value_impl(definition);
            const int has_default = default_value != nullptr ? 1 : 0;
            ar << has_default;
            if (default_value != nullptr) save_value(ar, *default_value);
        }
        const std::size_t record_count = m_records.size();
        ar << record_count;
        for (const RECORD& record : m_records) {
            ar << record.number;
            save_values(ar, record.own);
            const std::size_t child_count = record.children.size();
            ar << child_count;
            for (const auto& [name, values] : record.children) {
                save_text(ar, name);
                save_values(ar, values);
            }
        }
    }
    return static_cast<bool>(out);
}

// ---- LOAD_TRACKER --------------------------------------------------------------------------------

LOAD_TRACKER::LOAD_TRACKER(std::type_index owner) : m_owner(owner) {}

void LOAD_TRACKER::load(const std::string& text, const RECORD_SINK& on_record, const CHILD_SINK& on_child)
{
    RDB_ASSERT(!is_finalised());
    struct STORED_DEFINITION {
        DCL_TRAIT_NAME name;
        TYPE_ENUM type;
    };
    try {
        ARCHIVE_READER reader(text);
        if (reader.number<unsigned>() > TRACKER_ARCHIVE_VERSION)
            throw ARCHIVE_ERROR("Trait archive was written by a later version");

        // Our value-type names must be a leading part of the archive's.
        const std::size_t type_count = reader.count();
        std::vector<std::string> type_names;
        for (std::size_t i = 0; i < type_count; ++i)
            type_names.push_back(reader.text());
        if (type_names.size() < TYPE_COUNT) throw ARCHIVE_ERROR("Trait archive lists too few value types");
        for (int i = 0; i < TYPE_COUNT; ++i)
            if (type_names[static_cast<std::size_t>(i)] != type_name(ALL_TYPES[i]))
                throw ARCHIVE_ERROR("Trait archive value type " + type_names[static_cast<std::size_t>(i)] +
                                    " does not match " + type_name(ALL_TYPES[i]));

        TRAIT_TABLE& table = GLOBAL_TRAIT_TABLE_ACCESSOR::get();
        std::vector<STORED_DEFINITION> definitions;
        const std::size_t definition_count = reader.count();
        for (std::size_t i = 0; i < definition_count; ++i) {
            const int category = reader.number<int>();
            std::string group = reader.text();
            std::string basename = reader.text();
            const int type_index = reader.number<int>();
            if (type_index < 0 || type_index >= TYPE_COUNT)
                throw ARCHIVE_ERROR("Trait archive names an unknown value type");
            const TYPE_ENUM type = ALL_TYPES[type_index];
            const int has_default = reader.number<int>();
            if (has_default != 0 && has_default != 1) throw ARCHIVE_ERROR("Trait archive holds a malformed definition");
            std::optional<VALUE> default_value;
            if (has_default == 1) default_value = reader.value(type);
            DCL_TRAIT_NAME name(category, std::move(group), std::move(basename));
            for (const STORED_DEFINITION& earlier : definitions)
                if (earlier.name == name)
                    throw ARCHIVE_ERROR("Trait archive defines " + name.get_full_name_str() + " twice");
            if (std::optional<DEFINITION_HANDLE> registered = table.find_definition_impl(m_owner, name)) {
                const DEFINITION& known = **registered;
                if (known.type() != type || !same_default(known.attributes().default_value, default_value))
                    throw ARCHIVE_ERROR("Trait definition " + name.get_full_name_str() +
                                        " does not match the registered definition");
            }
            definitions.push_back({std::move(name), type});
        }

        auto read_values = [&]() {
            TRACKED_VALUES values;
            const std::size_t count = reader.count();
            for (std::size_t i = 0; i < count; ++i) {
                const int index = reader.number<int>();
                if (index < 0 || static_cast<std::size_t>(index) >= definitions.size())
                    throw ARCHIVE_ERROR("Trait archive names an unknown definition");
                const STORED_DEFINITION& definition = definitions[static_cast<std::size_t>(index)];
                values.push_back({definition.name, definition.type, reader.value(definition.type)});
            }
            return values;
        };
        const std::size_t record_count = reader.count();
        for (std::size_t r = 0; r < record_count; ++r) {
            const int number = reader.number<int>();
            on_record(number, read_values());
            const std::size_t child_count = reader.count();
            for (std::size_t c = 0; c < child_count; ++c) {
                std::string name = reader.text();
                on_child(number, name, read_values());
            }
        }
    } catch (const boost::archive::archive_exception& e) {
        throw ARCHIVE_ERROR(std::string("Trait archive is malformed: ") + e.what());
    } catch (const std::ios_base::failure& e) {
        throw ARCHIVE_ERROR(std::string("Trait archive is malformed: ") + e.what());
    }
}

} // namespace DTRAIT
