// The stored text list's accessors bound to controls: check boxes, buttons, edit boxes, combo
// boxes and a window's bounds.
#pragma once

#include "Libraries/StoredTextList.h"

#include <QRect>

#include <cstdint>
#include <string>
#include <vector>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

// The texts of a combo box's items, in order.
std::vector<std::string> ComboItemTexts(const QComboBox *comboBox);

// The check box's tick as a truth value ("TRUE" ticks it, any other value clears it).
void ReadCheckBox(const TStoredTextList &list,
                  const std::string &section,
                  const std::string &key,
                  QCheckBox *checkBox);
void WriteCheckBox(TStoredTextList &list,
                   const std::string &section,
                   const std::string &key,
                   const QCheckBox *checkBox);
// A checkable button's down state as a truth value.
void ReadSpeedButton(const TStoredTextList &list,
                     const std::string &section,
                     const std::string &key,
                     QAbstractButton *speedButton);
void WriteSpeedButton(TStoredTextList &list,
                      const std::string &section,
                      const std::string &key,
                      const QAbstractButton *speedButton);
// An edit box's text by the rules of ReadString.
void ReadEditBox(const TStoredTextList &list,
                 const std::string &section,
                 const std::string &key,
                 QLineEdit *editBox,
                 bool acceptEmpty,
                 std::int32_t maximumLength);
void WriteEditBox(TStoredTextList &list,
                  const std::string &section,
                  const std::string &key,
                  const QLineEdit *editBox);
// An empty value means the default text; a drop-down list selects the item equal to the value,
// else its first item, and an editable box takes the value as its text.
void ReadComboBox(const TStoredTextList &list,
                  const std::string &section,
                  const std::string &key,
                  const std::string &defaultText,
                  QComboBox *comboBox);
// Writes the box's current text.
void WriteComboBox(TStoredTextList &list,
                   const std::string &section,
                   const std::string &key,
                   const QComboBox *comboBox);
// TStoredTextList::ReadComboItem against the box's items; the box itself is not changed.
void ReadComboItem(const TStoredTextList &list,
                   const std::string &section,
                   const std::string &key,
                   std::string &target,
                   const QComboBox *comboBox);
// TStoredTextList::ReadComboNumber against the box's items; the box itself is not changed.
void ReadComboNumber(const TStoredTextList &list,
                     const std::string &section,
                     const std::string &key,
                     std::int32_t &target,
                     const QComboBox *comboBox);

// The work area a window is placed in: the available part of its screen (the primary screen
// before it is shown); empty when there is no screen.
QRect FormWorkArea(const QWidget *form);
// Places the window at the stored bounds, with its current ones as defaults, fitted into its
// work area (FitFormBounds): the position is the frame's, the size the window's own. Where the
// windowing system does not let programs place windows, only the size takes effect.
void ReadFormBounds(const TStoredTextList &list,
                    const std::string &section,
                    const std::string &leftKey,
                    QWidget *form,
                    const std::string &heightKey,
                    const std::string &widthKey,
                    const std::string &topKey);
// Writes the frame's position and the window's size.
void WriteFormBounds(TStoredTextList &list,
                     const std::string &section,
                     const std::string &leftKey,
                     const QWidget *form,
                     const std::string &heightKey,
                     const std::string &widthKey,
                     const std::string &topKey);
