#include "kdb/kdb.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "gen/gen_util.h"
#include "msg/msg.h"

// ---- KDB_PATH ------------------------------------------------------------------------------------

const std::string& KDB_PATH::get_component(int index) const
{
    RDB_ASSERT(index >= 0 && index < COMPONENT_COUNT);
    return m_components[static_cast<std::size_t>(index)];
}

void KDB_PATH::set_component(int index, const std::string& text)
{
    RDB_ASSERT(index >= 0 && index < COMPONENT_COUNT);
    m_components[static_cast<std::size_t>(index)] = text;
}

bool KDB_PATH::empty() const
{
    return std::all_of(m_components.begin(), m_components.end(), [](const std::string& c) { return c.empty(); });
}

std::string KDB_PATH::to_string() const
{
    std::string text;
    for (int i = 0; i < COMPONENT_COUNT; ++i) {
        if (i > 0) text += '/';
        text += m_components[static_cast<std::size_t>(i)];
    }
    return text;
}

// ---- KDB_MODEL -----------------------------------------------------------------------------------

PDB_CLASS_THUNK<KDB_MODEL> KDB_MODEL::s_thunk("KDB_MODEL", nullptr, nullptr);

void KDB_MODEL::serialize(PDB_SEGMENT& segment)
{
    segment.begin_class(&s_thunk, this);
    segment.trace(__LINE__, "m_header.type");
    segment.transfer(m_header.type);
    for (int i = 0; i < KDB_PATH::COMPONENT_COUNT; ++i) {
        segment.trace(__LINE__, "m_header.path");
        std::string component = m_header.path.get_component(i);
        segment.transfer(component);
        if (segment.is_reading()) m_header.path.set_component(i, component);
    }
    segment.end_class();
}

// ---- KDB_FILE ------------------------------------------------------------------------------------

std::string KDB_FILE::get_path_without_extension() const
{
    std::string suffix = "." + m_extension;
    if (m_full_path.size() > suffix.size() && m_full_path.ends_with(suffix))
        return m_full_path.substr(0, m_full_path.size() - suffix.size());
    return m_full_path;
}

bool KDB_FILE::exists() const
{
    struct stat info {};
    return ::stat(m_full_path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool KDB_MODEL_HANDLER::write_binary_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, PDB_ARCHIVE_STAMP& stamp,
                                          std::string* error) const
{
    return PDB_ARCHIVE::write_root_to(file, model, &stamp, error);
}

// ---- Handler registry ----------------------------------------------------------------------------

namespace {

struct HANDLER_REGISTRY {
    std::mutex mutex;
    std::vector<std::unique_ptr<KDB_MODEL_HANDLER>> handlers;
    // Replaced handlers stay alive: callers may still hold pointers to them.
    std::vector<std::unique_ptr<KDB_MODEL_HANDLER>> retired;
};

HANDLER_REGISTRY& handler_registry()
{
    static HANDLER_REGISTRY* registry = new HANDLER_REGISTRY;
    return *registry;
}

std::string first_word(const std::string& text) { return text.substr(0, text.find('.')); }

} // namespace

void kdb_register_model_handler(std::unique_ptr<KDB_MODEL_HANDLER> handler)
{
    if (!handler) return;
    HANDLER_REGISTRY& registry = handler_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    std::string type = handler->name_of_handled_type();
    for (std::unique_ptr<KDB_MODEL_HANDLER>& existing : registry.handlers)
        if (existing->name_of_handled_type() == type) {
            registry.retired.push_back(std::move(existing));
            existing = std::move(handler);
            return;
        }
    registry.handlers.push_back(std::move(handler));
}

const KDB_MODEL_HANDLER* kdb_find_model_handler(const std::string& type_name)
{
    HANDLER_REGISTRY& registry = handler_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const std::unique_ptr<KDB_MODEL_HANDLER>& handler : registry.handlers)
        if (handler->name_of_handled_type() == type_name) return handler.get();
    return nullptr;
}

