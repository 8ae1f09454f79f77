#pragma once

// Result of the key and value operations; the numbers are fixed because callers and messages use them.
enum class RegResult : int {
    Success = 0,
    KeyNotCreated = 1,
    KeyNotDeleted = 2,
    KeyNotRenamed = 3,
    NotFound = 4,        // the key (for a value deletion: the value's key) does not exist
    KeyExists = 5,       // a key with the new name already exists
    ValueNotChanged = 7, // a value could not be deleted, or did not take the new name
    ValueName = 9,       // the value does not exist, or one with the new name already exists
    ValueNotRead = 10,
    ValueNotWritten = 11,
    NotConnected = 12
};

[[nodiscard]] constexpr int toInt(RegResult result)
{
    return static_cast<int>(result);
}
