// The stored text list's accessors bound to real Qt controls on the offscreen platform.
#include "Libraries/StoredTextListUi.h"

#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QToolButton>
#include <QWidget>

#include <limits>

namespace {

using StoredTextListUiTest = TStatusTest;

QString Q(const char *text)
{
    return QString::fromUtf8(text);
}

std::string ValueOf(const TStoredTextList &list, const std::string &section, const std::string &key)
{
    std::string value = "<missing>";
    list.ReadString(section, key, value, true, std::numeric_limits<std::int32_t>::max());
    return value;
}

TEST_F(StoredTextListUiTest, CheckBoxesAndSpeedButtonsStoreTheirState)
{
    TStoredTextList list;
    QCheckBox checkBox;
    QToolButton speedButton;
    speedButton.setCheckable(true);
    checkBox.setChecked(true);
    speedButton.setChecked(false);
    WriteCheckBox(list, "Main", "Check", &checkBox);
    WriteSpeedButton(list, "Main", "Button", &speedButton);
    EXPECT_EQ(list.Text(), "[Main]\r\nCheck=TRUE\r\nButton=FALSE\r\n\r\n");

    checkBox.setChecked(false);
    speedButton.setChecked(true);
    ReadCheckBox(list, "Main", "Check", &checkBox);
    ReadSpeedButton(list, "Main", "Button", &speedButton);
    EXPECT_TRUE(checkBox.isChecked());
    EXPECT_FALSE(speedButton.isChecked());

    ReadCheckBox(list, "Main", "Missing", &checkBox);
    ReadSpeedButton(list, "Main", "Missing", &speedButton);
    EXPECT_TRUE(checkBox.isChecked()) << "a missing key keeps the control's state";
    EXPECT_FALSE(speedButton.isChecked());
    list.WriteString("Main", "Lower", "true");
    ReadCheckBox(list, "Main", "Lower", &checkBox);
    EXPECT_FALSE(checkBox.isChecked()) << "only TRUE ticks the box";
}

TEST_F(StoredTextListUiTest, EditBoxesFollowTheStringRules)
{
    TStoredTextList list;
    list.WriteString("Find", "Text", "n\xC3\xA4me");
    list.WriteString("Find", "Empty", "");
    QLineEdit edit(Q("typed"));
    ReadEditBox(list, "Find", "Empty", &edit, false, 100);
    EXPECT_EQ(edit.text(), Q("typed"));
    ReadEditBox(list, "Find", "Text", &edit, false, 3);
    EXPECT_EQ(edit.text(), Q("typed")) << "four characters are too many";
    ReadEditBox(list, "Find", "Text", &edit, false, 4);
    EXPECT_EQ(edit.text(), Q("n\xC3\xA4me"));
    ReadEditBox(list, "Find", "Empty", &edit, true, 4);
    EXPECT_EQ(edit.text(), QString());
    edit.setText(Q("\xE2\x82\xAC"));
    WriteEditBox(list, "Find", "Out", &edit);
    EXPECT_EQ(ValueOf(list, "Find", "Out"), "\xE2\x82\xAC");
}

TEST_F(StoredTextListUiTest, ComboBoxesSelectTheStoredItemOrTheirFirst)
{
    TStoredTextList list;
    list.WriteString("Main", "Format", "PNG");
    list.WriteString("Main", "Odd", "TIFF");
    list.WriteString("Main", "Empty", "");
    list.WriteString("Main", "Lower", "png");
    struct TCase
    {
        const char *Key;
        const char *Default;
        bool Editable;
        const char *Text;
        int Index;
    };
    const TCase cases[] = {
        {"Format", "JPEG", false, "PNG", 1},
        {"Odd", "JPEG", false, "BMP", 0},
        {"Empty", "JPEG", false, "JPEG", 2},
        {"Missing", "JPEG", false, "JPEG", 2},
        {"Lower", "JPEG", false, "BMP", 0},
        {"Odd", "JPEG", true, "TIFF", -1},
        {"Empty", "JPEG", true, "JPEG", -1},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Key) + (c.Editable ? " editable" : " drop-down list"));
        QComboBox box;
        box.addItems({Q("BMP"), Q("PNG"), Q("JPEG")});
        box.setEditable(c.Editable);
        box.setCurrentIndex(2);
        ReadComboBox(list, "Main", c.Key, c.Default, &box);
        EXPECT_EQ(box.currentText(), Q(c.Text));
        if (c.Index >= 0) {
            EXPECT_EQ(box.currentIndex(), c.Index);
        }
    }
    QComboBox box;
    box.setEditable(true);
    box.setEditText(Q("typed text"));
    WriteComboBox(list, "Main", "Written", &box);
    EXPECT_EQ(ValueOf(list, "Main", "Written"), "typed text");
}

