#pragma once

// The shared image list: the pictures behind the image numbers that trees and lists carry (0 machine,
// 1 closed key, 2 open key, 5 string value, 6 DWORD value, 7 other value, 19 favorite, 21 marker),
// drawn for 16 and 32 pixels, and the program's own picture.

#include <QIcon>
#include <QPixmap>

namespace KavenIcons {

enum Image { Machine = 0, KeyClosed = 1, KeyOpen = 2, StringValue = 5, DwordValue = 6, OtherValue = 7,
             Favorite = 19, Marker = 21 };

// An empty icon for numbers the list does not hold.
[[nodiscard]] QIcon icon(int imageNumber);
[[nodiscard]] QIcon applicationIcon();
// The splash window's picture.
[[nodiscard]] QPixmap splashPicture();

} // namespace KavenIcons
