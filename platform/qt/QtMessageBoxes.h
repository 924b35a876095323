// Message boxes drawn by Qt.
#pragma once

#include "platform/MessageBoxes.h"

class TQtMessageBoxes : public TMessageBoxes
{
public:
    int Show(const std::string &caption, const std::string &text, unsigned style) override;
    void Beep(unsigned type) override;
};
