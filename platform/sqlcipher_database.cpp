#include "platform/sqlcipher_database.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <climits>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "files/folder.h"
#include "files/read.h"
#include "platform/key_derivation.h"

namespace vt::platform {

namespace {

// Long enough to outlast another program's short write, short enough not to freeze the window.
constexpr int kBusyTimeoutMs = 2000;

// Finalizes on every path out of Execute, so no statement keeps a lock between calls.
class Statement {
 public:
  explicit Statement(sqlite3_stmt* statement) : statement_(statement) {}
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  sqlite3_stmt* get() const { return statement_; }

 private:
  sqlite3_stmt* statement_;
};

// The fields of the statement's current row as text; no value when one cannot be converted.
std::optional<std::vector<std::optional<std::string>>> ReadRow(sqlite3_stmt* statement,
                                                               int columnCount) {
  std::vector<std::optional<std::string>> row;
  row.reserve(static_cast<std::size_t>(columnCount));
  for (int c = 0; c < columnCount; ++c) {
    if (sqlite3_column_type(statement, c) == SQLITE_NULL) {
      row.emplace_back(std::nullopt);
      continue;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
    if (text == nullptr) {
      return std::nullopt;
    }
    row.emplace_back(
        std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, c))));
  }
  return row;
}

class SqlCipherDatabase final : public database::DatabasePort {
 public:
  explicit SqlCipherDatabase(sqlite3* connection) : connection_(connection) {}
  ~SqlCipherDatabase() override { sqlite3_close(connection_); }
  SqlCipherDatabase(const SqlCipherDatabase&) = delete;
  SqlCipherDatabase& operator=(const SqlCipherDatabase&) = delete;

  std::optional<database::ResultSet> Execute(std::string_view sql,
                                             std::span<const std::string> parameters) override {
    if (connection_ == nullptr || sql.size() > INT_MAX) {
      return std::nullopt;
    }
    sqlite3_stmt* raw = nullptr;
    // Only the first statement of the text is compiled; anything after it is never run.
    if (sqlite3_prepare_v2(connection_, sql.data(), static_cast<int>(sql.size()), &raw, nullptr) !=
        SQLITE_OK) {
      sqlite3_finalize(raw);
      return std::nullopt;
    }
    Statement statement(raw);
    if (raw == nullptr) {
      return database::ResultSet();  // blank text or only a comment: nothing to run
    }
    for (std::size_t i = 0; i < parameters.size(); ++i) {
      const std::string& value = parameters[i];
      if (value.size() > INT_MAX || i >= INT_MAX ||
          sqlite3_bind_text(raw, static_cast<int>(i + 1), value.data(),
                            static_cast<int>(value.size()), SQLITE_TRANSIENT) != SQLITE_OK) {
        return std::nullopt;
      }
    }
    const int columnCount = sqlite3_column_count(raw);
    std::vector<std::string> columns;
    columns.reserve(static_cast<std::size_t>(columnCount));
    for (int c = 0; c < columnCount; ++c) {
      const char* name = sqlite3_column_name(raw, c);
      columns.emplace_back(name != nullptr ? name : "");
    }
    std::vector<std::vector<std::optional<std::string>>> rows;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
      std::optional<std::vector<std::optional<std::string>>> row = ReadRow(raw, columnCount);
      if (!row) {
        rc = SQLITE_NOMEM;  // out of memory while converting
        break;
      }
      rows.push_back(std::move(*row));
    }
    if (rc != SQLITE_DONE && rows.empty()) {
      return std::nullopt;
    }
    return database::ResultSet(std::move(columns), std::move(rows), rc == SQLITE_DONE);
  }

 private:
  sqlite3* connection_;
};

// The file format: a random salt opens the file, and the page key is derived from the
// passphrase and the salt with PBKDF2-HMAC-SHA1.
constexpr std::size_t kSaltSize = 16;
constexpr int kKeyDerivationRounds = 64000;
constexpr std::size_t kPageKeySize = 32;

std::optional<std::array<unsigned char, kSaltSize>> ReadSalt(int fd) {
  const files::Result<std::string> bytes = files::ReadAt(fd, 0, kSaltSize);
  if (!bytes || bytes->size() != kSaltSize) {
    return std::nullopt;
  }
  std::array<unsigned char, kSaltSize> salt{};
  std::copy(bytes->begin(), bytes->end(), salt.begin());
  return salt;
}

// SQLCipher takes a key written as x'<hex>' as the page key itself and derives nothing.
std::string PageKeyText(std::span<const unsigned char> salt) {
  return "x'" + LowerHex(Pbkdf2HmacSha1(kCipherKey, salt, kKeyDerivationRounds, kPageKeySize)) +
         "'";
}

// Opens `path` read-write (never creating it) and sets the key; null when the file cannot be
// opened or deciphered with it.
sqlite3* OpenKeyed(const std::filesystem::path& path, std::string_view key) {
  sqlite3* connection = nullptr;
  if (sqlite3_open_v2(path.c_str(), &connection, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK ||
      sqlite3_key(connection, key.data(), static_cast<int>(key.size())) != SQLITE_OK) {
    sqlite3_close(connection);
    return nullptr;
  }
  // SQLCipher 3 ignores this pragma; SQLCipher 4 needs it to read the files version 3 writes.
  sqlite3_exec(connection, "PRAGMA cipher_compatibility = 3", nullptr, nullptr, nullptr);
  sqlite3_busy_timeout(connection, kBusyTimeoutMs);
  // The first read deciphers page 1. A file still locked by another program's write is kept:
  // it may well be readable at the next statement.
  const int rc =
      sqlite3_exec(connection, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK && rc != SQLITE_BUSY && rc != SQLITE_LOCKED) {
    sqlite3_close(connection);
    return nullptr;
  }
  return connection;
}

// The page key derived here takes less than half the time of SQLCipher's own derivation, which the
// wizard's start-up waits for. The passphrase still opens a file that has no salt yet (a new, empty
// one) or whose salt changed after it was read. Null when neither opens the file, so that every
// statement fails, also those that read no table; also for anything but a regular file, which
// SQLite would wait on (a FIFO) or read without end (a device).
sqlite3* OpenDeciphered(const std::filesystem::path& path) {
  const files::Result<files::OpenFile> file = files::OpenForReading(path);
  if (!file) {
    return nullptr;
  }
  if (const auto salt = ReadSalt(file->fd.get())) {
    if (sqlite3* connection = OpenKeyed(path, PageKeyText(*salt))) {
      return connection;
    }
  }
  return OpenKeyed(path, kCipherKey);
}

}  // namespace

std::unique_ptr<database::DatabasePort> OpenDatabase(const std::filesystem::path& path) {
  return std::make_unique<SqlCipherDatabase>(OpenDeciphered(path));
}

std::unique_ptr<database::DatabasePort> CreateDatabase(const std::filesystem::path& path) {
  // An exclusive creation refuses an existing file (or link) in one step; an empty file is an
  // empty database.
  const files::Result<files::Folder> folder = files::Folder::Open(path.parent_path());
  const std::string name = path.filename().string();
  if (!folder || !folder->CreateFile(name, 0644)) {
    return nullptr;
  }
  sqlite3* connection = OpenDeciphered(path);
  if (connection == nullptr) {
    folder->RemoveFile(name);
    return nullptr;
  }
  return std::make_unique<SqlCipherDatabase>(connection);
}

}  // namespace vt::platform