const KDB_MODEL_HANDLER* kdb_find_model_handler_for_path(const KDB_PATH& path)
{
    std::string model = first_word(path.get_component(KDB_PATH::MODEL_COMPONENT));
    HANDLER_REGISTRY& registry = handler_registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const std::unique_ptr<KDB_MODEL_HANDLER>& handler : registry.handlers)
        if (handler->name_of_handled_model() == model) return handler.get();
    return nullptr;
}

// ---- File stems ----------------------------------------------------------------------------------

namespace {

constexpr int STEM_ORDER[3] = {KDB_PATH::REVISION_COMPONENT, KDB_PATH::SNAPSHOT_COMPONENT, KDB_PATH::MODEL_COMPONENT};

bool is_plain(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
           c == '.';
}

std::string escape_component(const std::string& text)
{
    static const char* HEX = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (is_plain(c) && !(c == '.' && i == 0)) {
            out += c;
        } else {
            unsigned char byte = static_cast<unsigned char>(c);
            out += '%';
            out += HEX[byte >> 4];
            out += HEX[byte & 0xF];
        }
    }
    return out;
}

std::optional<std::string> unescape_component(std::string_view text)
{
    std::optional<std::string> out = gen_percent_decode(text);
    if (!out) return std::nullopt;
    // Only the canonical spelling is a stem: the mapping must be one to one.
    if (escape_component(*out) != text) return std::nullopt;
    return out;
}

} // namespace

std::string kdb_model_file_stem(const KDB_PATH& path)
{
    std::string stem;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) stem += '+';
        stem += escape_component(path.get_component(STEM_ORDER[i]));
    }
    for (int i = 0; i < KDB_PATH::COMPONENT_COUNT; ++i) {
        if (i == STEM_ORDER[0] || i == STEM_ORDER[1] || i == STEM_ORDER[2]) continue;
        const std::string& component = path.get_component(i);
        if (!component.empty()) stem += "+" + std::to_string(i) + "=" + escape_component(component);
    }
    return stem;
}

std::optional<KDB_PATH> kdb_path_from_file_stem(std::string_view stem)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        std::size_t plus = stem.find('+', start);
        parts.push_back(stem.substr(start, plus == std::string_view::npos ? std::string_view::npos : plus - start));
        if (plus == std::string_view::npos) break;
        start = plus + 1;
    }
    if (parts.size() < 3) return std::nullopt;
    KDB_PATH path;
    for (int i = 0; i < 3; ++i) {
        std::optional<std::string> text = unescape_component(parts[static_cast<std::size_t>(i)]);
        if (!text) return std::nullopt;
        path.set_component(STEM_ORDER[i], *text);
    }
    for (std::size_t i = 3; i < parts.size(); ++i) {
        std::string_view part = parts[i];
        if (part.size() < 3 || part[1] != '=' || part[0] < '0' || part[0] > '7') return std::nullopt;
        int index = part[0] - '0';
        std::optional<std::string> text = unescape_component(part.substr(2));
        if (!text || text->empty()) return std::nullopt;
        path.set_component(index, *text);
    }
    // Components must come in order and only once, so that the stem is the canonical one.
    if (kdb_model_file_stem(path) != stem) return std::nullopt;
    return path;
}

// ---- KDB_SERVICE ---------------------------------------------------------------------------------

std::string KDB_SERVICE::get_db_dir() const { return m_db_dir.empty() ? gen_get_db_dir_path_string() : m_db_dir; }

std::string KDB_SERVICE::get_model_file_path(const KDB_PATH& path, bool bak) const
{
    const KDB_MODEL_HANDLER* handler = kdb_find_model_handler_for_path(path);
    if (handler == nullptr) return std::string();
    std::string db = get_db_dir();
    if (db.empty()) return std::string();
    return db + "/" + kdb_model_file_stem(path) + "." +
           (bak ? handler->get_bak_extension() : handler->get_type_extension());
}

bool KDB_SERVICE::model_exists(const KDB_PATH& path) const
{
    const KDB_MODEL_HANDLER* handler = kdb_find_model_handler_for_path(path);
    if (handler == nullptr) return false;
    if (KDB_FILE(get_model_file_path(path, false), handler->get_type_extension(), false).exists()) return true;
    return handler->has_bak_support() &&
           KDB_FILE(get_model_file_path(path, true), handler->get_bak_extension(), true).exists();
}

