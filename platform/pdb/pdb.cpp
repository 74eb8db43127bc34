#include "pdb/pdb.h"

#include <algorithm>
#include <charconv>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include "msg/msg.h"

// ---- Class records -------------------------------------------------------------------------------

namespace {

struct CLASS_REGISTRY {
    std::mutex mutex;
    std::map<std::string, const PDB_THUNK_INFO*, std::less<>> by_name;
};

// Never destroyed: class records of other libraries may unregister during exit.
CLASS_REGISTRY& class_registry()
{
    static CLASS_REGISTRY* registry = new CLASS_REGISTRY;
    return *registry;
}

constexpr std::size_t MAX_CLASS_NAME = 256;
constexpr char MAGIC[8] = {'\x89', 'P', 'D', 'B', '\r', '\n', '\x1a', '\n'};

void put_le(char* out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t get_le(const char* in, int bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    return value;
}

bool has_disown(const PDB_THUNK_INFO* thunk)
{
    for (; thunk != nullptr; thunk = thunk->parent)
        if (thunk->disown != nullptr) return true;
    return false;
}

bool has_check(const PDB_THUNK_INFO* thunk)
{
    for (; thunk != nullptr; thunk = thunk->parent)
        if (thunk->check != nullptr) return true;
    return false;
}

} // namespace

bool PDB_THUNK_INFO::is_a(const PDB_THUNK_INFO* base) const
{
    for (const PDB_THUNK_INFO* thunk = this; thunk != nullptr; thunk = thunk->parent)
        if (thunk == base) return true;
    return false;
}

bool PDB_THUNK_INFO::is_never_referenced() const
{
    for (const PDB_THUNK_INFO* thunk = this; thunk != nullptr; thunk = thunk->parent)
        if (thunk->never_referenced) return true;
    return false;
}

void pdb_register_class(const PDB_THUNK_INFO* thunk)
{
    RDB_ASSERT(thunk != nullptr && thunk->class_name != nullptr);
    CLASS_REGISTRY& registry = class_registry();
    std::unique_lock<std::mutex> lock(registry.mutex);
    bool inserted = registry.by_name.emplace(thunk->class_name, thunk).second;
    lock.unlock();
    RDB_ASSERT_MSG(inserted, "class record registered twice");
}

void pdb_unregister_class(const PDB_THUNK_INFO* thunk)
{
    CLASS_REGISTRY& registry = class_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.by_name.find(thunk->class_name);
    if (it != registry.by_name.end() && it->second == thunk) registry.by_name.erase(it);
}

const PDB_THUNK_INFO* pdb_find_class(std::string_view class_name)
{
    CLASS_REGISTRY& registry = class_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.by_name.find(class_name);
    return it == registry.by_name.end() ? nullptr : it->second;
}

// ---- Segments ------------------------------------------------------------------------------------

std::size_t PDB_SEGMENT::OBJECT_IDS::slot_of(const PDB_VIRTUAL_OBJECT* object) const
{
    // The address less its alignment bits, with the high bits folded in so that distant regions
    // spread; neighbouring objects keep neighbouring slots.
    const auto address = reinterpret_cast<std::uintptr_t>(object);
    return ((address >> 4) ^ (address >> 28)) & (m_slots.size() - 1);
}

std::uint32_t PDB_SEGMENT::OBJECT_IDS::find(const PDB_VIRTUAL_OBJECT* object) const
{
    if (m_slots.empty()) return 0;
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = slot_of(object);; i = (i + 1) & mask) {
        if (m_slots[i].first == object) return m_slots[i].second;
        if (m_slots[i].first == nullptr) return 0;
    }
}

bool PDB_SEGMENT::OBJECT_IDS::insert(const PDB_VIRTUAL_OBJECT* object)
{
    if ((std::size_t{m_count} + 1) * 2 > m_slots.size()) grow();
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = slot_of(object);; i = (i + 1) & mask) {
        if (m_slots[i].first == object) return false;
        if (m_slots[i].first == nullptr) {
            m_slots[i] = {object, ++m_count};
            return true;
        }
    }
}

void PDB_SEGMENT::OBJECT_IDS::grow()
{
    std::vector<std::pair<const PDB_VIRTUAL_OBJECT*, std::uint32_t>> old(std::max<std::size_t>(64, m_slots.size() * 2));
    old.swap(m_slots);
    const std::size_t mask = m_slots.size() - 1;
    for (const auto& entry : old) {
        if (entry.first == nullptr) continue;
        std::size_t i = slot_of(entry.first);
        while (m_slots[i].first != nullptr)
            i = (i + 1) & mask;
        m_slots[i] = entry;
    }
}

PDB_SEGMENT::PDB_SEGMENT(std::size_t reserved) : m_mode(MODE::WRITE), m_out(reserved + 4096, '\0'), m_reserved(reserved)
{
    m_frames.reserve(64);
    m_frames.push_back(FRAME{"", 0, ""});
    rebase_output(reserved);
}

PDB_SEGMENT::PDB_SEGMENT(std::string_view payload)
    : m_mode(MODE::READ), m_window(payload.data()), m_next(payload.data()), m_limit(payload.data() + payload.size()),
      m_in_size(payload.size())
{
    m_unrecorded.reset(new CREATED[PDB_MAX_NESTING + 1]);
    m_frames.push_back(FRAME{"", 0, ""});
}

