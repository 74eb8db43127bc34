#pragma once
// Persistent segment store: binary archives of persistent objects.
//
// Every persistent class derives from PDB_VIRTUAL_OBJECT and describes itself with one transfer
// routine (serialize) that lists its fields in a fixed order; the same routine writes them into a
// segment or reads them back, because every transfer call takes the field by reference. Each class
// has a class record (PDB_CLASS_THUNK) registered by name, through which loading creates objects of
// the class, checks them and destroys them again when a file turns out to be bad.
//
// An archive file is a header (magic number, format version, payload length, CRC-32 of the payload,
// CRC-32 of the header) followed by the payload: the root object as an owned pointer. Files are
// replaced atomically, and loading trusts nothing: every count, length, class name, id and pointer
// is checked, and a bad file gives no object, never a crash or a leak.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <string_view>
#include <typeinfo>
#include <unordered_map>
#include <vector>

class PDB_SEGMENT;
class PDB_VIRTUAL_OBJECT;

// ---- Class records -------------------------------------------------------------------------------

// The record through which the store handles objects of one class ("class thunk").
struct PDB_THUNK_INFO {
    const char* class_name;
    const PDB_THUNK_INFO* parent; // the base class's record; null for a root class
    std::size_t object_size;
    const std::type_info* type;
    // A new object with default contents; null for classes that loading never creates.
    PDB_VIRTUAL_OBJECT* (*create)();
    // Prepares a loaded object for destruction by the store (report objects become NOT_OWNED).
    void (*disown)(PDB_VIRTUAL_OBJECT* object);
    // Destroys an object the store created.
    void (*destroy)(PDB_VIRTUAL_OBJECT* object);
    // Invariants of the class's own fields after a whole file is loaded; false means corruption.
    bool (*check)(const PDB_VIRTUAL_OBJECT* object);
    // Set on a class whose objects (and those of every derived class) are never the target of a
    // non-owning pointer, such as table cells: writing and reading skip their id bookkeeping, which
    // would otherwise dominate the cost of large tables. Set it before the first write. Reading runs
    // the check of such an object right after its own fields are read, not after the whole file, so
    // it may look only at the object itself; a class with a disown keeps the full bookkeeping.
    bool never_referenced = false;

    // True when this class is base or derives from it.
    bool is_a(const PDB_THUNK_INFO* base) const;
    // True when this class or one of its bases is never referenced.
    bool is_never_referenced() const;
};
using PDB_STATIC_THUNK_INFO = PDB_THUNK_INFO;
using PDB_VIRTUAL_THUNK_INFO = PDB_THUNK_INFO;

// Registers a class record by its name; a second record with the same name is an internal error.
void pdb_register_class(const PDB_THUNK_INFO* thunk);
void pdb_unregister_class(const PDB_THUNK_INFO* thunk);
// The record registered for the name, or null.
const PDB_THUNK_INFO* pdb_find_class(std::string_view class_name);

// The class record of T, registered for the life of the object (a static member of T).
template <class T> class PDB_CLASS_THUNK : public PDB_THUNK_INFO {
public:
    PDB_CLASS_THUNK(const char* name, const PDB_THUNK_INFO* parent_thunk, PDB_VIRTUAL_OBJECT* (*create_fn)(),
                    void (*disown_fn)(PDB_VIRTUAL_OBJECT*) = nullptr,
                    bool (*check_fn)(const PDB_VIRTUAL_OBJECT*) = nullptr)
        : PDB_THUNK_INFO{name,      parent_thunk,    sizeof(T), &typeid(T), create_fn,
                         disown_fn, &destroy_object, check_fn,  false}
    {
        pdb_register_class(this);
    }
    ~PDB_CLASS_THUNK() { pdb_unregister_class(this); }
    PDB_CLASS_THUNK(const PDB_CLASS_THUNK&) = delete;
    PDB_CLASS_THUNK& operator=(const PDB_CLASS_THUNK&) = delete;

private:
    static void destroy_object(PDB_VIRTUAL_OBJECT* object);
};

