#pragma once
// Project database service: models (stored documents such as reports) kept as files in the
// project's database folder, found by a path of eight components.
//
// Each kind of model has a model handler, registered by its type name, that creates, reads and writes
// models of that kind. A model is stored as one binary file, and, when its handler supports it, a
// backup ("bak") file beside it; the service falls back to the backup when the binary file is missing
// or unreadable. File names are made from the path by an escaping that keeps every name inside the
// database folder and can be reversed, so the stored models can be listed.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gen/gen_project.h"
#include "pdb/pdb.h"

// Where a model lives: eight text components. Component 1 is the revision name, 4 the snapshot and
// 6 the model name ("report.<type key>" for reports).
class KDB_PATH {
public:
    static constexpr int COMPONENT_COUNT = 8;
    static constexpr int REVISION_COMPONENT = 1;
    static constexpr int SNAPSHOT_COMPONENT = 4;
    static constexpr int MODEL_COMPONENT = 6;

    KDB_PATH() = default;
    // An index outside 0..7 is the internal error "index >= 0 && index < COMPONENT_COUNT".
    const std::string& get_component(int index) const;
    void set_component(int index, const std::string& text);
    // True when every component is empty.
    bool empty() const;
    // The components joined by "/", e.g. "/top///_all//report.fit/".
    std::string to_string() const;
    bool operator==(const KDB_PATH& other) const = default;

private:
    std::array<std::string, COMPONENT_COUNT> m_components;
};

// The header every model carries: its type name (the handler's) and its path.
struct KDB_MODEL_HEADER {
    std::string type;
    KDB_PATH path;
};

// A stored document. Derived classes own their payload and add it to the transfer routine.
class KDB_MODEL : public PDB_VIRTUAL_OBJECT {
public:
    ~KDB_MODEL() override = default;

    KDB_MODEL_HEADER& get_header() { return m_header; }
    const KDB_MODEL_HEADER& get_header() const { return m_header; }
    const std::string& get_type() const { return m_header.type; }
    const KDB_PATH& get_path() const { return m_header.path; }
    void set_path(const KDB_PATH& path) { m_header.path = path; }

    // Forgets the payload without deleting it: the model's destructor then leaves it alone.
    virtual void orphan_payload() {}

    // Transfers the header (type, then the eight path components).
    void serialize(PDB_SEGMENT& segment) override;
    const PDB_THUNK_INFO* pdb_thunk_info() const override { return &s_thunk; }
    static const PDB_THUNK_INFO* pdb_thunk() { return &s_thunk; }
    static PDB_CLASS_THUNK<KDB_MODEL> s_thunk;

protected:
    KDB_MODEL() = default;
    explicit KDB_MODEL(const std::string& type) { m_header.type = type; }

private:
    KDB_MODEL_HEADER m_header;
};

// A model file: its full path, its extension and whether it is the backup form.
class KDB_FILE {
public:
    KDB_FILE(std::string full_path, std::string extension, bool is_bak)
        : m_full_path(std::move(full_path)), m_extension(std::move(extension)), m_is_bak(is_bak)
    {
    }
    const std::string& get_full_path() const { return m_full_path; }
    // The extension without its dot, e.g. "rdb".
    const std::string& get_extension() const { return m_extension; }
    // The full path without "." and the extension.
    std::string get_path_without_extension() const;
    bool is_bak() const { return m_is_bak; }
    // True when a regular file exists at the path.
    bool exists() const;

private:
    std::string m_full_path;
    std::string m_extension;
    bool m_is_bak;
};

// Creates, reads and writes the models of one type.
class KDB_MODEL_HANDLER {
public:
    virtual ~KDB_MODEL_HANDLER() = default;

    // The model type this handler serves (the model header's type).
    virtual std::string name_of_handled_type() const = 0;
    // The first word of path component 6 for models of this type ("report" for "report.fit").
    virtual std::string name_of_handled_model() const = 0;
    // The binary file's extension.
    virtual std::string get_type_extension() const = 0;
    // Whether a backup file is written and read beside the binary file.
    virtual bool has_bak_support() const = 0;
    // A new empty model for the path; the caller owns it.
    virtual std::unique_ptr<KDB_MODEL> create_new_model(const KDB_PATH& path) const = 0;
    // The model stored in the file, or null (missing or unreadable); never throws.
    virtual std::unique_ptr<KDB_MODEL> read_model_from_file(const KDB_PATH& path, const KDB_FILE& file) const = 0;
    // Stores the model in the binary form, or with bak set in the backup form; false on failure
    // (the previous file is then intact).
    virtual bool write_model_to_file(KDB_MODEL* model, const KDB_FILE& file, bool bak) const = 0;

    // The backup file's extension: the type extension followed by ".bak" ("rdb.bak").
    std::string get_bak_extension() const { return get_type_extension() + ".bak"; }

    // The two forms of one store, written into temporary files that the service puts in place only
    // when both are whole (KDB_SERVICE::put_model). The binary form is an archive of the model and
    // gives its stamp; the backup form records that stamp, so that a later load can tell whether the
    // backup was written with the binary file beside it. False with a reason in error.
    virtual bool write_binary_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, PDB_ARCHIVE_STAMP& stamp,
                                   std::string* error) const;
    virtual bool write_bak_form(KDB_MODEL& model, PDB_ATOMIC_FILE& file, const PDB_ARCHIVE_STAMP& binary_stamp,
                                std::string* error) const = 0;
    // The binary stamp a backup file records; nullopt when it records none or cannot be read.
    virtual std::optional<PDB_ARCHIVE_STAMP> read_bak_stamp(const KDB_FILE& file) const = 0;
};