PDB_SEGMENT::PDB_SEGMENT(SOURCE& source, std::uint64_t length, std::size_t window)
    : m_mode(MODE::READ), m_source(&source), m_buffer(new char[std::max<std::size_t>(window, 8)]),
      m_buffer_size(std::max<std::size_t>(window, 8)), m_window(m_buffer.get()), m_next(m_window), m_limit(m_window),
      m_in_size(length)
{
    m_unrecorded.reset(new CREATED[PDB_MAX_NESTING + 1]);
    m_frames.push_back(FRAME{"", 0, ""});
}

PDB_SEGMENT::~PDB_SEGMENT()
{
    if (is_reading() && !m_finished) discard_created();
}

std::string PDB_SEGMENT::where() const
{
    std::string text;
    constexpr std::size_t SHOWN = 4;
    // The first frame, outside every class, counts only once a field was named there.
    const std::size_t outside = m_frames[0].field[0] == '\0' ? 1 : 0;
    std::size_t first = m_frames.size() - outside > SHOWN ? m_frames.size() - SHOWN : outside;
    if (first > outside) text = "...";
    for (std::size_t i = first; i < m_frames.size(); ++i) {
        const FRAME& frame = m_frames[i];
        if (!text.empty()) text += " / ";
        text += frame.class_name;
        if (frame.field[0] != '\0')
            text += std::string("::") + frame.field + " (line " + std::to_string(frame.line) + ")";
    }
    if (is_reading()) text += " at byte " + std::to_string(position());
    return text;
}

void PDB_SEGMENT::fail(const std::string& reason)
{
    throw PDB_TRANSFER_ERROR((is_reading() ? "corrupt segment: " : "cannot write segment: ") + reason + " in " +
                             where());
}

void PDB_SEGMENT::fail_count(std::uint64_t count)
{
    fail("count " + std::to_string(count) + " exceeds the remaining bytes");
}

void PDB_SEGMENT::defer_check(std::function<bool()> check) { m_checks.push_back(std::move(check)); }

void PDB_SEGMENT::defer_commit(std::function<void()> commit) { m_commits.push_back(std::move(commit)); }

// The window moves forward only: what it holds past the next byte moves to the front of the
// buffer and the source fills the rest, never past the payload's end. A single item larger than the
// buffer gets a buffer of its own size, kept for the rest of the read.
void PDB_SEGMENT::refill(std::size_t size)
{
    if (size > remaining() || m_source == nullptr) fail("unexpected end of data");
    const std::size_t kept = available();
    const std::uint64_t at = position();
    if (size > m_buffer_size) {
        std::unique_ptr<char[]> larger(new char[size]);
        if (kept > 0) std::memcpy(larger.get(), m_next, kept);
        m_buffer = std::move(larger);
        m_buffer_size = size;
    } else if (kept > 0) {
        std::memmove(m_buffer.get(), m_next, kept);
    }
    m_window = m_next = m_buffer.get();
    m_window_at = at;
    const std::size_t wanted =
        kept + static_cast<std::size_t>(std::min<std::uint64_t>(m_buffer_size - kept, m_in_size - at - kept));
    std::size_t filled = kept;
    while (filled < size) {
        const std::size_t got = m_source->read(m_buffer.get() + filled, wanted - filled);
        if (got == 0) {
            m_limit = m_window + filled;
            fail("unexpected end of data");
        }
        filled += got;
    }
    m_limit = m_window + filled;
}

void PDB_SEGMENT::get_bytes(void* data, std::size_t size)
{
    if (size > remaining()) fail("unexpected end of data");
    auto* out = static_cast<char*>(data);
    while (size > 0) {
        if (m_next == m_limit) refill(1);
        const std::size_t piece = std::min(size, available());
        std::memcpy(out, m_next, piece);
        m_next += piece;
        out += piece;
        size -= piece;
    }
}

void PDB_SEGMENT::rebase_output(std::size_t used)
{
    m_cur = m_out.data() + used;
    m_end = m_out.data() + m_out.size();
}

void PDB_SEGMENT::put_more(const char* data, std::size_t size)
{
    while (size > 0) {
        const std::size_t room = static_cast<std::size_t>(m_end - m_cur);
        if (room == 0) {
            const std::size_t used = static_cast<std::size_t>(m_cur - m_out.data());
            if (m_sink) {
                drain();
            } else {
                m_out.resize(std::max<std::size_t>(m_out.size() * 2, used + size));
                rebase_output(used);
            }
            continue;
        }
        const std::size_t piece = std::min(room, size);
        std::memcpy(m_cur, data, piece);
        m_cur += piece;
        data += piece;
        size -= piece;
    }
}

std::string PDB_SEGMENT::take_image()
{
    m_out.resize(static_cast<std::size_t>(m_cur - m_out.data()));
    m_cur = m_end = nullptr;
    return std::move(m_out);
}

// Callers skip the call when m_bit_count is 0: no bits are then pending (m_bits never holds more than
// m_bit_count bits), and the test is far cheaper than the call, which runs for every field.
void PDB_SEGMENT::flush_bits()
{
    if (is_writing()) {
        if (m_bit_count > 0) put_byte(static_cast<char>(m_bits & 0xFF));
    } else if (m_bits != 0) {
        fail("padding bits of a bit field byte are set");
    }
    m_bits = 0;
    m_bit_count = 0;
}

void PDB_SEGMENT::transfer_bit_field(std::uint32_t& value, int width)
{
    if (width < 1 || width > 32) fail("bit field width " + std::to_string(width));
    const std::uint64_t mask = (std::uint64_t{1} << width) - 1;
    if (is_writing()) {
        m_bits |= (value & mask) << m_bit_count;
        m_bit_count += width;
        while (m_bit_count >= 8) {
            put_byte(static_cast<char>(m_bits & 0xFF));
            m_bits >>= 8;
            m_bit_count -= 8;
        }
        return;
    }
    while (m_bit_count < width) {
        const unsigned char byte = get_byte();
        m_bits |= static_cast<std::uint64_t>(byte) << m_bit_count;
        m_bit_count += 8;
    }
    value = static_cast<std::uint32_t>(m_bits & mask);
    m_bits >>= width;
    m_bit_count -= width;
}