KDB_BACKUP_MATCH KDB_LOAD_INFO::backup_match() const
{
    if (!backup.stamp || !binary.stamp) return KDB_BACKUP_MATCH::UNVERIFIED;
    return *backup.stamp == *binary.stamp ? KDB_BACKUP_MATCH::MATCHES : KDB_BACKUP_MATCH::STALE;
}

namespace {

const char* form_state_text(KDB_FORM_STATE::STATE state)
{
    switch (state) {
    case KDB_FORM_STATE::STATE::MISSING:
        return "missing";
    case KDB_FORM_STATE::STATE::UNREADABLE:
        return "unreadable";
    case KDB_FORM_STATE::STATE::DAMAGED:
        return "damaged";
    case KDB_FORM_STATE::STATE::READABLE:
        return "readable";
    case KDB_FORM_STATE::STATE::NOT_READ:
        break;
    }
    return "not read";
}

// Reads one stored form and records what was found. A file the system will not let us read is told
// apart from one whose contents are bad: the first is a matter of permissions, the second of damage.
std::unique_ptr<KDB_MODEL> read_form(const KDB_MODEL_HANDLER& handler, const KDB_PATH& path, const KDB_FILE& file,
                                     KDB_FORM_STATE& state)
{
    state = KDB_FORM_STATE();
    const std::string& name = file.get_full_path();
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) {
        state.state = errno == ENOENT ? KDB_FORM_STATE::STATE::MISSING : KDB_FORM_STATE::STATE::UNREADABLE;
        state.reason = std::strerror(errno);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        state.state = KDB_FORM_STATE::STATE::UNREADABLE;
        state.reason = "not a regular file";
        return nullptr;
    }
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        state.state = KDB_FORM_STATE::STATE::UNREADABLE;
        state.reason = std::strerror(errno);
        return nullptr;
    }
    ::close(fd);
    state.stamp = file.is_bak() ? handler.read_bak_stamp(file) : PDB_ARCHIVE::read_stamp(name);

    std::unique_ptr<KDB_MODEL> model;
    try {
        model = handler.read_model_from_file(path, file);
    } catch (const std::exception& e) {
        msg_local_vdebug("RDB", 2, "kdb: reading %s failed: %s", name.c_str(), e.what());
        model.reset();
    }
    if (model && model->get_type() != handler.name_of_handled_type()) {
        msg_local_vdebug("RDB", 2, "kdb: %s holds a model of type \"%s\", not \"%s\"", name.c_str(),
                         model->get_type().c_str(), handler.name_of_handled_type().c_str());
        model.reset();
    }
    state.state = model ? KDB_FORM_STATE::STATE::READABLE : KDB_FORM_STATE::STATE::DAMAGED;
    return model;
}

// A load from the backup is never silent: the debug line says whether the backup is the one written
// with the binary file, or an older or newer one.
void post_fallback(const KDB_FILE& binary, const KDB_FILE& bak, const KDB_LOAD_INFO& info)
{
    msg_local_vdebug("RDB", 2, "kdb: %s is %s; reading the backup %s", binary.get_full_path().c_str(),
                     form_state_text(info.binary.state), bak.get_full_path().c_str());
    switch (info.backup_match()) {
    case KDB_BACKUP_MATCH::MATCHES:
        break;
    case KDB_BACKUP_MATCH::STALE:
        msg_local_vdebug("RDB", 2, "kdb: the backup %s was not written with %s: it holds an older or newer report",
                         bak.get_full_path().c_str(), binary.get_full_path().c_str());
        break;
    case KDB_BACKUP_MATCH::UNVERIFIED:
        msg_local_vdebug("RDB", 2, "kdb: the backup %s cannot be checked against %s", bak.get_full_path().c_str(),
                         binary.get_full_path().c_str());
        break;
    }
}

} // namespace