TEST_F(StoredTextListUiTest, ComboItemsAndNumbersComeFromTheBoxItems)
{
    TStoredTextList list;
    list.WriteString("Options", "Size", "20");
    list.WriteString("Options", "OddSize", "25");
    list.WriteString("Options", "Operation", "Copy");
    list.WriteString("Options", "OddOperation", "Shred");
    QComboBox sizes;
    sizes.addItems({Q("10"), Q("20"), Q("30")});
    sizes.setCurrentIndex(2);
    QComboBox operations;
    operations.addItems({Q("Move"), Q("Copy")});
    struct TNumberCase
    {
        const char *Key;
        std::int32_t Start, Expected;
    };
    const TNumberCase numbers[] = {
        {"Size", 30, 20},
        {"OddSize", 30, 10},
        {"Missing", 30, 30},
        {"Missing", 15, 10},
    };
    for (const TNumberCase &c : numbers) {
        SCOPED_TRACE(c.Key);
        std::int32_t target = c.Start;
        ReadComboNumber(list, "Options", c.Key, target, &sizes);
        EXPECT_EQ(target, c.Expected);
    }
    std::string operation = "Move";
    ReadComboItem(list, "Options", "Operation", operation, &operations);
    EXPECT_EQ(operation, "Copy");
    ReadComboItem(list, "Options", "OddOperation", operation, &operations);
    EXPECT_EQ(operation, "Move");
    EXPECT_EQ(sizes.currentIndex(), 2) << "reading into a target leaves the box alone";
    EXPECT_EQ(ComboItemTexts(&operations), (std::vector<std::string>{"Move", "Copy"}));
}

TEST_F(StoredTextListUiTest, FormBoundsArePlacedInsideTheScreensWorkArea)
{
    QWidget form;
    form.move(40, 40);
    form.resize(300, 200);
    const QRect area = FormWorkArea(&form);
    ASSERT_FALSE(area.isEmpty()) << "the offscreen platform has a screen";
    TStoredTextList list;
    list.WriteInteger("Main", "XPos", -5);
    list.WriteInteger("Main", "YPos", area.y() + 10);
    list.WriteInteger("Main", "XSize", 320);
    list.WriteInteger("Main", "YSize", area.height() + 100);
    ReadFormBounds(list, "Main", "XPos", &form, "YSize", "XSize", "YPos");
    EXPECT_EQ(form.x(), area.x()) << "a left edge of -5 ends at the work area's left edge";
    EXPECT_EQ(form.y(), area.y() + 10);
    EXPECT_EQ(form.width(), 320);
    EXPECT_EQ(form.height(), area.height());

    TStoredTextList written;
    WriteFormBounds(written, "Main", "XPos", &form, "YSize", "XSize", "YPos");
    EXPECT_EQ(written.Text(),
              "[Main]\r\nXPos=" + std::to_string(area.x()) +
                  "\r\nYPos=" + std::to_string(area.y() + 10) +
                  "\r\nXSize=320\r\nYSize=" + std::to_string(area.height()) + "\r\n\r\n");

    ReadFormBounds(TStoredTextList(), "Main", "XPos", &form, "YSize", "XSize", "YPos");
    EXPECT_EQ(form.width(), 320) << "without stored values the form keeps its bounds";
    EXPECT_EQ(form.y(), area.y() + 10);
}

} // namespace