void PDB_SEGMENT::transfer_bit(bool& value)
{
    std::uint32_t bit = value ? 1 : 0;
    transfer_bits(bit, 1);
    if (is_reading()) value = bit != 0;
}

void PDB_SEGMENT::fail_bool(unsigned char byte) { fail("bool value " + std::to_string(byte)); }

void PDB_SEGMENT::transfer(std::uint32_t& value)
{
    if (m_bit_count != 0) flush_bits();
    if (is_writing())
        put_u32(value);
    else
        value = get_u32();
}

void PDB_SEGMENT::transfer(std::int32_t& value)
{
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    transfer(bits);
    value = static_cast<std::int32_t>(bits);
}

void PDB_SEGMENT::transfer(std::uint64_t& value)
{
    if (m_bit_count != 0) flush_bits();
    char bytes[8];
    if (is_writing()) {
        put_le(bytes, value, 8);
        put_bytes(bytes, 8);
        return;
    }
    get_bytes(bytes, 8);
    value = get_le(bytes, 8);
}

void PDB_SEGMENT::transfer(std::int64_t& value)
{
    std::uint64_t bits = static_cast<std::uint64_t>(value);
    transfer(bits);
    value = static_cast<std::int64_t>(bits);
}

void PDB_SEGMENT::transfer(float& value)
{
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    transfer(bits);
    std::memcpy(&value, &bits, sizeof bits);
}

void PDB_SEGMENT::transfer(double& value)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    transfer(bits);
    std::memcpy(&value, &bits, sizeof bits);
}

void PDB_SEGMENT::transfer(std::string& value)
{
    std::uint32_t length = static_cast<std::uint32_t>(value.size());
    if (is_writing() && value.size() > 0xFFFFFFFFu) fail("text longer than 4 GiB");
    transfer(length);
    if (is_writing()) {
        put_bytes(value.data(), value.size());
        return;
    }
    require_items(length, 1);
    if (available() >= length) {
        value.assign(m_next, length);
        m_next += length;
        return;
    }
    value.resize(length);
    get_bytes(value.data(), length);
}

void PDB_SEGMENT::transfer(std::optional<std::string>& value)
{
    bool present = value.has_value();
    transfer(present);
    if (is_writing()) {
        if (present) transfer(*value);
        return;
    }
    if (!present) {
        value.reset();
        return;
    }
    std::string text;
    transfer(text);
    value = std::move(text);
}

void PDB_SEGMENT::set_sink(std::function<void(std::string_view)> sink, std::size_t chunk)
{
    RDB_ASSERT(is_writing());
    m_sink = std::move(sink);
    const std::size_t used = static_cast<std::size_t>(m_cur - m_out.data());
    if (m_sink) m_out.resize(std::max(used, m_reserved + std::max<std::size_t>(chunk, 1)));
    rebase_output(used);
}

void PDB_SEGMENT::drain()
{
    if (!m_sink || static_cast<std::size_t>(m_cur - m_out.data()) <= m_reserved) return;
    const std::string_view bytes = payload();
    m_cur = m_out.data() + m_reserved;
    m_sink(bytes);
}

void PDB_SEGMENT::transfer(std::vector<std::byte>& value)
{
    std::uint32_t length = static_cast<std::uint32_t>(value.size());
    transfer(length);
    if (is_writing()) {
        put_bytes(value.data(), value.size());
        return;
    }
    require_items(length, 1);
    value.resize(length);
    get_bytes(value.data(), length);
}

void PDB_SEGMENT::enter_object()
{
    if (++m_nesting > PDB_MAX_NESTING) fail("objects nested deeper than " + std::to_string(PDB_MAX_NESTING));
}

void PDB_SEGMENT::write_owned(const PDB_VIRTUAL_OBJECT* object)
{
    if (m_bit_count != 0) flush_bits();
    if (object == nullptr) {
        put_u32(0);
        return;
    }
    enter_object();
    const PDB_THUNK_INFO* thunk = object->pdb_thunk_info();
    const std::type_info* type = &typeid(*object);
    if (thunk != m_last_thunk || type != m_last_type)
        write_class(thunk, type, object);
    else
        put_u32(m_last_entry->index);
    if (!m_last_entry->referenced)
        m_written.skip();
    else if (!m_written.insert(object))
        fail(std::string("an object of class ") + thunk->class_name + " has two owners");
    const_cast<PDB_VIRTUAL_OBJECT*>(object)->serialize(*this);
    if (m_bit_count != 0) flush_bits();
    leave_object();
}

void PDB_SEGMENT::write_class(const PDB_THUNK_INFO* thunk, const std::type_info* type, const PDB_VIRTUAL_OBJECT* object)
{
    // A class without a record of its own would come back as its base class: refuse to write it.
    if (thunk == nullptr || *thunk->type != *type)
        fail(std::string("class ") + typeid(*object).name() + " has no class record of its own");
    auto found = m_class_index.find(thunk);
    if (found == m_class_index.end()) {
        // Registration is checked when a class enters the segment; the registry lookup is too slow per object.
        if (pdb_find_class(thunk->class_name) != thunk)
            fail(std::string("class ") + thunk->class_name + " is not registered");
        const auto index = static_cast<std::uint32_t>(m_class_index.size() + 1);
        found = m_class_index.emplace(thunk, CLASS_ENTRY{index, !thunk->is_never_referenced()}).first;
        put_u32(index);
        std::string name = thunk->class_name;
        transfer(name);
    } else {
        put_u32(found->second.index);
    }
    // Map nodes stay put, so the entry can be kept for the next objects of the same class.
    m_last_thunk = thunk;
    m_last_type = type;
    m_last_entry = &found->second;
}