// The persistence declarations of one persistent class: its transfer routine and its class record.
// Place in the class's public section; define serialize and s_thunk in the class's transfer source.
#define PDB_DECLARE_PERSISTENT(CLASS)                                                                                  \
    void serialize(PDB_SEGMENT& segment) override;                                                                     \
    const PDB_THUNK_INFO* pdb_thunk_info() const override { return &s_thunk; }                                         \
    static const PDB_THUNK_INFO* pdb_thunk() { return &s_thunk; }                                                      \
    static PDB_CLASS_THUNK<CLASS> s_thunk;

// The common base of every persistent class.
class PDB_VIRTUAL_OBJECT {
public:
    virtual ~PDB_VIRTUAL_OBJECT() = default;
    // The transfer routine: writes the fields into the segment or reads them from it, in one order.
    virtual void serialize(PDB_SEGMENT& segment) = 0;
    // The record of the object's own class.
    virtual const PDB_THUNK_INFO* pdb_thunk_info() const = 0;

protected:
    PDB_VIRTUAL_OBJECT() = default;
    PDB_VIRTUAL_OBJECT(const PDB_VIRTUAL_OBJECT&) = default;
    PDB_VIRTUAL_OBJECT& operator=(const PDB_VIRTUAL_OBJECT&) = default;
};

template <class T> void PDB_CLASS_THUNK<T>::destroy_object(PDB_VIRTUAL_OBJECT* object) { delete object; }

// ---- Segments ------------------------------------------------------------------------------------

// A transfer failed: a corrupt or truncated segment on reading, an object the store cannot write on
// writing. Caught by the archive; never reaches callers of PDB_ARCHIVE.
class PDB_TRANSFER_ERROR : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Deepest nesting of owned objects a segment writes or reads.
constexpr int PDB_MAX_NESTING = 256;

class PDB_SEGMENT {
public:
    enum class MODE { WRITE, READ };

    // A segment writing into an empty payload, after `reserved` zero bytes that take_image() hands
    // out in front of it (room for a header, so that the payload is never copied).
    explicit PDB_SEGMENT(std::size_t reserved = 0);
    // Reading: where the bytes of a payload come from when it is not in memory as a whole.
    class SOURCE {
    public:
        virtual ~SOURCE() = default;
        // Reads up to size bytes of the payload into data and answers their count, 0 only at its
        // end; throws PDB_TRANSFER_ERROR when the bytes cannot be read.
        virtual std::size_t read(char* data, std::size_t size) = 0;
        // Runs once every byte of the payload was read, before any object is checked; throws
        // PDB_TRANSFER_ERROR when the bytes prove damaged.
        virtual void finish() {}
    };
    // A segment reading the payload (which must outlive the segment).
    explicit PDB_SEGMENT(std::string_view payload);
    // A segment reading a payload of length bytes from source (which must outlive the segment)
    // through a window of window bytes, grown only for a single item larger than it.
    PDB_SEGMENT(SOURCE& source, std::uint64_t length, std::size_t window = std::size_t{1} << 20);
    // Destroys whatever a failed or unfinished read created.
    ~PDB_SEGMENT();
    PDB_SEGMENT(const PDB_SEGMENT&) = delete;
    PDB_SEGMENT& operator=(const PDB_SEGMENT&) = delete;

    MODE mode() const { return m_mode; }
    bool is_reading() const { return m_mode == MODE::READ; }
    bool is_writing() const { return m_mode == MODE::WRITE; }

    // Class record begin and end; every transfer routine brackets its fields with them.
    void begin_class(const PDB_THUNK_INFO* thunk, const void* object)
    {
        begin_class(thunk != nullptr ? thunk->class_name : "?", object);
    }
    void begin_class(const char* class_name, const void*)
    {
        if (m_bit_count != 0) flush_bits();
        m_frames.push_back(FRAME{class_name, 0, ""});
    }
    void end_class()
    {
        if (m_bit_count != 0) flush_bits();
        if (m_frames.size() > 1) m_frames.pop_back();
    }
    // The trace position: the source line and the field's name, reported with any failure. It runs
    // for every field, so it only stores: the first frame, outside every class, always exists.
    void trace(int line, const char* field)
    {
        FRAME& frame = m_frames.back();
        frame.line = line;
        frame.field = field;
    }

