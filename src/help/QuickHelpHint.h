#pragma once

// The quick help's hint: the popup hint below the mouse pointer, clear of the pointer's image.

#include "widgets/TPopupHint.h"

class QuickHelpHint final : public TPopupHint {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuickHelpHint)
public:
    QuickHelpHint()
    {
        setObjectName(QStringLiteral("QuickHelpHint"));
        setAnchorGap(18);
    }
};