PDB_VIRTUAL_OBJECT* PDB_SEGMENT::read_owned(TYPE_TEST test, const char* expected, std::size_t& index)
{
    if (m_bit_count != 0) flush_bits();
    std::uint32_t tag = get_u32();
    if (tag == 0) return nullptr;
    enter_object();
    // The entry is read through a pointer, not copied, and only until the object's own transfer
    // (which may introduce classes and so move the entries).
    const READ_CLASS* entry = nullptr;
    if (tag <= m_classes.size()) {
        entry = &m_classes[tag - 1];
    } else if (tag == m_classes.size() + 1) {
        std::uint32_t length = get_u32();
        if (length == 0 || length > MAX_CLASS_NAME) fail("class name of length " + std::to_string(length));
        require_items(length, 1);
        const std::string name(take_view(length));
        const PDB_THUNK_INFO* thunk = pdb_find_class(name);
        if (thunk == nullptr) fail("unknown class \"" + name + "\"");
        for (const READ_CLASS& known : m_classes)
            if (known.thunk == thunk) fail("class \"" + name + "\" introduced twice");
        entry = &m_classes.emplace_back(
            READ_CLASS{thunk, thunk->is_never_referenced() && !has_disown(thunk), has_check(thunk), nullptr, nullptr});
    } else {
        fail("class index " + std::to_string(tag) + " not yet introduced");
    }
    const PDB_THUNK_INFO* const thunk = entry->thunk;
    const bool unrecorded = entry->unrecorded;
    const bool checked = entry->has_check;
    if (thunk->create == nullptr) fail(std::string("class ") + thunk->class_name + " cannot be loaded");
    // Room first, so that nothing can fail between creating the object and recording it.
    if (!unrecorded && m_created.size() == m_created.capacity()) m_created.reserve(2 * m_created.size() + 16);

    PDB_VIRTUAL_OBJECT* object = thunk->create();
    // Filled in place: the stack slot (or the vector's element) is the record the checks and the
    // discard read, and it never moves while the object is read.
    CREATED* created = nullptr;
    if (unrecorded) {
        // The nesting limit bounds the stack: enter_object above failed before it could overflow.
        created = &m_unrecorded[m_unrecorded_count++];
        index = UNRECORDED;
    } else {
        created = &m_created.emplace_back();
        index = m_created.size() - 1;
    }
    created->object = object;
    created->thunk = thunk;
    created->id = ++m_read_count;
    created->stored = false;
    const std::type_info* type = &typeid(*object);
    if (type != entry->verified_type || test != entry->verified_test) {
        if (object->pdb_thunk_info() != thunk)
            fail(std::string("class record of ") + thunk->class_name + " is inconsistent");
        if (!test(object))
            fail(std::string("object of class ") + thunk->class_name + " where " + expected + " expected");
        READ_CLASS& verified = m_classes[tag - 1];
        verified.verified_type = type;
        verified.verified_test = test;
    }
    object->serialize(*this);
    if (m_bit_count != 0) flush_bits();
    if (unrecorded && checked) check_object(*created);
    leave_object();
    return object;
}

void PDB_SEGMENT::check_object(const CREATED& created)
{
    for (const PDB_THUNK_INFO* thunk = created.thunk; thunk != nullptr; thunk = thunk->parent)
        if (thunk->check != nullptr && !thunk->check(created.object))
            fail(std::string("an object of class ") + created.thunk->class_name + " breaks the invariants of " +
                 thunk->class_name);
}

void PDB_SEGMENT::write_ref(const PDB_VIRTUAL_OBJECT* object)
{
    if (m_bit_count != 0) flush_bits();
    if (object == nullptr) {
        put_u32(0);
        return;
    }
    const std::uint32_t id = m_written.find(object);
    if (id == 0) {
        // Only objects written earlier in the segment can be named; anything else would dangle.
        msg_local_vdebug("RDB", 2, "pdb: reference to an object outside the written tree stored as null in %s",
                         where().c_str());
        put_u32(0);
        return;
    }
    put_u32(id);
}

PDB_VIRTUAL_OBJECT* PDB_SEGMENT::read_ref(TYPE_TEST test, const char* expected)
{
    if (m_bit_count != 0) flush_bits();
    std::uint32_t id = get_u32();
    if (id == 0) return nullptr;
    if (id > m_read_count) fail("reference to object #" + std::to_string(id) + " not read before");
    const auto found = std::lower_bound(m_created.begin(), m_created.end(), id,
                                        [](const CREATED& created, std::uint32_t key) { return created.id < key; });
    if (found == m_created.end() || found->id != id)
        fail("reference to object #" + std::to_string(id) + ", of a class that is never referenced");
    PDB_VIRTUAL_OBJECT* object = found->object;
    if (!test(object))
        fail(std::string("reference to an object of class ") + found->thunk->class_name + " where " + expected +
             " expected");
    return object;
}

void PDB_SEGMENT::write_root(const PDB_VIRTUAL_OBJECT& root)
{
    RDB_ASSERT(is_writing());
    write_owned(&root);
    if (m_bit_count != 0) flush_bits();
}