    // Plain fields.
    void transfer(bool& value)
    {
        if (m_bit_count != 0) flush_bits();
        if (is_writing()) return put_byte(value ? 1 : 0);
        const unsigned char byte = get_byte();
        if (byte > 1) fail_bool(byte);
        value = byte == 1;
    }
    void transfer(std::int32_t& value);
    void transfer(std::uint32_t& value);
    void transfer(std::int64_t& value);
    void transfer(std::uint64_t& value);
    void transfer(float& value);
    void transfer(double& value);
    void transfer(std::string& value);
    // A text that may be absent (null), as distinct from empty.
    void transfer(std::optional<std::string>& value);
    // Writing: a C text that may be null, in the form of transfer(std::optional<std::string>&),
    // without copying it first.
    void write_optional_text(const char* text)
    {
        bool present = text != nullptr;
        transfer(present);
        if (present) write_text_bytes(text, std::strlen(text));
    }
    // Reading: a text in the form of transfer(std::optional<std::string>&), as a view into the
    // segment that is valid only until its next transfer; nullopt when the text is absent.
    std::optional<std::string_view> read_optional_text()
    {
        bool present = false;
        transfer(present);
        if (!present) return std::nullopt;
        const std::uint32_t length = get_u32();
        require_items(length, 1);
        return take_view(length);
    }
    void transfer(std::vector<std::byte>& value);
    template <class T> void transfer(std::vector<T>& values);
    // An enumeration as int; on reading, a value outside [min_value, max_value] is corruption.
    template <class E> void transfer_enum(E& value, int min_value, int max_value);
    // An n-bit field (1 to 32 bits). Consecutive bit fields share bytes, bit 0 first; any other
    // transfer starts a new byte.
    void transfer_bits(std::uint32_t& value, int width)
    {
        // A byte-wide field on a byte boundary (the colours of every cell) is one whole byte.
        if (width != 8 || m_bit_count != 0) return transfer_bit_field(value, width);
        if (is_writing())
            put_byte(static_cast<char>(value & 0xFF));
        else
            value = get_byte();
    }
    void transfer_bit(bool& value);

    // A persistent pointer that does not own: written as the id of an object already written (null
    // as 0). On reading it must name an object already read, of class T.
    template <class T> void transfer_ptr(T*& pointer);
    // An owned persistent pointer: the object is written here, once. On reading it is always a new
    // object of class T (or a derived class), so owners can never share or cycle.
    template <class T> void transfer_owned(T*& pointer);
    template <class T> void transfer_owned(std::list<T*>& pointers, bool allow_null);
    template <class T> void transfer_owned(std::vector<T*>& pointers, bool allow_null);
    template <class T> void transfer_ptr(std::vector<T*>& pointers);
    // An owned pointer to a plain (non-polymorphic) record whose serialize(PDB_SEGMENT&) transfers it.
    template <class T> void transfer_record(T*& pointer);

    // Reading: stops the transfer as corrupt.
    [[noreturn]] void fail(const std::string& reason);
    // Reading: fails unless count items of at least item_size bytes each can still follow.
    void require_items(std::uint64_t count, std::size_t item_size)
    {
        if (count > remaining() / (item_size == 0 ? 1 : item_size)) fail_count(count);
    }
    // Reading: runs once the whole segment is read and every object checked; false means corruption.
    void defer_check(std::function<bool()> check);
    // Reading: runs after every check passed, before the root is handed out; must not fail.
    void defer_commit(std::function<void()> commit);

    // A value of type T shared by every transfer routine of this segment (made on first use).
    template <class T> T& context();

