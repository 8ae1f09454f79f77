#pragma once

// A small RAII layer over SQLite: a connection, prepared statements that finalize themselves, and
// result codes instead of exceptions.

#include <QByteArray>
#include <QString>

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class SqliteStatement final {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;

    [[nodiscard]] bool valid() const { return m_stmt != nullptr; }
    void bind(int index, qint64 value);
    void bindText(int index, QStringView text);
    void bindBlob(int index, QByteArrayView bytes);
    // Without a copy: the text or bytes must stay alive and unchanged until reset().
    void bindTextNoCopy(int index, const QString& text);
    void bindBlobNoCopy(int index, QByteArrayView bytes);
    // ASCII text (most names) goes in as the UTF-8 the store keeps, through scratch, which must stay
    // unchanged until reset(); other text through SQLite's own conversion, which keeps unpaired surrogates.
    void bindTextVia(int index, QStringView text, QByteArray& scratch);
    // SQLITE_ROW, SQLITE_DONE or an error code
    [[nodiscard]] int step();
    void reset();
    [[nodiscard]] qint64 int64(int column) const;
    [[nodiscard]] QString text(int column) const;
    [[nodiscard]] QByteArray blob(int column) const;
    // The same into a string or array of the caller's, whose room is used again where it is not shared.
    void textInto(int column, QString& out) const;
    void blobInto(int column, QByteArray& out) const;
    [[nodiscard]] int blobSize(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
};

class SqliteDb final {
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // SQLite result code; the connection stays closed on failure.
    [[nodiscard]] int open(const QString& path, bool readOnly, bool immutable);
    // One integer of a query such as "PRAGMA user_version"; the SQLite result code of a failure.
    [[nodiscard]] int queryInt(const char* sql, qint64* out);
    void close();
    [[nodiscard]] int exec(const char* sql); // SQLite result code
    [[nodiscard]] SqliteStatement prepare(const char* sql) const;
    [[nodiscard]] QString errorMessage() const;
    // The extended result code of the last failed call on this connection.
    [[nodiscard]] int errorCode() const;
    // False while a transaction is open on the connection (SQLite may end one by itself after an error).
    [[nodiscard]] bool autocommit() const;
    [[nodiscard]] qint64 lastInsertId() const;
    [[nodiscard]] sqlite3* handle() const { return m_db; }

private:
    sqlite3* m_db = nullptr;
};
