#include "platform/SqliteDb.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include <QUrl>
#include <sqlite3.h>

SqliteStatement::SqliteStatement(sqlite3* db, const char* sql)
{
    if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) != SQLITE_OK)
        m_stmt = nullptr;
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept : m_stmt(other.m_stmt)
{
    other.m_stmt = nullptr;
}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

void SqliteStatement::bind(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void SqliteStatement::bindText(int index, QStringView text)
{
    sqlite3_bind_text16(m_stmt, index, text.utf16() ? text.utf16() : u"", int(text.size() * 2), SQLITE_TRANSIENT);
}

void SqliteStatement::bindBlob(int index, QByteArrayView bytes)
{
    // a zero-length blob, never NULL: empty data is data
    sqlite3_bind_blob(m_stmt, index, bytes.data() ? bytes.data() : "", int(bytes.size()), SQLITE_TRANSIENT);
}

void SqliteStatement::bindTextNoCopy(int index, const QString& text)
{
    const void* p = text.isNull() ? static_cast<const void*>(u"") : static_cast<const void*>(text.utf16());
    sqlite3_bind_text16(m_stmt, index, p, int(text.size() * 2), SQLITE_STATIC);
}

void SqliteStatement::bindBlobNoCopy(int index, QByteArrayView bytes)
{
    sqlite3_bind_blob(m_stmt, index, bytes.data() ? bytes.data() : "", int(bytes.size()), SQLITE_STATIC);
}

void SqliteStatement::bindTextVia(int index, QStringView text, QByteArray& scratch)
{
    const qsizetype n = text.size();
    scratch.resize(n);
    char* out = scratch.data();
    const char16_t* in = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        if (in[i] >= 0x80) {
            bindText(index, text);
            return;
        }
        out[i] = char(in[i]);
    }
    sqlite3_bind_text(m_stmt, index, scratch.constData(), int(n), SQLITE_STATIC);
}

int SqliteStatement::step()
{
    return sqlite3_step(m_stmt);
}

void SqliteStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

qint64 SqliteStatement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

QString SqliteStatement::text(int column) const
{
    QString text;
    textInto(column, text);
    return text;
}

void SqliteStatement::textInto(int column, QString& out) const
{
    // Most names are ASCII: taken from the stored UTF-8 without SQLite's conversion and its copy. Other
    // text goes through SQLite's own UTF-16, which gives back unpaired surrogates as they were stored.
    const auto* utf8 = reinterpret_cast<const unsigned char*>(sqlite3_column_text(m_stmt, column));
    const int length = sqlite3_column_bytes(m_stmt, column);
    if (!utf8) {
        out.clear();
        return;
    }
    out.resize(length);
    QChar* to = out.data();
    int i = 0;
    for (; i < length && utf8[i] < 0x80; ++i)
        to[i] = QChar(utf8[i]);
    if (i == length)
        return;
    const void* p = sqlite3_column_text16(m_stmt, column);
    const int bytes = sqlite3_column_bytes16(m_stmt, column);
    if (p)
        out.setUnicode(static_cast<const QChar*>(p), bytes / 2);
    else
        out.clear();
}

QByteArray SqliteStatement::blob(int column) const
{
    QByteArray bytes;
    blobInto(column, bytes);
    return bytes;
}

void SqliteStatement::blobInto(int column, QByteArray& out) const
{
    const void* p = sqlite3_column_blob(m_stmt, column);
    const int bytes = sqlite3_column_bytes(m_stmt, column);
    if (!p) {
        out.clear();
        return;
    }
    out.resize(bytes);
    std::memcpy(out.data(), p, size_t(bytes));
}

int SqliteStatement::blobSize(int column) const
{
    return sqlite3_column_bytes(m_stmt, column);
}

SqliteDb::~SqliteDb()
{
    close();
}

int SqliteDb::open(const QString& path, bool readOnly, bool immutable)
{
    // SQLite counts its memory under a process-wide mutex on every allocation unless told not to; nothing
    // here reads the counts. Told once, before the first connection (later it is refused, harmlessly).
    static std::once_flag noMemoryCounts;
    std::call_once(noMemoryCounts, [] { (void)sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0); });
    close();
    // The store serialises every use of its connection under its own lock, so SQLite's per-call mutex
    // (taken for every column read) is only cost; file locking between processes is not affected.
    int flags = SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    flags |= readOnly ? SQLITE_OPEN_READONLY : (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    QString uri = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    if (immutable)
        uri += QStringLiteral("?immutable=1");
    const int rc = sqlite3_open_v2(uri.toUtf8().constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return rc;
    }
    sqlite3_extended_result_codes(m_db, 1);
    return rc;
}

void SqliteDb::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

int SqliteDb::exec(const char* sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
}

SqliteStatement SqliteDb::prepare(const char* sql) const
{
    return SqliteStatement(m_db, sql);
}

QString SqliteDb::errorMessage() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString();
}

qint64 SqliteDb::lastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqliteDb::errorCode() const
{
    return m_db ? sqlite3_extended_errcode(m_db) : SQLITE_CANTOPEN;
}

bool SqliteDb::autocommit() const
{
    return !m_db || sqlite3_get_autocommit(m_db) != 0;
}

int SqliteDb::queryInt(const char* sql, qint64* out)
{
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(stmt);
        if (rc == SQLITE_ROW) {
            *out = sqlite3_column_int64(stmt, 0);
            rc = SQLITE_OK;
        } else if (rc == SQLITE_DONE) {
            *out = 0;
            rc = SQLITE_OK;
        } else {
            rc = sqlite3_extended_errcode(m_db);
        }
    }
    sqlite3_finalize(stmt);
    return rc;
}