    // Writing: the payload so far.
    std::string_view payload() const
    {
        return std::string_view(m_out.data() + m_reserved, static_cast<std::size_t>(m_cur - m_out.data()) - m_reserved);
    }
    // Writing: hands out the reserved bytes followed by the payload; the segment is spent.
    std::string take_image();
    // Writing: hands the payload to sink in pieces of about chunk bytes as it grows, instead of
    // keeping it whole (payload() then holds only what was not handed out yet). A sink that cannot
    // take the bytes throws PDB_TRANSFER_ERROR, which stops the write.
    void set_sink(std::function<void(std::string_view)> sink, std::size_t chunk = std::size_t{1} << 20);
    // Writing: hands whatever is left to the sink.
    void drain();
    // Reading: bytes not yet consumed.
    std::size_t remaining() const { return static_cast<std::size_t>(m_in_size - position()); }

    // The root object: written as an owned pointer. Reading answers the checked root, owned by the
    // caller, or throws PDB_TRANSFER_ERROR after destroying everything the read created.
    void write_root(const PDB_VIRTUAL_OBJECT& root);
    std::unique_ptr<PDB_VIRTUAL_OBJECT> read_root();

private:
    struct CREATED {
        PDB_VIRTUAL_OBJECT* object;
        const PDB_THUNK_INFO* thunk;
        std::uint32_t id;
        bool stored;
    };
    using TYPE_TEST = bool (*)(PDB_VIRTUAL_OBJECT*);
    // Reading: a class introduced by the segment; unrecorded objects are never referenced and have
    // no disown, so they need no entry in m_created once an owner holds them. The class record and
    // type test depend only on an object's dynamic type, so the type and test that last passed them
    // are kept: a long run of objects of one class (a table's cells) pays for one test.
    struct READ_CLASS {
        const PDB_THUNK_INFO* thunk;
        bool unrecorded;
        bool has_check; // the class or one of its bases has a check
        const std::type_info* verified_type;
        TYPE_TEST verified_test;
    };
    // The creation index read_owned answers for an unrecorded object: it is then the top of
    // m_unrecorded until mark_stored hands it to its owner.
    static constexpr std::size_t UNRECORDED = SIZE_MAX;
    struct FRAME {
        const char* class_name;
        int line;
        const char* field;
    };