std::unique_ptr<KDB_MODEL> KDB_SERVICE::get_model(const KDB_PATH& path, KDB_LOAD_INFO* info) const
{
    KDB_LOAD_INFO local;
    KDB_LOAD_INFO& found = info != nullptr ? *info : local;
    found = KDB_LOAD_INFO();
    const KDB_MODEL_HANDLER* handler = kdb_find_model_handler_for_path(path);
    if (handler == nullptr) return nullptr;

    KDB_FILE binary(get_model_file_path(path, false), handler->get_type_extension(), false);
    std::unique_ptr<KDB_MODEL> model = read_form(*handler, path, binary, found.binary);
    if (!model && handler->has_bak_support()) {
        KDB_FILE bak(get_model_file_path(path, true), handler->get_bak_extension(), true);
        model = read_form(*handler, path, bak, found.backup);
        if (model) {
            found.from_backup = true;
            post_fallback(binary, bak, found);
        }
    }
    if (model) model->set_path(path);
    return model;
}

std::unique_ptr<KDB_MODEL> KDB_SERVICE::check_model(const KDB_PATH& path, KDB_LOAD_INFO& info) const
{
    info = KDB_LOAD_INFO();
    const KDB_MODEL_HANDLER* handler = kdb_find_model_handler_for_path(path);
    if (handler == nullptr) return nullptr;
    KDB_FILE binary(get_model_file_path(path, false), handler->get_type_extension(), false);
    std::unique_ptr<KDB_MODEL> model = read_form(*handler, path, binary, info.binary);
    if (handler->has_bak_support()) {
        KDB_FILE bak(get_model_file_path(path, true), handler->get_bak_extension(), true);
        std::unique_ptr<KDB_MODEL> backup = read_form(*handler, path, bak, info.backup);
        if (!model && backup) {
            model = std::move(backup);
            info.from_backup = true;
        }
    }
    if (model) model->set_path(path);
    return model;
}

bool KDB_SERVICE::put_model(const KDB_PATH& path, KDB_MODEL& model, std::string* error) const
{
    auto failed = [&](const std::string& why) {
        if (error != nullptr) *error = why;
        return false;
    };
    const KDB_MODEL_HANDLER* handler = kdb_find_model_handler_for_path(path);
    if (handler == nullptr) return failed("no model handler serves " + path.to_string());
    const std::string binary_path = get_model_file_path(path, false);
    if (binary_path.empty()) return failed("there is no database folder");
    if (model.get_type() != handler->name_of_handled_type())
        return failed("a model of type \"" + model.get_type() + "\" cannot be stored as \"" +
                      handler->name_of_handled_type() + "\"");
    model.set_path(path);

    // Both temporary files are written and synced before either is renamed: a full disk, a file-size
    // limit or a name too long for one of them then leaves both old files as they were. The binary
    // file is renamed last because loads read it first: until its rename the old report is what
    // every load answers, and a crash between the two renames leaves a backup whose stamp no longer
    // matches the binary file, which loads and checks detect.
    std::string why;
    PDB_ATOMIC_FILE binary(binary_path);
    PDB_ARCHIVE_STAMP stamp;
    if (!binary.is_open()) return failed(binary.error());
    if (!handler->write_binary_form(model, binary, stamp, &why)) return failed(why);
    if (!binary.finish()) return failed(binary.error());
    if (handler->has_bak_support()) {
        PDB_ATOMIC_FILE bak(get_model_file_path(path, true));
        if (!bak.is_open()) return failed(bak.error());
        if (!handler->write_bak_form(model, bak, stamp, &why)) return failed(why);
        if (!bak.finish() || !bak.publish()) return failed(bak.error());
    }
    if (!binary.publish()) return failed(binary.error());
    return true;
}

bool KDB_SERVICE::delete_model(const KDB_PATH& path) const
{
    const KDB_MODEL_HANDLER* handler = kdb_find_model_handler_for_path(path);
    if (handler == nullptr) return false;
    bool removed = false;
    for (bool bak : {false, true}) {
        std::string file = get_model_file_path(path, bak);
        if (!file.empty() && ::unlink(file.c_str()) == 0) removed = true;
    }
    return removed;
}

