#pragma once

// Windows events, process-local: the watch threads wait on them, registry change notifications set
// them. A name makes a second CreateEvent return the same event.

#include "platform/WinTypes.h"

#include <QString>

[[nodiscard]] HANDLE CreateEvent(bool manualReset, bool initialState, const QString& name = QString());
bool SetEvent(HANDLE event);
bool ResetEvent(HANDLE event);
[[nodiscard]] DWORD WaitForSingleObject(HANDLE event, DWORD milliseconds);
bool CloseHandle(HANDLE event);