    void flush_bits();
    // Writing: bytes go straight into the output buffer while they fit; put_more makes room.
    void put_bytes(const void* data, std::size_t size)
    {
        if (static_cast<std::size_t>(m_end - m_cur) >= size) {
            if (size != 0) std::memcpy(m_cur, data, size);
            m_cur += size;
            return;
        }
        put_more(static_cast<const char*>(data), size);
    }
    void put_byte(char byte)
    {
        if (m_cur == m_end) return put_more(&byte, 1);
        *m_cur++ = byte;
    }
    void put_u32(std::uint32_t value)
    {
        if (m_end - m_cur < 4) {
            const char bytes[4] = {static_cast<char>(value), static_cast<char>(value >> 8),
                                   static_cast<char>(value >> 16), static_cast<char>(value >> 24)};
            return put_more(bytes, 4);
        }
        m_cur[0] = static_cast<char>(value);
        m_cur[1] = static_cast<char>(value >> 8);
        m_cur[2] = static_cast<char>(value >> 16);
        m_cur[3] = static_cast<char>(value >> 24);
        m_cur += 4;
    }
    // Writing: checks the object's class record and writes its class index (with the name the first
    // time), and makes it the cached class.
    void write_class(const PDB_THUNK_INFO* thunk, const std::type_info* type, const PDB_VIRTUAL_OBJECT* object);
    // Writing: drains a full buffer to the sink, or grows it when there is none, and puts the bytes.
    void put_more(const char* data, std::size_t size);
    // Writing: points the cursor at offset used of an output buffer of the current size.
    void rebase_output(std::size_t used);
    void get_bytes(void* data, std::size_t size);
    // Reading: the payload offset of the next byte, and the bytes the window holds from it on.
    std::uint64_t position() const { return m_window_at + static_cast<std::uint64_t>(m_next - m_window); }
    std::size_t available() const { return static_cast<std::size_t>(m_limit - m_next); }
    // Reading: makes the window hold at least size bytes from the next one on, or fails.
    void refill(std::size_t size);
    unsigned char get_byte()
    {
        if (m_next == m_limit) refill(1);
        return static_cast<unsigned char>(*m_next++);
    }
    // Reading: the next size bytes as one piece of the window, valid until the next read.
    std::string_view take_view(std::size_t size)
    {
        if (available() < size) refill(size);
        const std::string_view view(m_next, size);
        m_next += size;
        return view;
    }
    std::uint32_t get_u32()
    {
        if (available() < 4) refill(4);
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_next);
        m_next += 4;
        return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
               std::uint32_t{bytes[3]} << 24;
    }
    [[noreturn]] void fail_count(std::uint64_t count);
    // Writing: a text's length and bytes.
    void write_text_bytes(const char* text, std::size_t size)
    {
        if (size > 0xFFFFFFFFu) fail("text longer than 4 GiB");
        put_u32(static_cast<std::uint32_t>(size));
        put_bytes(text, size);
    }
    [[noreturn]] void fail_bool(unsigned char byte);
    // Bit fields other than a whole byte on a byte boundary.
    void transfer_bit_field(std::uint32_t& value, int width);
    std::string where() const;

    // Writing and reading of pointers; the templates add the type test.
    void write_owned(const PDB_VIRTUAL_OBJECT* object);
    // Creates and reads an owned object; null for a null pointer. index receives its creation index.
    PDB_VIRTUAL_OBJECT* read_owned(TYPE_TEST test, const char* expected, std::size_t& index);
    void mark_stored(std::size_t index)
    {
        if (index == UNRECORDED)
            --m_unrecorded_count;
        else
            m_created[index].stored = true;
    }
    // Runs the checks of the object's class and of its bases; a check that does not hold fails the read.
    void check_object(const CREATED& created);
    void write_ref(const PDB_VIRTUAL_OBJECT* object);
    PDB_VIRTUAL_OBJECT* read_ref(TYPE_TEST test, const char* expected);
    void enter_object();
    void leave_object() { --m_nesting; }
    // Runs the checks and commits of a finished read.
    void finish_read();
    // Destroys what an unfinished read created: disown every object, then destroy those not stored.
    void discard_created();

    MODE m_mode;
    // Writing: the output buffer (its whole size is usable), the end of the bytes put so far and
    // the buffer's end.
    std::string m_out;
    char* m_cur = nullptr;
    char* m_end = nullptr;
    std::size_t m_reserved = 0;
    std::function<void(std::string_view)> m_sink;
    // Reading: the window over the payload (all of it for a payload in memory, else a piece of
    // m_buffer that refill replaces from m_source), its first byte's payload offset, the next byte
    // to read and the end of the bytes it holds, and the payload's length.
    SOURCE* m_source = nullptr;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_buffer_size = 0;
    const char* m_window = nullptr;
    std::uint64_t m_window_at = 0;
    const char* m_next = nullptr;
    const char* m_limit = nullptr;
    std::uint64_t m_in_size = 0;
    std::uint64_t m_bits = 0;
    int m_bit_count = 0;
    int m_nesting = 0;
    std::vector<FRAME> m_frames;
    // Writing: the objects written so far, each with its id (1, 2, ... in writing order). Open
    // addressing keyed by the address: objects made one after another sit at nearby addresses, so
    // their slots are neighbours too and a write of millions of objects stays in cache.
    class OBJECT_IDS {
    public:
        // The object's id, or 0 when it was not written.
        std::uint32_t find(const PDB_VIRTUAL_OBJECT* object) const;
        // Gives the object the next id; false when it already has one.
        bool insert(const PDB_VIRTUAL_OBJECT* object);
        // Uses up the next id for an object that is never referenced, without recording it.
        void skip() { ++m_count; }

    private:
        std::size_t slot_of(const PDB_VIRTUAL_OBJECT* object) const;
        void grow();
        std::vector<std::pair<const PDB_VIRTUAL_OBJECT*, std::uint32_t>> m_slots;
        std::uint32_t m_count = 0;
    };
    OBJECT_IDS m_written;
    // Writing: class record → class index.
    struct CLASS_ENTRY {
        std::uint32_t index;
        bool referenced;
    };
    std::unordered_map<const PDB_THUNK_INFO*, CLASS_ENTRY> m_class_index;
    // Writing: the class of the last object written, its entry, and the dynamic type that was
    // found to have that class record (a table's cells are mostly of one class).
    const PDB_THUNK_INFO* m_last_thunk = nullptr;
    const CLASS_ENTRY* m_last_entry = nullptr;
    const std::type_info* m_last_type = nullptr;
    // Reading: the objects that may be referenced, in ascending id order (found by binary search),
    // the unrecorded objects being read and not yet held by an owner (a stack, innermost last, as
    // deep as the nesting allows, so that pushing never allocates), the number of objects created so
    // far (the last id given), and the class records by class index - 1.
    std::vector<CREATED> m_created;
    std::unique_ptr<CREATED[]> m_unrecorded;
    std::size_t m_unrecorded_count = 0;
    std::uint32_t m_read_count = 0;
    std::vector<READ_CLASS> m_classes;
    std::vector<std::function<bool()>> m_checks;
    std::vector<std::function<void()>> m_commits;
    bool m_finished = false;
    std::unordered_map<const std::type_info*, std::shared_ptr<void>> m_contexts;
};

