#pragma once

// An opened registry key that closes itself; out() hands its slot to RegOpenKeyEx and friends.

#include "platform/WinReg.h"

class OpenKey final {
public:
    OpenKey() = default;
    ~OpenKey() { reset(); }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    HKEY* out()
    {
        reset();
        return &m_key;
    }
    [[nodiscard]] HKEY get() const { return m_key; }
    void reset()
    {
        if (m_key != 0)
            RegCloseKey(m_key);
        m_key = 0;
    }

private:
    HKEY m_key = 0;
};
