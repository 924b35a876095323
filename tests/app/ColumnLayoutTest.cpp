// Column widths, the attribute commands and the insert, cut and rotate commands.
#include "app/Column.h"

#include "app/MainDialog.h"
#include "tests/support/TestSupport.h"

#include <filesystem>
#include <memory>

TEST(ColumnWidthsTest, WeightsSubcolumnsAndTheRemainder)
{
    struct TCase
    {
        const char *Name;
        std::vector<TColumnWeight> Columns;
        int Area, Border;
        std::vector<int> Expected;
    };
    const TCase cases[] = {
        {"weights 1,1,2", {{1, 1}, {1, 1}, {2, 1}}, 403, 1, {100, 100, 203}},
        // Raw width 205 with 3 subcolumns and border 1: 2 + 201.
        {"raw 205", {{1, 3}, {1, 1}}, 274, 1, {203, 71}},
        {"last takes the rest", {{1, 2}}, 999, 1, {999}},
        {"subcolumns weigh as much as the width attribute", {{1, 4}, {4, 1}}, 800, 1, {398, 402}},
        {"ten columns", std::vector<TColumnWeight>(10), 1005, 1, {100, 100, 100, 100, 100, 100, 100, 100, 100, 105}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ColumnWidths(c.Columns, c.Area, c.Border), c.Expected);
    }
}

class ColumnTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 600);
        Form->BusyCount = 0;
        Form->Initialised = true;
        Form->Reset(false);
    }
    void TearDown() override
    {
        Form.reset();
        TStatusTest::TearDown();
    }
    TColumn &Column(int i) { return *Form->Columns[i]; }
    // Gives each of the ten columns a distinct, recognisable state.
    void MarkColumns()
    {
        for (int i = 0; i < 10; ++i) {
            TColumn &c = Column(i);
            // Empty real directories: a reload keeps the title of the missing item.
            std::filesystem::create_directories(Board / ("column" + std::to_string(i)));
            c.ActiveTitle = Board / ("column" + std::to_string(i) + "/item");
            c.DefaultTitle = "/default" + std::to_string(i) + "/";
            c.Fixed = i % 3 == 0;
            c.WidthAttribute = i % 4 + 1;
            c.Subcolumns = i % 2 + 1;
            c.SortMode = i % 2 ? "Size, big-small" : "Name";
        }
    }
    std::vector<std::string> Titles()
    {
        std::vector<std::string> titles;
        for (int i = 0; i < 10; ++i)
            titles.push_back(Column(i).ActiveTitle + (Column(i).Fixed ? " F" : "") + " w" +
                             std::to_string(Column(i).WidthAttribute) + " s" +
                             std::to_string(Column(i).Subcolumns) + " " + Column(i).SortMode + " " +
                             Column(i).DefaultTitle);
        return titles;
    }
    TTempDir Board;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(ColumnTest, RotatingRightTwiceAndLeftTwiceRestoresAllTenPositions)
{
    MarkColumns();
    const std::vector<std::string> before = Titles();
    TColumn::Com_RotateColumnsToRight(*Form);
    EXPECT_EQ(Column(0).ActiveTitle, Board / "column9/item");
    EXPECT_EQ(Column(1).ActiveTitle, Board / "column0/item");
    TColumn::Com_RotateColumnsToRight(*Form);
    TColumn::Com_RotateColumnsToLeft(*Form);
    TColumn::Com_RotateColumnsToLeft(*Form);
    EXPECT_EQ(Titles(), before);
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_EQ(Form->SpareColumn().ActiveTitle, ":/");
    EXPECT_TRUE(Form->ColumnsArea->isVisibleTo(Form.get()));
}