template <class T> T& PDB_SEGMENT::context()
{
    std::shared_ptr<void>& slot = m_contexts[&typeid(T)];
    if (!slot) slot = std::make_shared<T>();
    return *static_cast<T*>(slot.get());
}

template <class T> void PDB_SEGMENT::transfer(std::vector<T>& values)
{
    std::uint32_t count = static_cast<std::uint32_t>(values.size());
    transfer(count);
    if (is_writing()) {
        for (T& value : values)
            transfer(value);
        return;
    }
    require_items(count, 1);
    values.clear();
    values.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        T value{};
        transfer(value);
        values.push_back(std::move(value));
    }
}

template <class E> void PDB_SEGMENT::transfer_enum(E& value, int min_value, int max_value)
{
    std::int32_t number = static_cast<std::int32_t>(value);
    transfer(number);
    if (is_writing()) return;
    if (number < min_value || number > max_value) fail("enumeration value " + std::to_string(number) + " out of range");
    value = static_cast<E>(number);
}

template <class T> void PDB_SEGMENT::transfer_ptr(T*& pointer)
{
    if (is_writing()) {
        write_ref(pointer);
        return;
    }
    TYPE_TEST test = [](PDB_VIRTUAL_OBJECT* object) { return dynamic_cast<T*>(object) != nullptr; };
    pointer = static_cast<T*>(read_ref(test, typeid(T).name())); // read_ref checked the class
}

template <class T> void PDB_SEGMENT::transfer_owned(T*& pointer)
{
    if (is_writing()) {
        write_owned(pointer);
        return;
    }
    TYPE_TEST test = [](PDB_VIRTUAL_OBJECT* object) { return dynamic_cast<T*>(object) != nullptr; };
    std::size_t index = 0;
    PDB_VIRTUAL_OBJECT* object = read_owned(test, typeid(T).name(), index);
    pointer = static_cast<T*>(object); // read_owned checked the class
    if (object != nullptr) mark_stored(index);
}

template <class T> void PDB_SEGMENT::transfer_owned(std::list<T*>& pointers, bool allow_null)
{
    std::uint32_t count = static_cast<std::uint32_t>(pointers.size());
    transfer(count);
    if (is_writing()) {
        for (T* pointer : pointers)
            transfer_owned(pointer);
        return;
    }
    require_items(count, 4);
    TYPE_TEST test = [](PDB_VIRTUAL_OBJECT* object) { return dynamic_cast<T*>(object) != nullptr; };
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t index = 0;
        PDB_VIRTUAL_OBJECT* object = read_owned(test, typeid(T).name(), index);
        if (object == nullptr && !allow_null) fail("null pointer in a list that allows none");
        pointers.push_back(static_cast<T*>(object));
        if (object != nullptr) mark_stored(index);
    }
}

