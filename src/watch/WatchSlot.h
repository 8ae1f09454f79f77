#pragma once

// The four watch slots: which key each watches, with which notify filter, whether changes below it
// count and whether a change switches to the watch page. Kept in memory only; every start begins with
// four empty, inactive slots.

#include "platform/WinTypes.h"

#include <QLatin1StringView>
#include <QString>

#include <array>

struct WatchSlot {
    QString keyPath;  // full key path of the watched key
    DWORD filter = 0; // REG_NOTIFY_CHANGE_* bits handed to the notification request
    bool active = false;
    bool subtree = false; // changes in every subkey count too
    bool silent = false;  // a change does not switch to the watch page
};

inline constexpr int WatchSlotCount = 4;
using WatchSlots = std::array<WatchSlot, WatchSlotCount>;

struct WatchFilterBit {
    DWORD bit;
    QLatin1StringView name;
};

// The filter bits in the order the filter popup lists them.
inline constexpr std::array<WatchFilterBit, 4> WatchFilterBits{{
    {REG_NOTIFY_CHANGE_NAME, QLatin1StringView("REG_NOTIFY_CHANGE_NAME")},
    {REG_NOTIFY_CHANGE_ATTRIBUTES, QLatin1StringView("REG_NOTIFY_CHANGE_ATTRIBUTES")},
    {REG_NOTIFY_CHANGE_LAST_SET, QLatin1StringView("REG_NOTIFY_CHANGE_LAST_SET")},
    {REG_NOTIFY_CHANGE_SECURITY, QLatin1StringView("REG_NOTIFY_CHANGE_SECURITY")},
}};
