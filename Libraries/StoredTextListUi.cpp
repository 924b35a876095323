// The stored text list's accessors bound to controls.
#include "Libraries/StoredTextListUi.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QScreen>
#include <QWidget>

#include <limits>

namespace {

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

TFormBounds BoundsOf(const QRect &rect)
{
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

} // namespace

std::vector<std::string> ComboItemTexts(const QComboBox *comboBox)
{
    std::vector<std::string> items;
    if (!comboBox) return items;
    items.reserve(static_cast<std::size_t>(comboBox->count()));
    for (int i = 0; i < comboBox->count(); ++i)
        items.push_back(comboBox->itemText(i).toStdString());
    return items;
}

void ReadCheckBox(const TStoredTextList &list,
                  const std::string &section,
                  const std::string &key,
                  QCheckBox *checkBox)
{
    if (!checkBox) return;
    bool checked = checkBox->isChecked();
    list.ReadBool(section, key, checked);
    checkBox->setChecked(checked);
}

void WriteCheckBox(TStoredTextList &list,
                   const std::string &section,
                   const std::string &key,
                   const QCheckBox *checkBox)
{
    if (checkBox) list.WriteBool(section, key, checkBox->isChecked());
}

void ReadSpeedButton(const TStoredTextList &list,
                     const std::string &section,
                     const std::string &key,
                     QAbstractButton *speedButton)
{
    if (!speedButton) return;
    bool down = speedButton->isChecked();
    list.ReadBool(section, key, down);
    speedButton->setChecked(down);
}

void WriteSpeedButton(TStoredTextList &list,
                      const std::string &section,
                      const std::string &key,
                      const QAbstractButton *speedButton)
{
    if (speedButton) list.WriteBool(section, key, speedButton->isChecked());
}

void ReadEditBox(const TStoredTextList &list,
                 const std::string &section,
                 const std::string &key,
                 QLineEdit *editBox,
                 bool acceptEmpty,
                 std::int32_t maximumLength)
{
    if (!editBox) return;
    const std::string current = editBox->text().toStdString();
    std::string text = current;
    list.ReadString(section, key, text, acceptEmpty, maximumLength);
    if (text != current) editBox->setText(Q(text));
}

void WriteEditBox(TStoredTextList &list,
                  const std::string &section,
                  const std::string &key,
                  const QLineEdit *editBox)
{
    if (editBox) list.WriteString(section, key, editBox->text().toStdString());
}

void ReadComboBox(const TStoredTextList &list,
                  const std::string &section,
                  const std::string &key,
                  const std::string &defaultText,
                  QComboBox *comboBox)
{
    if (!comboBox) return;
    std::string value = defaultText;
    list.ReadString(section, key, value, false, std::numeric_limits<std::int32_t>::max());
    if (comboBox->isEditable()) {
        comboBox->setEditText(Q(value));
        return;
    }
    const int index = comboBox->findText(Q(value), Qt::MatchExactly | Qt::MatchCaseSensitive);
    comboBox->setCurrentIndex(index >= 0 ? index : (comboBox->count() > 0 ? 0 : -1));
}

void WriteComboBox(TStoredTextList &list,
                   const std::string &section,
                   const std::string &key,
                   const QComboBox *comboBox)
{
    if (comboBox) list.WriteString(section, key, comboBox->currentText().toStdString());
}

void ReadComboItem(const TStoredTextList &list,
                   const std::string &section,
                   const std::string &key,
                   std::string &target,
                   const QComboBox *comboBox)
{
    list.ReadComboItem(section, key, target, ComboItemTexts(comboBox));
}

void ReadComboNumber(const TStoredTextList &list,
                     const std::string &section,
                     const std::string &key,
                     std::int32_t &target,
                     const QComboBox *comboBox)
{
    list.ReadComboNumber(section, key, target, ComboItemTexts(comboBox));
}

QRect FormWorkArea(const QWidget *form)
{
    const QScreen *screen = form ? form->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

void ReadFormBounds(const TStoredTextList &list,
                    const std::string &section,
                    const std::string &leftKey,
                    QWidget *form,
                    const std::string &heightKey,
                    const std::string &widthKey,
                    const std::string &topKey)
{
    if (!form) return;
    const QRect area = FormWorkArea(form);
    if (area.isEmpty()) return;
    const TFormBounds current{form->x(), form->y(), form->width(), form->height()};
    const TFormBounds bounds =
        list.ReadFormBounds(section, leftKey, current, heightKey, widthKey, topKey, BoundsOf(area));
    // move places the frame, as x() and y() report it; resize sets the window's own size.
    form->move(bounds.Left, bounds.Top);
    form->resize(bounds.Width, bounds.Height);
}

void WriteFormBounds(TStoredTextList &list,
                     const std::string &section,
                     const std::string &leftKey,
                     const QWidget *form,
                     const std::string &heightKey,
                     const std::string &widthKey,
                     const std::string &topKey)
{
    if (!form) return;
    const TFormBounds bounds{form->x(), form->y(), form->width(), form->height()};
    list.WriteFormBounds(section, leftKey, bounds, heightKey, widthKey, topKey);
}