template <class T> void PDB_SEGMENT::transfer_owned(std::vector<T*>& pointers, bool allow_null)
{
    std::uint32_t count = static_cast<std::uint32_t>(pointers.size());
    transfer(count);
    if (is_writing()) {
        for (T* pointer : pointers)
            transfer_owned(pointer);
        return;
    }
    require_items(count, 4);
    pointers.reserve(pointers.size() + count);
    TYPE_TEST test = [](PDB_VIRTUAL_OBJECT* object) { return dynamic_cast<T*>(object) != nullptr; };
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t index = 0;
        PDB_VIRTUAL_OBJECT* object = read_owned(test, typeid(T).name(), index);
        if (object == nullptr && !allow_null) fail("null pointer in a vector that allows none");
        pointers.push_back(static_cast<T*>(object));
        if (object != nullptr) mark_stored(index);
    }
}

template <class T> void PDB_SEGMENT::transfer_ptr(std::vector<T*>& pointers)
{
    std::uint32_t count = static_cast<std::uint32_t>(pointers.size());
    transfer(count);
    if (is_writing()) {
        for (T* pointer : pointers)
            transfer_ptr(pointer);
        return;
    }
    require_items(count, 4);
    pointers.clear();
    pointers.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        T* pointer = nullptr;
        transfer_ptr(pointer);
        pointers.push_back(pointer);
    }
}

template <class T> void PDB_SEGMENT::transfer_record(T*& pointer)
{
    bool present = pointer != nullptr;
    transfer(present);
    if (is_writing()) {
        if (pointer != nullptr) pointer->serialize(*this);
        return;
    }
    pointer = nullptr;
    if (!present) return;
    enter_object();
    std::unique_ptr<T> record(new T());
    record->serialize(*this);
    leave_object();
    pointer = record.release();
}

// ---- Archives ------------------------------------------------------------------------------------

// Steps of an atomic file write, for fault injection in tests.
enum class PDB_WRITE_STEP { OPEN, WRITE, SYNC, CLOSE, RENAME, SYNC_DIRECTORY };
// Called before each step; answering true makes that step fail as if the system call had failed.
using PDB_WRITE_FAULT_HOOK = bool (*)(PDB_WRITE_STEP step);
// Installs the hook (null: none); returns the previous one.
PDB_WRITE_FAULT_HOOK pdb_set_write_fault_hook(PDB_WRITE_FAULT_HOOK hook);

// Writes bytes to path atomically: a reader sees the old file or the new one, never a mixture,
// also after a crash. False (with a reason in error) on failure, leaving the old file intact.
bool pdb_write_file_atomically(const std::string& path, std::string_view bytes, std::string* error);
// A file written in pieces that replaces target atomically once committed: the pieces go to a fresh
// temporary file beside target; commit syncs it, renames it over target and syncs the folder. Any
// failure, and destruction without commit, removes the temporary file and leaves target alone.
//
// commit is finish (sync and close the temporary file) followed by publish (the rename). Callers that
// replace several files as one change finish every file first and publish only when all are whole.
class PDB_ATOMIC_FILE {
public:
    explicit PDB_ATOMIC_FILE(const std::string& target);
    ~PDB_ATOMIC_FILE();
    PDB_ATOMIC_FILE(const PDB_ATOMIC_FILE&) = delete;
    PDB_ATOMIC_FILE& operator=(const PDB_ATOMIC_FILE&) = delete;

    bool is_open() const { return m_fd >= 0; }
    // Appends bytes; false (reason in error()) when they cannot be written.
    bool write(std::string_view bytes);
    // Overwrites bytes already written at offset.
    bool write_at(std::uint64_t offset, std::string_view bytes);
    // Makes the written bytes durable and closes the temporary file; it is not yet in place.
    bool finish();
    // Renames the finished temporary file over target and makes the rename durable.
    bool publish();
    bool commit() { return finish() && publish(); }
    const std::string& error() const { return m_error; }
    // The system's reason for the failure ("No space left on device"), without the file name.
    const std::string& reason() const { return m_reason; }
    const std::string& target() const { return m_target; }
    const std::string& temp_path() const { return m_temp; }

private:
    // Closes and removes the temporary file; records what failed (unless null). Answers false.
    bool give_up(const char* what);

    std::string m_target;
    std::string m_temp;
    int m_fd = -1; // the open temporary file, or -1
    bool m_has_temp = false; // the temporary file exists and is ours to remove
    bool m_finished = false;
    std::string m_error;
    std::string m_reason;
};

