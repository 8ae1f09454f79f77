// Favorites files (".fav").

#include "FuzzSupport.h"

#include "mainwindow/Favorites.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray input = Fuzz::bytes(data, size);
    QBuffer device(&input);
    device.open(QIODevice::ReadOnly);
    for (const Favorite& favorite : FavoritesFile::read(device))
        (void)FavoritesFile::storedDescription(favorite.description);
    return 0;
}
