// The registry of the view: a hive store in one SQLite database.
//
//   reg_keys(id, parent, name, folded)       parent 0 for the five roots (ids 1 to 5)
//   reg_values(id, key, name, folded, type, data)
//
// Names keep their spelling in `name` (COLLATE NOCASE for anyone reading the file with the
// sqlite3 shell); lookups and uniqueness go through `folded`, the name upper-cased with full
// Unicode tables, as Windows compares key and value names. Rows are enumerated by id, which
// is creation order; overwriting a value keeps its place.
//
// The store is opened on first use. When its file does not exist yet it is created, and the
// view's .reg files are imported (the native view instead seeds the few values the program
// reads); a failed import removes the new file again, so the next use retries.

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>

#include "platform/reg_text.h"
#include "platform/registry.h"
#include "platform/view_internal.h"

namespace scourwell::platform {
namespace {

constexpr int kCsidlLocalAppData = 28;

const char* const kSchema = R"sql(
CREATE TABLE IF NOT EXISTS reg_keys(
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    parent INTEGER NOT NULL,
    name TEXT NOT NULL COLLATE NOCASE,
    folded TEXT NOT NULL,
    UNIQUE(parent, folded));
CREATE TABLE IF NOT EXISTS reg_values(
    id INTEGER PRIMARY KEY,
    key INTEGER NOT NULL,
    name TEXT NOT NULL COLLATE NOCASE,
    folded TEXT NOT NULL,
    type INTEGER NOT NULL,
    data BLOB NOT NULL,
    UNIQUE(key, folded));
INSERT OR IGNORE INTO reg_keys(id, parent, name, folded) VALUES
    (1, 0, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),
    (2, 0, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
    (3, 0, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
    (4, 0, 'HKEY_USERS', 'HKEY_USERS'),
    (5, 0, 'HKEY_CURRENT_CONFIG', 'HKEY_CURRENT_CONFIG');
)sql";

int64_t RootId(RootKey root) { return static_cast<int64_t>(root) + 1; }

// One prepared statement for the length of a call.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) {
        if (db == nullptr || sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return stmt_ != nullptr; }
    Statement& Bind(int index, int64_t value) {
        if (stmt_) sqlite3_bind_int64(stmt_, index, value);
        return *this;
    }
    Statement& Bind(int index, std::string_view text) {
        if (stmt_) sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& BindBlob(int index, std::string_view bytes) {
        if (stmt_) sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
        return *this;
    }
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_MISUSE; }
    bool Run() { return Step() == SQLITE_DONE; }
    int64_t Int(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string Text(int column) const {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_, column));
        return data ? std::string(data, static_cast<size_t>(sqlite3_column_bytes(stmt_, column))) : "";
    }

private:
    sqlite3_stmt* stmt_ = nullptr;
};

bool Exec(sqlite3* db, const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

struct StoreState {
    std::recursive_mutex mutex;
    sqlite3* db = nullptr;
    std::string path;
};

StoreState& Store() {
    static StoreState state;
    return state;
}

void CloseLocked(StoreState& state) {
    if (state.db != nullptr) sqlite3_close_v2(state.db);
    state.db = nullptr;
    state.path.clear();
}

// --- key and value primitives (the store's mutex is held) -----------------------------------

std::optional<int64_t> ChildKey(sqlite3* db, int64_t parent, std::string_view name, bool create) {
    const std::string folded = detail::FoldCase(name);
    Statement find(db, "SELECT id FROM reg_keys WHERE parent = ? AND folded = ?");
    find.Bind(1, parent).Bind(2, folded);
    if (find.Step() == SQLITE_ROW) return find.Int(0);
    if (!create) return std::nullopt;
    Statement insert(db, "INSERT INTO reg_keys(parent, name, folded) VALUES (?, ?, ?)");
    insert.Bind(1, parent).Bind(2, name).Bind(3, folded);
    if (!insert.Run()) return std::nullopt;
    return sqlite3_last_insert_rowid(db);
}

std::optional<int64_t> FindKey(sqlite3* db, RootKey root, std::string_view path, bool create) {
    int64_t id = RootId(root);
    const std::string normalized = detail::NormalizeKeyPath(path);
    size_t start = 0;
    while (start < normalized.size()) {
        size_t end = normalized.find('\\', start);
        if (end == std::string::npos) end = normalized.size();
        const auto child = ChildKey(db, id, std::string_view(normalized).substr(start, end - start), create);
        if (!child) return std::nullopt;
        id = *child;
        start = end + 1;
    }
    return id;
}

bool KeyAlive(sqlite3* db, int64_t id) {
    Statement find(db, "SELECT 1 FROM reg_keys WHERE id = ?");
    find.Bind(1, id);
    return find.Step() == SQLITE_ROW;
}

std::string Encode(const RegistryValue& value) {
    if (value.type != ValueType::Dword) return value.data;
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<char>((value.dword >> (8 * i)) & 0xFF);
    return bytes;
}

RegistryValue Decode(std::string name, uint32_t type, std::string bytes) {
    RegistryValue value;
    value.name = std::move(name);
    value.type = static_cast<ValueType>(type);
    if (value.type == ValueType::Dword) {
        for (size_t i = 0; i < 4 && i < bytes.size(); ++i)
            value.dword |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    } else {
        value.data = std::move(bytes);
    }
    return value;
}

bool SetValue(sqlite3* db, int64_t key, const RegistryValue& value) {
    Statement upsert(db,
                     "INSERT INTO reg_values(key, name, folded, type, data) VALUES (?, ?, ?, ?, ?) "
                     "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    upsert.Bind(1, key).Bind(2, value.name).Bind(3, detail::FoldCase(value.name));
    upsert.Bind(4, static_cast<int64_t>(value.type)).BindBlob(5, Encode(value));
    return upsert.Run();
}

bool RemoveValue(sqlite3* db, int64_t key, std::string_view name) {
    Statement remove(db, "DELETE FROM reg_values WHERE key = ? AND folded = ?");
    remove.Bind(1, key).Bind(2, detail::FoldCase(name));
    return remove.Run() && sqlite3_changes(db) > 0;
}

bool RemoveTree(sqlite3* db, int64_t key) {
    const char* const kTree =
        "WITH RECURSIVE tree(id) AS (SELECT ? UNION ALL "
        "SELECT reg_keys.id FROM reg_keys JOIN tree ON reg_keys.parent = tree.id) ";
    Statement values(db, (std::string(kTree) + "DELETE FROM reg_values WHERE key IN tree").c_str());
    Statement keys(db, (std::string(kTree) + "DELETE FROM reg_keys WHERE id IN tree").c_str());
    values.Bind(1, key);
    keys.Bind(1, key);
    return values.Run() && keys.Run();
}

// Runs `body` in one transaction; false (and nothing changed) when it fails.
bool InTransaction(sqlite3* db, const std::function<bool()>& body) {
    if (!Exec(db, "SAVEPOINT scourwell")) return false;
    if (body()) return Exec(db, "RELEASE scourwell");
    Exec(db, "ROLLBACK TO scourwell");
    Exec(db, "RELEASE scourwell");
    return false;
}

bool Apply(sqlite3* db, const std::vector<detail::RegOperation>& operations) {
    using Kind = detail::RegOperation::Kind;
    return InTransaction(db, [&] {
        for (const auto& op : operations) {
            const bool create = op.kind == Kind::CreateKey || op.kind == Kind::SetValue;
            const auto key = FindKey(db, op.root, op.path, create);
            switch (op.kind) {
                case Kind::CreateKey:
                    if (!key) return false;
                    break;
                case Kind::DeleteKey:
                    if (key && !RemoveTree(db, *key)) return false;
                    break;
                case Kind::SetValue:
                    if (!key || !SetValue(db, *key, op.value)) return false;
                    break;
                case Kind::DeleteValue:
                    if (key) RemoveValue(db, *key, op.value.name);
                    break;
            }
        }
        return true;
    });
}

std::optional<std::string> ReadFileText(const std::string& hostPath) {
    std::ifstream in(hostPath, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool ImportInto(sqlite3* db, const std::string& hostPath, std::string* error) {
    const auto bytes = ReadFileText(hostPath);
    if (!bytes) {
        if (error) *error = hostPath + ": cannot read the file";
        return false;
    }
    std::vector<detail::RegOperation> operations;
    std::string message;
    if (!detail::ParseRegText(*bytes, hostPath, operations, message)) {
        if (error) *error = message;
        return false;
    }
    if (!Apply(db, operations)) {
        if (error) *error = hostPath + ": the registry store refused the changes: " + sqlite3_errmsg(db);
        return false;
    }
    return true;
}

bool SeedNative(sqlite3* db, const MachineConfig& view) {
    std::vector<detail::RegOperation> operations;
    const auto set = [&](RootKey root, const char* path, const char* name, const std::string& text) {
        detail::RegOperation op;
        op.kind = detail::RegOperation::Kind::SetValue;
        op.root = root;
        op.path = path;
        op.value.name = name;
        op.value.type = ValueType::String;
        op.value.data = text;
        operations.push_back(op);
    };
    const char* const kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    set(RootKey::LocalMachine, kCurrentVersion, "ProgramFilesDir", "C:\\opt");
    set(RootKey::LocalMachine, kCurrentVersion, "CommonFilesDir", "C:\\usr\\share");
    if (const auto it = view.specialFolders.find(kCsidlLocalAppData); it != view.specialFolders.end()) {
        set(RootKey::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
            "Local AppData", it->second);
    }
    return Apply(db, operations);
}

// The folder of a host file, opened without following a link in its own place; missing levels
// are created one by one (mkdir never follows a link), so a link planted where the folder
// should be is refused rather than written through. -1 when it cannot be opened.
int OpenFolderOf(const std::string& hostFile) {
    const std::filesystem::path folder = std::filesystem::path(hostFile).parent_path();
    if (folder.empty()) return open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    constexpr int kFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    int fd = open(folder.c_str(), kFlags);
    if (fd >= 0 || errno != ENOENT) return fd;
    const int parent = OpenFolderOf(folder.string());
    if (parent < 0) return -1;
    const std::string name = folder.filename().string();
    if (mkdirat(parent, name.c_str(), 0700) != 0 && errno != EEXIST) {
        close(parent);
        return -1;
    }
    fd = openat(parent, name.c_str(), kFlags);
    close(parent);
    return fd;
}

// Writes a host file whole: beside it under a fresh name created exclusively (never through a
// link planted there), then renamed over it.
bool WriteHostFileAtomic(const std::string& hostPath, const std::string& text) {
    const int dir = OpenFolderOf(hostPath);
    if (dir < 0) return false;
    const std::string name = std::filesystem::path(hostPath).filename().string();
    std::string temp;
    int out = -1;
    for (int attempt = 0; attempt < 100 && out < 0; ++attempt) {
        temp = name + ".part";
        if (attempt > 0) temp += std::to_string(getpid()) + "-" + std::to_string(attempt);
        out = openat(dir, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (out < 0 && errno != EEXIST) break;
    }
    bool ok = out >= 0;
    for (size_t done = 0; ok && done < text.size();) {
        const ssize_t n = write(out, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<size_t>(n);
    }
    if (out >= 0 && close(out) != 0) ok = false;
    if (ok) ok = renameat(dir, temp.c_str(), dir, name.c_str()) == 0;
    if (!ok && out >= 0) unlinkat(dir, temp.c_str(), 0);
    close(dir);
    return ok;
}

// The open store of the current view, opened (and created and seeded) when needed.
sqlite3* OpenStore(StoreState& state) {
    const MachineConfig& view = CurrentMachine();
    if (state.db != nullptr && state.path == view.registryStore) return state.db;
    CloseLocked(state);
    const std::string& path = view.registryStore;
    if (path.empty()) return nullptr;
    // The store and its folder are created like every other write: never through a link.
    struct stat info {};
    const bool creating = lstat(path.c_str(), &info) != 0;
    if (creating) {
        const int dir = OpenFolderOf(path);
        if (dir < 0) return nullptr;
        const std::string name = std::filesystem::path(path).filename().string();
        const int file = openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        close(dir);
        if (file < 0) return nullptr;
        close(file);
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW, nullptr) != SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    bool ok = Exec(db, kSchema);
    if (ok && creating) {
        if (view.native) {
            ok = SeedNative(db, view);
        } else {
            for (const std::string& file : view.importFiles) {
                std::string error;
                if (!ImportInto(db, file, &error)) {
                    std::fprintf(stderr, "scourwell: registry store %s not created: %s\n", path.c_str(),
                                 error.c_str());
                    ok = false;
                    break;
                }
            }
        }
    }
    if (!ok) {
        sqlite3_close_v2(db);
        if (creating) unlink(path.c_str());
        return nullptr;
    }
    state.db = db;
    state.path = path;
    return db;
}

struct Session {
    Session() : lock(Store().mutex), db(OpenStore(Store())) {}
    std::lock_guard<std::recursive_mutex> lock;
    sqlite3* db;
};

}  // namespace

namespace detail {

void CloseRegistryStore() {
    StoreState& state = Store();
    std::lock_guard lock(state.mutex);
    CloseLocked(state);
}

}  // namespace detail

const char* RootKeyName(RootKey root) {
    switch (root) {
        case RootKey::ClassesRoot: return "HKEY_CLASSES_ROOT";
        case RootKey::CurrentUser: return "HKEY_CURRENT_USER";
        case RootKey::LocalMachine: return "HKEY_LOCAL_MACHINE";
        case RootKey::Users: return "HKEY_USERS";
        case RootKey::CurrentConfig: return "HKEY_CURRENT_CONFIG";
    }
    return "";
}

std::optional<RegistryKey> RegistryKey::Open(RootKey root, std::string_view path, bool create) {
    Session session;
    if (session.db == nullptr) return std::nullopt;
    std::optional<int64_t> id;
    if (create) {
        InTransaction(session.db, [&] {
            id = FindKey(session.db, root, path, true);
            return id.has_value();
        });
    } else {
        id = FindKey(session.db, root, path, false);
    }
    if (!id) return std::nullopt;
    return RegistryKey(root, detail::NormalizeKeyPath(path), *id);
}

namespace {

// The names a query lists for one key, in the order they were created.
std::vector<std::string> NamesOfKey(const char* sql, int64_t key) {
    Session session;
    std::vector<std::string> names;
    Statement list(session.db, sql);
    list.Bind(1, key);
    while (list.Step() == SQLITE_ROW) names.push_back(list.Text(0));
    return names;
}

}  // namespace

std::vector<std::string> RegistryKey::ValueNames() const {
    return NamesOfKey("SELECT name FROM reg_values WHERE key = ? ORDER BY id", id_);
}

std::vector<std::string> RegistryKey::SubkeyNames() const {
    return NamesOfKey("SELECT name FROM reg_keys WHERE parent = ? ORDER BY id", id_);
}

std::optional<RegistryValue> RegistryKey::ReadValue(std::string_view name) const {
    Session session;
    Statement find(session.db, "SELECT name, type, data FROM reg_values WHERE key = ? AND folded = ?");
    find.Bind(1, id_).Bind(2, detail::FoldCase(name));
    if (find.Step() != SQLITE_ROW) return std::nullopt;
    return Decode(find.Text(0), static_cast<uint32_t>(find.Int(1)), find.Text(2));
}

bool RegistryKey::WriteString(std::string_view name, std::string_view text, bool expandable) {
    RegistryValue value;
    value.name = std::string(name);
    value.type = expandable ? ValueType::ExpandString : ValueType::String;
    value.data = std::string(text);
    Session session;
    return session.db != nullptr && KeyAlive(session.db, id_) && SetValue(session.db, id_, value);
}

bool RegistryKey::WriteDword(std::string_view name, uint32_t dword) {
    RegistryValue value;
    value.name = std::string(name);
    value.type = ValueType::Dword;
    value.dword = dword;
    Session session;
    return session.db != nullptr && KeyAlive(session.db, id_) && SetValue(session.db, id_, value);
}

bool RegistryKey::WriteBinary(std::string_view name, std::string_view bytes) {
    RegistryValue value;
    value.name = std::string(name);
    value.type = ValueType::Binary;
    value.data = std::string(bytes);
    Session session;
    return session.db != nullptr && KeyAlive(session.db, id_) && SetValue(session.db, id_, value);
}

bool RegistryKey::DeleteValue(std::string_view name) {
    Session session;
    return session.db != nullptr && KeyAlive(session.db, id_) && RemoveValue(session.db, id_, name);
}

bool RegistryKeyExists(RootKey root, std::string_view path) {
    Session session;
    return session.db != nullptr && FindKey(session.db, root, path, false).has_value();
}

bool DeleteRegistryKeyTree(RootKey root, std::string_view path) {
    if (detail::NormalizeKeyPath(path).empty()) return false;  // a root stays
    Session session;
    if (session.db == nullptr) return false;
    const auto key = FindKey(session.db, root, path, false);
    return key && InTransaction(session.db, [&] { return RemoveTree(session.db, *key); });
}

bool ImportRegFile(const std::string& hostPath, std::string* error) {
    Session session;
    if (session.db == nullptr) {
        if (error) *error = "the registry store cannot be opened";
        return false;
    }
    return ImportInto(session.db, hostPath, error);
}

bool ExportRegFile(RootKey root, std::string_view path, const std::string& hostPath,
                   std::string* error) {
    std::vector<detail::RegKeyText> keys;
    {
        Session session;
        if (session.db == nullptr) return false;
        const auto top = FindKey(session.db, root, path, false);
        if (!top) return false;
        // Depth first, each key before its subkeys, in creation order.
        std::function<void(int64_t, const std::string&)> visit = [&](int64_t id, const std::string& name) {
            detail::RegKeyText key;
            key.fullName = name;
            Statement values(session.db, "SELECT name, type, data FROM reg_values WHERE key = ? ORDER BY id");
            values.Bind(1, id);
            while (values.Step() == SQLITE_ROW)
                key.values.push_back(Decode(values.Text(0), static_cast<uint32_t>(values.Int(1)), values.Text(2)));
            keys.push_back(std::move(key));
            std::vector<std::pair<int64_t, std::string>> children;
            Statement subkeys(session.db, "SELECT id, name FROM reg_keys WHERE parent = ? ORDER BY id");
            subkeys.Bind(1, id);
            while (subkeys.Step() == SQLITE_ROW) children.emplace_back(subkeys.Int(0), subkeys.Text(1));
            for (const auto& [child, childName] : children) visit(child, name + "\\" + childName);
        };
        // The key's own spelling, from the store rather than from the caller.
        std::string name;
        for (int64_t id = *top; id > static_cast<int64_t>(RootKey::CurrentConfig) + 1;) {
            Statement up(session.db, "SELECT parent, name FROM reg_keys WHERE id = ?");
            up.Bind(1, id);
            if (up.Step() != SQLITE_ROW) return false;
            name = "\\" + up.Text(1) + name;
            id = up.Int(0);
        }
        visit(*top, std::string(RootKeyName(root)) + name);
    }
    std::string text;
    std::string refused;
    if (!detail::FormatRegText(keys, text, refused)) {
        if (error) *error = refused;
        return false;
    }
    if (!WriteHostFileAtomic(hostPath, text)) {
        if (error) *error = hostPath + " cannot be written";
        return false;
    }
    return true;
}

}  // namespace scourwell::platform