// An output stream buffer that hands its bytes to a sink in large pieces, for writers that produce a
// stream (the sink of a PDB_ATOMIC_FILE is its write). After the sink's first failure later output
// is dropped and the buffer reports failure.
class PDB_OUTPUT_BUF : public std::streambuf {
public:
    using SINK = std::function<bool(std::string_view bytes)>;
    explicit PDB_OUTPUT_BUF(SINK sink);
    explicit PDB_OUTPUT_BUF(PDB_ATOMIC_FILE& file);
    // Hands over what is buffered; false when any piece failed.
    bool flush_all();

protected:
    int_type overflow(int_type c) override;
    int sync() override;
    std::streamsize xsputn(const char* data, std::streamsize count) override;

private:
    SINK m_sink;
    std::vector<char> m_buffer;
    bool m_failed = false;
};

// Makes an already written and closed temporary file the new contents of target, atomically and
// durably (syncs the file, renames it over target, syncs the folder). Removes temp on failure.
bool pdb_replace_file(const std::string& temp, const std::string& target, std::string* error);
// A fresh temporary file name beside target (the same folder, so that rename is atomic).
std::string pdb_temp_file_name(const std::string& target);
// True for names pdb_temp_file_name makes (listings skip them).
bool pdb_is_temp_file_name(std::string_view file_name);
// True for a temporary file name whose writer is gone: the process named in it no longer exists, so
// nobody will finish or remove the file.
bool pdb_is_stale_temp_file_name(std::string_view file_name);
// Removes the stale temporary files of target (those a killed writer left beside it); answers the
// paths removed.
std::vector<std::string> pdb_remove_stale_temp_files(const std::string& target);

// CRC-32 (the zlib polynomial) of bytes.
std::uint32_t pdb_crc32(std::string_view bytes);
// Size of the archive header in bytes.
constexpr std::size_t PDB_HEADER_SIZE = 32;
constexpr std::uint32_t PDB_FORMAT_VERSION = 1;

// What identifies the contents of an archive file: its payload's length and CRC-32, as its header
// records them. Another file that names the same stamp was written from the same contents.
struct PDB_ARCHIVE_STAMP {
    std::uint64_t length = 0;
    std::uint32_t crc32 = 0;
    bool operator==(const PDB_ARCHIVE_STAMP&) const = default;
};

class PDB_ARCHIVE {
public:
    explicit PDB_ARCHIVE(std::string path) : m_path(std::move(path)) {}

    // The archive's file path.
    const std::string& filename() const { return m_path; }
    // Writes root atomically; false (reason in last_error) when the root cannot be written.
    bool write_root(const PDB_VIRTUAL_OBJECT& root);
    // Writes the archive of root into file (a temporary file, left unfinished for the caller to
    // finish and publish) and its stamp; false with a reason in error.
    static bool write_root_to(PDB_ATOMIC_FILE& file, const PDB_VIRTUAL_OBJECT& root, PDB_ARCHIVE_STAMP* stamp,
                              std::string* error);
    // The stamp in the header of the archive file at path; nullopt when the file cannot be read or
    // its header is damaged (the payload is not checked).
    static std::optional<PDB_ARCHIVE_STAMP> read_stamp(const std::string& path);
    // The root read from the file, owned by the caller; null when the file is missing, truncated,
    // corrupt or of another format (reason in last_error).
    std::unique_ptr<PDB_VIRTUAL_OBJECT> read_root();
    const std::string& last_error() const { return m_error; }

    // The whole file image of root (header and payload); false when root cannot be written.
    static bool encode(const PDB_VIRTUAL_OBJECT& root, std::string& image, std::string* error);
    // The root read from a file image; null when it is bad in any way.
    static std::unique_ptr<PDB_VIRTUAL_OBJECT> decode(std::string_view image, std::string* error);
    // Recomputes the header's length and checksums after the payload of an image was changed
    // (for tools and tests that build or damage images on purpose).
    static void reseal(std::string& image);

private:
    std::string m_path;
    std::string m_error;
};