std::unique_ptr<PDB_VIRTUAL_OBJECT> PDB_SEGMENT::read_root()
{
    RDB_ASSERT(is_reading());
    std::size_t index = 0;
    TYPE_TEST any = [](PDB_VIRTUAL_OBJECT*) { return true; };
    PDB_VIRTUAL_OBJECT* root = read_owned(any, "a root object", index);
    if (root == nullptr) fail("no root object");
    if (remaining() != 0) fail(std::to_string(remaining()) + " bytes after the root object");
    if (m_source != nullptr) m_source->finish();
    finish_read();
    mark_stored(index);
    m_finished = true;
    return std::unique_ptr<PDB_VIRTUAL_OBJECT>(root);
}

void PDB_SEGMENT::finish_read()
{
    m_frames.resize(1);
    m_frames[0] = FRAME{"", 0, ""};
    for (const CREATED& created : m_created)
        check_object(created);
    for (const std::function<bool()>& check : m_checks)
        if (!check()) fail("a deferred check failed");
    for (const std::function<void()>& commit : m_commits)
        commit();
    m_commits.clear();
}

void PDB_SEGMENT::discard_created()
{
    // Owners delete what they hold; only objects that never reached an owner are destroyed here.
    // Everything is disowned first, so that no destructor meets an object still marked as owned.
    // Unrecorded objects have no disown; those held by an owner go with it, the rest are the ones
    // still being read, none of which holds another of them yet.
    for (const CREATED& created : m_created)
        for (const PDB_THUNK_INFO* thunk = created.thunk; thunk != nullptr; thunk = thunk->parent)
            if (thunk->disown != nullptr) {
                thunk->disown(created.object);
                break;
            }
    for (CREATED& created : m_created)
        if (!created.stored) created.thunk->destroy(created.object);
    m_created.clear();
    while (m_unrecorded_count > 0) {
        const CREATED& created = m_unrecorded[--m_unrecorded_count];
        created.thunk->destroy(created.object);
    }
}

// ---- Files ---------------------------------------------------------------------------------------

namespace {

std::atomic<PDB_WRITE_FAULT_HOOK> g_fault_hook{nullptr};
std::atomic<unsigned> g_temp_counter{0};

// True when the installed hook makes this step fail; errno is then EIO as for a failed device.
bool inject_fault(PDB_WRITE_STEP step)
{
    PDB_WRITE_FAULT_HOOK hook = g_fault_hook.load();
    if (hook == nullptr || !hook(step)) return false;
    errno = EIO;
    return true;
}

bool set_error(std::string* error, const std::string& what, const std::string& path)
{
    if (error != nullptr) *error = what + " '" + path + "': " + std::strerror(errno);
    return false;
}

std::string directory_of(const std::string& path)
{
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

bool sync_fd(int fd) { return ::fsync(fd) == 0; }

bool sync_directory(const std::string& directory, std::string* error)
{
    if (inject_fault(PDB_WRITE_STEP::SYNC_DIRECTORY)) return set_error(error, "cannot sync folder", directory);
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return set_error(error, "cannot open folder", directory);
    bool ok = sync_fd(fd);
    // Some file systems cannot sync a folder at all (EINVAL); there is nothing more to make durable.
    if (!ok && errno == EINVAL) ok = true;
    int saved = errno;
    ::close(fd);
    errno = saved;
    return ok || set_error(error, "cannot sync folder", directory);
}

// The process id in a name pdb_temp_file_name made ("." base ".tmp-" pid "-" counter); 0 otherwise.
pid_t temp_file_writer(std::string_view name)
{
    const std::size_t mark = name.rfind(".tmp-");
    if (name.empty() || name[0] != '.' || mark == std::string_view::npos) return 0;
    const std::string_view rest = name.substr(mark + 5);
    pid_t pid = 0;
    const auto [end, failed] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
    if (failed != std::errc() || pid <= 0 || end == rest.data() + rest.size() || *end != '-') return 0;
    return pid;
}

// Renames a finished temporary file over target and makes the new name durable.
bool commit_temp(const std::string& temp, const std::string& target, std::string* error)
{
    if (inject_fault(PDB_WRITE_STEP::RENAME) || ::rename(temp.c_str(), target.c_str()) != 0) {
        set_error(error, "cannot rename over", target);
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    if (!sync_directory(directory_of(target), error)) return false;
    pdb_remove_stale_temp_files(target);
    return true;
}

} // namespace

PDB_WRITE_FAULT_HOOK pdb_set_write_fault_hook(PDB_WRITE_FAULT_HOOK hook) { return g_fault_hook.exchange(hook); }

std::string pdb_temp_file_name(const std::string& target)
{
    std::size_t slash = target.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    return directory + "." + base + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++g_temp_counter);
}

bool pdb_is_temp_file_name(std::string_view file_name)
{
    return !file_name.empty() && file_name[0] == '.' && file_name.find(".tmp-") != std::string_view::npos;
}

bool pdb_is_stale_temp_file_name(std::string_view file_name)
{
    const pid_t pid = temp_file_writer(file_name);
    // kill(pid, 0) fails with ESRCH only when no such process exists; EPERM means it lives.
    return pid > 0 && pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// A live process may still be writing its own temporary file, so only those of dead writers go.
std::vector<std::string> pdb_remove_stale_temp_files(const std::string& target)
{
    std::vector<std::string> removed;
    const std::string directory = directory_of(target);
    const std::size_t slash = target.rfind('/');
    const std::string prefix = "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".tmp-";
    DIR* folder = ::opendir(directory.c_str());
    if (folder == nullptr) return removed;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || !pdb_is_stale_temp_file_name(name)) continue;
        const std::string stale = directory + "/" + std::string(name);
        if (::unlink(stale.c_str()) == 0) {
            msg_local_vdebug("RDB", 2, "removed %s, left behind by process %d", stale.c_str(),
                             static_cast<int>(temp_file_writer(name)));
            removed.push_back(stale);
        }
    }
    ::closedir(folder);
    return removed;
}