// Registers a handler; it replaces a handler of the same type name. A null handler is ignored.
void kdb_register_model_handler(std::unique_ptr<KDB_MODEL_HANDLER> handler);
// The handler registered for a type name, or null.
const KDB_MODEL_HANDLER* kdb_find_model_handler(const std::string& type_name);
// The handler whose model name is the first word of the path's component 6, or null.
const KDB_MODEL_HANDLER* kdb_find_model_handler_for_path(const KDB_PATH& path);

// What a load or a check found of one stored form of a model.
struct KDB_FORM_STATE {
    enum class STATE {
        NOT_READ, // not looked at (the other form sufficed, or backups are off)
        MISSING,
        UNREADABLE, // the system refused to open or read it: reason says why
        DAMAGED, // it reads, but is not a whole model of the handler's type
        READABLE,
    };
    STATE state = STATE::NOT_READ;
    std::string reason;
    // The binary file's stamp, or the binary stamp the backup records.
    std::optional<PDB_ARCHIVE_STAMP> stamp;
};

// Whether a backup belongs to the binary file beside it.
enum class KDB_BACKUP_MATCH {
    MATCHES, // written in the same store as the binary file
    STALE, // written in another store: older or newer than the binary file
    UNVERIFIED, // the backup records no stamp, or the binary file's header cannot be read
};

struct KDB_LOAD_INFO {
    KDB_FORM_STATE binary;
    KDB_FORM_STATE backup;
    // The model came from the backup because the binary file was missing, unreadable or damaged.
    bool from_backup = false;

    KDB_BACKUP_MATCH backup_match() const;
};

// One stored model, as a listing shows it.
struct KDB_MODEL_INFO {
    KDB_PATH path;
    std::string revision; // component 1
    std::string model_name; // component 6, e.g. "report.fit"
    std::string type_key; // component 6 after its first word, e.g. "fit"
    std::string type; // the handler's type name
    std::string file_path; // the binary file, or the backup when only that exists
    std::uint64_t size = 0; // bytes of file_path
    std::int64_t modification_time = 0; // seconds since the epoch, of file_path
    bool has_binary = false;
    bool has_bak = false;
};

// The escaped file stem of a path: the components 1, 4 and 6 joined by "+", then "+<index>=<text>"
// for every other non-empty component. Only letters, digits, "_", "-" and inner "." stay as they
// are; every other byte (and a leading ".") is written "%XX", so a stem never contains "/" and never
// names a hidden file, "." or "..".
std::string kdb_model_file_stem(const KDB_PATH& path);
// The path a stem was made from; empty for a text that is not such a stem.
std::optional<KDB_PATH> kdb_path_from_file_stem(std::string_view stem);

class KDB_SERVICE {
public:
    // A service over the given database folder; empty: the project's database folder
    // (gen_get_db_dir_path_string) at each call.
    explicit KDB_SERVICE(std::string db_dir = std::string()) : m_db_dir(std::move(db_dir)) {}

    std::string get_db_dir() const;
    // The file of a path's model: "<db>/<stem>.<type extension>", or with bak the backup file. Empty
    // when no handler serves the path.
    std::string get_model_file_path(const KDB_PATH& path, bool bak = false) const;

    // True when the binary or the backup file of the path exists.
    bool model_exists(const KDB_PATH& path) const;
    // The stored model with its header path set to path; null when absent or unreadable (also in
    // the backup form) or when it is not of its handler's type. info (when given) tells which form
    // it came from and what was found of each; a load from the backup is posted as a debug line
    // that says whether the backup matches the binary file.
    std::unique_ptr<KDB_MODEL> get_model(const KDB_PATH& path, KDB_LOAD_INFO* info = nullptr) const;
    // Reads both stored forms of the path's model, whatever the first one gives: what a consistency
    // check needs. The model is the one get_model would answer.
    std::unique_ptr<KDB_MODEL> check_model(const KDB_PATH& path, KDB_LOAD_INFO& info) const;
    // Stores the model under the path as one change: both forms (the backup when supported) are
    // written to temporary files first, and only when both are whole are they renamed into place,
    // the backup first and the binary file last. A failure before the binary file's rename changes
    // nothing a load would answer: the old binary file stays, and a load reads it. False (reason
    // in error) when no handler serves the path or a write failed. Sets the model's header path.
    bool put_model(const KDB_PATH& path, KDB_MODEL& model, std::string* error = nullptr) const;
    // Removes the stored model (both forms); true when something was removed.
    bool delete_model(const KDB_PATH& path) const;
    // Every stored model, ordered by file name. Temporary and foreign files are skipped. A database
    // folder that does not exist holds no model; one that cannot be listed is an error (empty
    // result, reason in error).
    std::vector<KDB_MODEL_INFO> list_models(std::string* error = nullptr) const;
    // The temporary files in the database folder whose writers died before finishing them.
    std::vector<std::string> list_stale_temp_files() const;
    // Removes the stale temporary files of the path's model (both forms). Call it while holding the
    // model's lock; answers the files removed.
    std::vector<std::string> remove_stale_temp_files(const KDB_PATH& path) const;

private:
    std::string m_db_dir;
};

// The process's service over the project database (never null).
KDB_SERVICE* kdb_get_default_service();
KDB_SERVICE& kdb_get_default_service_or_die();

// The full path of the binary file of the path's model in the default service. It is also the
// name of the model's inter-process mutex.
std::string kdb_model_file_name(const KDB_PATH& path);