std::vector<KDB_MODEL_INFO> KDB_SERVICE::list_models(std::string* error) const
{
    namespace fs = std::filesystem;
    std::map<std::string, KDB_MODEL_INFO> found; // by file stem and type
    std::string db = get_db_dir();
    std::error_code ec;
    if (db.empty()) return {};
    if (!fs::exists(db, ec) && !ec) return {};
    std::vector<const KDB_MODEL_HANDLER*> handlers;
    {
        HANDLER_REGISTRY& registry = handler_registry();
        std::lock_guard<std::mutex> lock(registry.mutex);
        for (const auto& handler : registry.handlers)
            handlers.push_back(handler.get());
    }
    for (fs::directory_iterator it(db, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code status_error;
        if (!it->is_regular_file(status_error)) continue;
        std::string name = it->path().filename().string();
        if (pdb_is_temp_file_name(name)) continue;
        for (const KDB_MODEL_HANDLER* handler : handlers) {
            bool bak = false;
            std::string stem;
            std::string binary_suffix = "." + handler->get_type_extension();
            std::string bak_suffix = "." + handler->get_bak_extension();
            if (name.ends_with(bak_suffix)) {
                bak = true;
                stem = name.substr(0, name.size() - bak_suffix.size());
            } else if (name.ends_with(binary_suffix)) {
                stem = name.substr(0, name.size() - binary_suffix.size());
            } else {
                continue;
            }
            std::optional<KDB_PATH> path = kdb_path_from_file_stem(stem);
            if (!path || kdb_find_model_handler_for_path(*path) != handler) continue;
            KDB_MODEL_INFO& info = found[stem + "." + handler->get_type_extension()];
            info.path = *path;
            info.revision = path->get_component(KDB_PATH::REVISION_COMPONENT);
            info.model_name = path->get_component(KDB_PATH::MODEL_COMPONENT);
            std::size_t dot = info.model_name.find('.');
            info.type_key = dot == std::string::npos ? std::string() : info.model_name.substr(dot + 1);
            info.type = handler->name_of_handled_type();
            (bak ? info.has_bak : info.has_binary) = true;
            // The binary file describes the model; the backup only when it is alone.
            if (!bak || !info.has_binary) {
                struct stat st {};
                if (::stat(it->path().c_str(), &st) == 0) {
                    info.file_path = it->path().string();
                    info.size = static_cast<std::uint64_t>(st.st_size);
                    info.modification_time = static_cast<std::int64_t>(st.st_mtime);
                }
            }
            break;
        }
    }
    if (ec) {
        if (error != nullptr) *error = "cannot list the database folder '" + db + "': " + ec.message();
        return {};
    }
    std::vector<KDB_MODEL_INFO> models;
    for (auto& entry : found)
        models.push_back(std::move(entry.second));
    return models;
}

std::vector<std::string> KDB_SERVICE::list_stale_temp_files() const
{
    std::vector<std::string> stale;
    const std::string db = get_db_dir();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(db, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (pdb_is_temp_file_name(name) && pdb_is_stale_temp_file_name(name)) stale.push_back(it->path().string());
    }
    std::sort(stale.begin(), stale.end());
    return stale;
}

std::vector<std::string> KDB_SERVICE::remove_stale_temp_files(const KDB_PATH& path) const
{
    std::vector<std::string> removed;
    for (bool bak : {false, true}) {
        const std::string file = get_model_file_path(path, bak);
        if (file.empty()) continue;
        for (std::string& name : pdb_remove_stale_temp_files(file))
            removed.push_back(std::move(name));
    }
    return removed;
}

KDB_SERVICE* kdb_get_default_service()
{
    static KDB_SERVICE* service = new KDB_SERVICE();
    return service;
}

KDB_SERVICE& kdb_get_default_service_or_die()
{
    KDB_SERVICE* service = kdb_get_default_service();
    RDB_ASSERT_MSG(service != nullptr, "kdb_service");
    return *service;
}

std::string kdb_model_file_name(const KDB_PATH& path)
{
    return kdb_get_default_service()->get_model_file_path(path, false);
}
