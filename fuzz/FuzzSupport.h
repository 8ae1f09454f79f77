#pragma once

// What the fuzz targets share: the input as Qt types, a file that holds the input for readers that
// take a file name, the application objects Qt needs, and a registry store of the process's own.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace Fuzz {

// The input as a byte array without copying; valid while libFuzzer's buffer is.
[[nodiscard]] QByteArray bytes(const uint8_t* data, size_t size);

// The same bytes in memory files and other tests: a copy that owns its data.
[[nodiscard]] QByteArray copy(const uint8_t* data, size_t size);

// A QCoreApplication (or, with gui, an offscreen QGuiApplication) for the whole run.
void initApplication(bool gui = false);

// Opens a fresh registry store in a temporary directory as this process's registry and sets the data
// folder beside it. Called again, it drops the old store and opens a new one, so that a long run does
// not grow one file without bound.
void openFreshStore();

// An anonymous in-memory file holding the bytes; path() names it for readers that open files by name.
class MemoryFile final {
public:
    explicit MemoryFile(const QByteArray& contents);
    ~MemoryFile();
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    [[nodiscard]] QString path() const;

private:
    int m_fd = -1;
};

} // namespace Fuzz