// Replacing a file so that a crash can never leave it half written.
//
// Writing a file in place is not safe: a crash (of the process, the kernel or the power) in the
// middle of the write leaves a file that is partly old and partly new, or cut short, and the user's
// report is gone. So the new contents go into a temporary file in the SAME folder (rename(2) is only
// atomic within one file system, and across file systems it fails with EXDEV), and only a complete
// temporary file is renamed over the old one. POSIX promises that rename(2) replaces the target
// atomically: every reader opens either the whole old file or the whole new one.
//
// Atomic is not durable, though. Many file systems (ext4 with delayed allocation, xfs, btrfs) may
// write the rename to their journal before the data blocks of the new file reach the disk; after a
// power loss the name then points at a file of zero length or of garbage. The cure is to fsync(2) the
// temporary file BEFORE the rename, so that its data is on disk before the name can point at it. And
// the rename itself lives in the folder, which is a file of its own: until the folder is synced the
// rename may be lost after a crash and the old contents come back. So the folder is synced too. A few
// file systems refuse to sync a folder (EINVAL); nothing more can be done there.
//
// write(2) may write fewer bytes than asked or be interrupted by a signal (EINTR), so it is called in
// a loop. close(2) can report a failed write (NFS, quotas) that write(2) did not, so its result
// counts. The temporary name carries the process id and a counter and is created with O_EXCL, so
// two writers (threads or processes) never share a temporary file; the last rename wins and every
// version in between was whole. Any failure removes the temporary file and leaves the old one alone.
bool pdb_write_file_atomically(const std::string& path, std::string_view bytes, std::string* error)
{
    PDB_ATOMIC_FILE file(path);
    bool ok = file.is_open() && file.write(bytes) && file.commit();
    if (!ok && error != nullptr) *error = file.error();
    return ok;
}

PDB_ATOMIC_FILE::PDB_ATOMIC_FILE(const std::string& target) : m_target(target), m_temp(pdb_temp_file_name(target))
{
    if (!inject_fault(PDB_WRITE_STEP::OPEN))
        m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (m_fd < 0) {
        m_reason = std::strerror(errno);
        set_error(&m_error, "cannot create", m_temp); // never remove a file this object did not create
    } else {
        m_has_temp = true;
    }
}

PDB_ATOMIC_FILE::~PDB_ATOMIC_FILE() { give_up(nullptr); }

bool PDB_ATOMIC_FILE::give_up(const char* what)
{
    int saved = errno;
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (m_has_temp) ::unlink(m_temp.c_str());
    m_has_temp = false;
    errno = saved;
    if (what == nullptr) return true;
    m_reason = std::strerror(saved);
    return set_error(&m_error, what, m_temp);
}

