#pragma once

// Files the user names are never files of the open registry store: opening one outside SQLite would
// drop the store's locks in this process (see StoreFiles).

#include <QString>

// True, after telling the user, when fileName is a file of an open store and must not be opened.
[[nodiscard]] bool RefuseStoreFile(const QString& fileName);