TEST_F(ColumnTest, InsertAndCutFollowTheGroups)
{
    Form->VisibleColumnCount = 3;
    MarkColumns();
    for (int i = 0; i < 10; ++i) Column(i).Fixed = i == 0;
    // Position 9 has no room to its right.
    Column(9).InsertColumn(true);
    EXPECT_EQ(Column(9).ActiveTitle, Board / "column9/item");

    Column(1).InsertColumn(true);
    EXPECT_EQ(Column(1).ActiveTitle, ":/");
    EXPECT_EQ(Column(2).ActiveTitle, Board / "column1/item");
    EXPECT_EQ(Column(9).ActiveTitle, Board / "column8/item");

    Column(1).CutColumn();
    EXPECT_EQ(Column(1).ActiveTitle, Board / "column1/item");
    EXPECT_EQ(Column(9).ActiveTitle, ":/");

    // A one-column group cannot lose its column.
    for (int i = 0; i < 10; ++i) Column(i).Fixed = true;
    Column(1).CutColumn();
    EXPECT_EQ(Column(1).ActiveTitle, Board / "column1/item");
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnTest, DeletingTheLastColumnOfItsGroupMovesTheFocusLeft)
{
    Form->VisibleColumnCount = 3;
    Form->Reset(false);
    Form->ActiveColumnIndex = 2;
    Column(2).CutColumn();
    EXPECT_EQ(Form->ActiveColumnIndex, 1);
}

TEST_F(ColumnTest, SubcolumnsRelayoutOnlyWhenTheWeightChanges)
{
    Column(0).WidthAttribute = 3;
    Form->Reset(false);
    const int width = Column(0).ColumnPanel->width();
    Column(0).SetSubcolumns(2);
    EXPECT_EQ(Column(0).ColumnPanel->width(), width);
    EXPECT_EQ(Column(0).FileList->Subcolumns, 2);
    Column(0).SetSubcolumns(4);
    EXPECT_GT(Column(0).ColumnPanel->width(), width);
}

TEST_F(ColumnTest, ThumbItemsNeedFilesWithContent)
{
    TColumn &c = Column(0);
    const int line = c.FileList->ItemHeight;
    c.ToggleThumb();
    EXPECT_EQ(c.FileList->ItemHeight, line) << "only directories: plain text lines";
    c.TotalSize = 100;
    c.SetThumbHeight(3, false);
    EXPECT_EQ(c.FileList->ItemHeight, 5 * line);
    c.SetThumbHeight(0, false);
    EXPECT_EQ(c.FileList->ItemHeight, 0);
}

TEST_F(ColumnTest, ContentCopyCarriesItemsFocusAndHeader)
{
    TColumn &source = Column(0);
    source.ActiveTitle = "/data/b.txt";
    source.SortMode = "Size, small-big";
    source.FileList->Items.clear();
    for (const char *title : {"/data/a.txt", "/data/b.txt", "/data/c.txt"}) {
        auto item = std::make_unique<TFileListData>();
        item->Title = title;
        item->Size = 10;
        source.FileList->AddItem(std::move(item));
    }
    source.FileList->ItemsChanged();
    source.TotalSize = 30;
    TColumn &destination = Column(1);
    destination.ActiveTitle = "/elsewhere/x";
    CopyColumn(destination, source);
    EXPECT_EQ(destination.FileList->Count(), 3);
    EXPECT_EQ(destination.FileList->FocusIndex, 1);
    EXPECT_EQ(destination.PreviousTitle, "/elsewhere/x");
    EXPECT_EQ(destination.SortMode, "Size, small-big");
    EXPECT_EQ(destination.TotalSize, 30);
    EXPECT_EQ(destination.HeaderCaption(), "/data");
    destination.ActiveTitle = "/top";
    EXPECT_EQ(destination.HeaderCaption(), "/");
    destination.ActiveTitle = ":/";
    EXPECT_EQ(destination.HeaderCaption(), "");
}

TEST_F(ColumnTest, HeaderHintNamesTheDirectoryAndTheMouseOperations)
{
    Column(0).ActiveTitle = "/home/ann/notes.txt";
    Column(0).UpdateHeaderHint();
    EXPECT_EQ(Column(0).HeaderButton->Hint,
              "Column's parent directory \"/home/ann/\". If the content of the directory has "
              "changed then a horizontal line strikes the button caption. If the column's fixed "
              "attribute is true, this button looks pressed.  [LMB] = Enter parent directory. [RMB] "
              "= Toggle fixed attribute. [MMB] = Directory tree navigator dialog.");
}
