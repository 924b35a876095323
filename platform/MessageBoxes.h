// The message box service: a person answers, so tests put a fake in its place.
#pragma once

#include <string>

// Style bits and answers keep the values the program's message dialogs were written for.
namespace MessageBoxStyle {
constexpr unsigned Ok = 0;
constexpr unsigned YesNoCancel = 3;
constexpr unsigned YesNo = 4;
constexpr unsigned IconStop = 16;
constexpr unsigned IconQuestion = 32;
constexpr unsigned IconExclamation = 48;
constexpr unsigned IconInformation = 64;
constexpr unsigned TaskModal = 0x2000;
} // namespace MessageBoxStyle

namespace MessageBoxAnswer {
constexpr int Failed = 0;
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MessageBoxAnswer

class TMessageBoxes
{
public:
    virtual ~TMessageBoxes() = default;
    // Shows a modal box; returns one of MessageBoxAnswer (Failed when it could not be shown).
    virtual int Show(const std::string &caption, const std::string &text, unsigned style) = 0;
    // Sounds the beep of a message type (0 default, 48 exclamation).
    virtual void Beep(unsigned type) = 0;
};

// The program's message box service; null until the user interface exists.
extern TMessageBoxes *MessageBoxes;
