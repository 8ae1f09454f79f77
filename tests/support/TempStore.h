#pragma once

// A fresh local store in a temporary directory, opened as this process's registry for the lifetime
// of the object, with a data folder beside it.

#include <QString>
#include <QTemporaryDir>

class TempStore final {
public:
    TempStore();
    ~TempStore();
    TempStore(const TempStore&) = delete;
    TempStore& operator=(const TempStore&) = delete;

    [[nodiscard]] bool ok() const { return m_ok; }
    [[nodiscard]] QString storePath() const;
    [[nodiscard]] QString dataDir() const;
    // Path of a further store file in the same directory (for a second "machine").
    [[nodiscard]] QString otherStorePath(const QString& name) const;
    [[nodiscard]] QString dirPath() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    bool m_ok = false;
};