bool PDB_ATOMIC_FILE::write(std::string_view bytes)
{
    if (m_fd < 0) return false;
    constexpr std::size_t CHUNK = 1024 * 1024;
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (inject_fault(PDB_WRITE_STEP::WRITE)) return give_up("cannot write");
        std::size_t size = std::min(CHUNK, bytes.size() - done);
        ssize_t written = ::write(m_fd, bytes.data() + done, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return give_up("cannot write");
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool PDB_ATOMIC_FILE::write_at(std::uint64_t offset, std::string_view bytes)
{
    if (m_fd < 0) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (inject_fault(PDB_WRITE_STEP::WRITE)) return give_up("cannot write");
        ssize_t written = ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (written < 0) {
            if (errno == EINTR) continue;
            return give_up("cannot write");
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

bool PDB_ATOMIC_FILE::finish()
{
    if (m_fd < 0) return false;
    if (inject_fault(PDB_WRITE_STEP::SYNC) || !sync_fd(m_fd)) return give_up("cannot sync");
    int closed = ::close(m_fd);
    m_fd = -1; // a failed close(2) still releases the descriptor
    if (inject_fault(PDB_WRITE_STEP::CLOSE)) closed = -1;
    if (closed != 0) return give_up("cannot close");
    m_finished = true;
    return true;
}

bool PDB_ATOMIC_FILE::publish()
{
    if (!m_finished || !m_has_temp) return false;
    // commit_temp removes the temporary file itself when the rename fails.
    m_has_temp = false;
    if (commit_temp(m_temp, m_target, &m_error)) return true;
    m_reason = std::strerror(errno);
    return false;
}

PDB_OUTPUT_BUF::PDB_OUTPUT_BUF(SINK sink) : m_sink(std::move(sink)), m_buffer(64 * 1024)
{
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

PDB_OUTPUT_BUF::PDB_OUTPUT_BUF(PDB_ATOMIC_FILE& file)
    : PDB_OUTPUT_BUF([&file](std::string_view bytes) { return file.write(bytes); })
{
}

bool PDB_OUTPUT_BUF::flush_all()
{
    const std::size_t size = static_cast<std::size_t>(pptr() - pbase());
    if (size > 0 && !m_failed && !m_sink(std::string_view(pbase(), size))) m_failed = true;
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return !m_failed;
}

PDB_OUTPUT_BUF::int_type PDB_OUTPUT_BUF::overflow(int_type c)
{
    if (!flush_all()) return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

int PDB_OUTPUT_BUF::sync() { return flush_all() ? 0 : -1; }

std::streamsize PDB_OUTPUT_BUF::xsputn(const char* data, std::streamsize count)
{
    // Large pieces go straight to the file rather than through the buffer.
    if (count >= static_cast<std::streamsize>(m_buffer.size())) {
        if (!flush_all() || !m_sink(std::string_view(data, static_cast<std::size_t>(count)))) {
            m_failed = true;
            return 0;
        }
        return count;
    }
    return std::streambuf::xsputn(data, count);
}

bool pdb_replace_file(const std::string& temp, const std::string& target, std::string* error)
{
    int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        set_error(error, "cannot open", temp);
        ::unlink(temp.c_str());
        return false;
    }
    bool synced = !inject_fault(PDB_WRITE_STEP::SYNC) && sync_fd(fd);
    int saved = errno;
    ::close(fd);
    errno = saved;
    if (!synced) {
        set_error(error, "cannot sync", temp);
        ::unlink(temp.c_str());
        return false;
    }
    return commit_temp(temp, target, error);
}

// ---- Archives ------------------------------------------------------------------------------------

namespace {

uLong crc32_update(uLong crc, std::string_view bytes)
{
    const Bytef* data = reinterpret_cast<const Bytef*>(bytes.data());
    std::size_t left = bytes.size();
    while (left > 0) {
        uInt size = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
        crc = ::crc32(crc, data, size);
        data += size;
        left -= size;
    }
    return crc;
}

// Why the header of an archive refuses it, or empty when it is good; payload_size is the byte count
// that follows the header.
std::string header_problem(const char* header, std::uint64_t payload_size)
{
    if (std::memcmp(header, MAGIC, sizeof MAGIC) != 0) return "not an archive (bad magic number)";
    if (get_le(header + 28, 4) != crc32_update(::crc32(0L, Z_NULL, 0), std::string_view(header, 28)))
        return "archive header checksum mismatch";
    std::uint64_t version = get_le(header + 8, 4);
    if (version != PDB_FORMAT_VERSION) return "unsupported archive format version " + std::to_string(version);
    if (get_le(header + 12, 4) != 0) return "unsupported archive flags";
    if (get_le(header + 16, 8) != payload_size) return "archive length mismatch (truncated file?)";
    return {};
}

// The payload of an archive file, read in pieces with its CRC-32 taken on the way, so that the file
// is never held whole in memory.
class FILE_SOURCE : public PDB_SEGMENT::SOURCE {
public:
    FILE_SOURCE(int fd, std::uint64_t length, std::uint32_t crc) : m_fd(fd), m_length(length), m_expected(crc) {}

    std::size_t read(char* data, std::size_t size) override
    {
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, m_length - m_read));
        while (size > 0) {
            const ssize_t got = ::read(m_fd, data, size);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) {
                m_errno = errno;
                throw PDB_TRANSFER_ERROR("read failed");
            }
            m_crc = crc32_update(m_crc, std::string_view(data, static_cast<std::size_t>(got)));
            m_read += static_cast<std::size_t>(got);
            return static_cast<std::size_t>(got);
        }
        return 0;
    }
    void finish() override
    {
        if (m_crc != m_expected) throw PDB_TRANSFER_ERROR("archive checksum mismatch");
    }
    // After a read that failed: reads what the segment left and answers the reason a shortened or
    // damaged file gives, or empty when its bytes are whole (the failure then lies in what they
    // say). The header's checksum is the better reason, as it was when files were checked first.
    std::string damage()
    {
        std::unique_ptr<char[]> rest(new char[std::size_t{1} << 20]);
        try {
            while (read(rest.get(), std::size_t{1} << 20) > 0) {
            }
        } catch (const PDB_TRANSFER_ERROR&) {
            return {};
        }
        if (m_read != m_length) return "archive length mismatch (truncated file?)";
        if (m_crc != m_expected) return "archive checksum mismatch";
        return {};
    }
    // The error of a failed read(2), or 0.
    int read_errno() const { return m_errno; }

private:
    int m_fd;
    std::uint64_t m_length;
    std::uint64_t m_read = 0;
    uLong m_crc = ::crc32(0L, Z_NULL, 0);
    std::uint32_t m_expected;
    int m_errno = 0;
};

} // namespace

std::uint32_t pdb_crc32(std::string_view bytes)
{
    return static_cast<std::uint32_t>(crc32_update(::crc32(0L, Z_NULL, 0), bytes));
}

void PDB_ARCHIVE::reseal(std::string& image)
{
    if (image.size() < PDB_HEADER_SIZE) return;
    std::string_view payload(image.data() + PDB_HEADER_SIZE, image.size() - PDB_HEADER_SIZE);
    put_le(&image[16], payload.size(), 8);
    put_le(&image[24], pdb_crc32(payload), 4);
    put_le(&image[28], pdb_crc32(std::string_view(image.data(), 28)), 4);
}

bool PDB_ARCHIVE::encode(const PDB_VIRTUAL_OBJECT& root, std::string& image, std::string* error)
{
    PDB_SEGMENT segment(PDB_HEADER_SIZE);
    try {
        segment.write_root(root);
    } catch (const PDB_TRANSFER_ERROR& e) {
        if (error != nullptr) *error = e.what();
        return false;
    }
    image = segment.take_image();
    std::memcpy(&image[0], MAGIC, sizeof MAGIC);
    put_le(&image[8], PDB_FORMAT_VERSION, 4);
    put_le(&image[12], 0, 4);
    reseal(image);
    return true;
}

std::unique_ptr<PDB_VIRTUAL_OBJECT> PDB_ARCHIVE::decode(std::string_view image, std::string* error)
{
    auto bad = [&](const std::string& why) {
        if (error != nullptr) *error = why;
        return std::unique_ptr<PDB_VIRTUAL_OBJECT>();
    };
    if (image.size() < PDB_HEADER_SIZE) return bad("file shorter than an archive header");
    std::string_view payload = image.substr(PDB_HEADER_SIZE);
    const std::string problem = header_problem(image.data(), payload.size());
    if (!problem.empty()) return bad(problem);
    if (get_le(image.data() + 24, 4) != pdb_crc32(payload)) return bad("archive checksum mismatch");

    PDB_SEGMENT segment(payload);
    try {
        return segment.read_root();
    } catch (const PDB_TRANSFER_ERROR& e) {
        return bad(e.what());
    } catch (const std::bad_alloc&) {
        return bad("out of memory while reading");
    }
}

bool PDB_ARCHIVE::write_root(const PDB_VIRTUAL_OBJECT& root)
{
    m_error.clear();
    PDB_ATOMIC_FILE file(m_path);
    if (!write_root_to(file, root, nullptr, &m_error)) return false;
    if (!file.commit()) {
        m_error = file.error();
        return false;
    }
    return true;
}

bool PDB_ARCHIVE::write_root_to(PDB_ATOMIC_FILE& file, const PDB_VIRTUAL_OBJECT& root, PDB_ARCHIVE_STAMP* stamp,
                                std::string* error)
{
    // The payload goes to the file in pieces as the segment produces it (a big report is never held
    // twice in memory); the header with the length and checksums is written last, at the front.
    auto failed = [&](const std::string& why) {
        if (error != nullptr) *error = why;
        return false;
    };
    std::string header(PDB_HEADER_SIZE, '\0');
    if (!file.is_open() || !file.write(header)) return failed(file.error());
    std::uint64_t length = 0;
    uLong crc = ::crc32(0L, Z_NULL, 0);
    PDB_SEGMENT segment;
    segment.set_sink([&](std::string_view bytes) {
        crc = crc32_update(crc, bytes);
        length += bytes.size();
        if (!file.write(bytes)) throw PDB_TRANSFER_ERROR(file.error());
    });
    try {
        segment.write_root(root);
        segment.drain();
    } catch (const PDB_TRANSFER_ERROR& e) {
        return failed(e.what());
    }
    std::memcpy(&header[0], MAGIC, sizeof MAGIC);
    put_le(&header[8], PDB_FORMAT_VERSION, 4);
    put_le(&header[12], 0, 4);
    put_le(&header[16], length, 8);
    put_le(&header[24], static_cast<std::uint32_t>(crc), 4);
    put_le(&header[28], pdb_crc32(std::string_view(header.data(), 28)), 4);
    if (!file.write_at(0, header)) return failed(file.error());
    if (stamp != nullptr) *stamp = PDB_ARCHIVE_STAMP{length, static_cast<std::uint32_t>(crc)};
    return true;
}

std::optional<PDB_ARCHIVE_STAMP> PDB_ARCHIVE::read_stamp(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    char header[PDB_HEADER_SIZE];
    std::size_t done = 0;
    while (done < sizeof header) {
        ssize_t got = ::read(fd, header + done, sizeof header - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (done < sizeof header || std::memcmp(header, MAGIC, sizeof MAGIC) != 0 ||
        get_le(header + 28, 4) != pdb_crc32(std::string_view(header, 28)))
        return std::nullopt;
    return PDB_ARCHIVE_STAMP{get_le(header + 16, 8), static_cast<std::uint32_t>(get_le(header + 24, 4))};
}

// The file is read through the segment's window as the objects are made, and its checksum is taken
// on the way: a big report is never held twice in memory. So a damaged payload is found only at
// the end; a read that failed before then reads the rest to tell a damaged file (whose checksum
// gives the reason) from one whose bytes are whole but say something wrong.
std::unique_ptr<PDB_VIRTUAL_OBJECT> PDB_ARCHIVE::read_root()
{
    m_error.clear();
    const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        set_error(&m_error, "cannot open", m_path);
        return nullptr;
    }
    struct CLOSER {
        int fd;
        ~CLOSER()
        {
            const int saved = errno;
            ::close(fd);
            errno = saved;
        }
    } closer{fd};
    auto cannot_read = [&](int error) {
        errno = error;
        set_error(&m_error, "cannot read", m_path);
        return nullptr;
    };
    auto bad = [&](const std::string& why) {
        m_error = m_path + ": " + why;
        return nullptr;
    };
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return cannot_read(errno);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size < PDB_HEADER_SIZE) return bad("file shorter than an archive header");
    char header[PDB_HEADER_SIZE];
    std::size_t done = 0;
    while (done < sizeof header) {
        const ssize_t got = ::read(fd, header + done, sizeof header - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return cannot_read(got < 0 ? errno : EIO);
        done += static_cast<std::size_t>(got);
    }
    const std::string problem = header_problem(header, size - PDB_HEADER_SIZE);
    if (!problem.empty()) return bad(problem);

    const std::uint64_t length = size - PDB_HEADER_SIZE;
    FILE_SOURCE source(fd, length, static_cast<std::uint32_t>(get_le(header + 24, 4)));
    std::string error;
    {
        PDB_SEGMENT segment(source, length);
        try {
            return segment.read_root();
        } catch (const PDB_TRANSFER_ERROR& e) {
            error = e.what();
        } catch (const std::bad_alloc&) {
            error = "out of memory while reading";
        }
    }
    if (source.read_errno() != 0) return cannot_read(source.read_errno());
    const std::string damage = source.damage();
    if (source.read_errno() != 0) return cannot_read(source.read_errno());
    return bad(damage.empty() ? error : damage);
}
