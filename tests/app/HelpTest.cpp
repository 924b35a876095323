// Tests of the help pages: every help context the program opens has its anchor in the pages that
// the build copies beside the program, and the Help items open them at that anchor.
#include "Libraries/Program.h"
#include "app/MainDialog.h"
#include "tests/support/TestSupport.h"

#include <QDesktopServices>
#include <QTextBrowser>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The help contexts the program's sources open: the numbers given to OpenHelp and to the
// HelpContext of a dialog (0, a dialog without help, is left out).
std::set<int> ContextsInSources()
{
    const std::regex use(R"((?:OpenHelp\s*\(\s*|HelpContext\s*=\s*)(\d+))");
    std::set<int> contexts;
    for (const char *folder : {"app", "Libraries", "platform"}) {
        for (const auto &entry :
             fs::recursive_directory_iterator(fs::path(VELMORDIAN_SOURCE_DIR) / folder)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h") continue;
            const std::string text = ReadText(entry.path());
            for (auto match = std::sregex_iterator(text.begin(), text.end(), use);
                 match != std::sregex_iterator();
                 ++match)
                if (const int context = std::stoi((*match)[1].str()); context > 0)
                    contexts.insert(context);
        }
    }
    return contexts;
}

// The contexts of the main window, the Help menu and the dialogs that have a Help button or
// answer F1, including those whose dialogs open them through their own units.
const std::set<int> DialogContexts = {100, 101, 200, 201, 203, 205, 208, 301, 302, 30300};

const fs::path CopiedPage = fs::path(VELMORDIAN_PROGRAM_DIR) / "Help" / "help.html";

class HelpTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SetProgramDirectoryOverride(VELMORDIAN_PROGRAM_DIR);
    }
    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        SetProgramDirectoryOverride("");
        TStatusTest::TearDown();
    }
};

TEST_F(HelpTest, TheBuildCopiesThePagesBesideTheProgram)
{
    ASSERT_TRUE(fs::exists(CopiedPage)) << CopiedPage;
    EXPECT_EQ(ReadText(CopiedPage), ReadText(fs::path(VELMORDIAN_SOURCE_DIR) / "help/help.html"));
    EXPECT_EQ(HelpDirectory() + "help.html", CopiedPage.string());
}

TEST_F(HelpTest, EveryContextTheProgramOpensHasItsAnchor)
{
    const std::set<int> used = ContextsInSources();
    for (int context : {100, 101, 200, 201, 203, 301})
        EXPECT_EQ(used.count(context), 1u) << "the sources no longer open " << context;
    std::set<int> contexts = used;
    contexts.insert(DialogContexts.begin(), DialogContexts.end());
    const std::string page = ReadText(CopiedPage);
    ASSERT_FALSE(page.empty());
    for (int context : contexts)
        EXPECT_NE(page.find("id=\"ctx" + std::to_string(context) + "\""), std::string::npos)
            << "no anchor for help context " << context;

    // The page's own links lead to anchors it has.
    const std::regex link(R"(href="#([^"]+)\")");
    for (auto match = std::sregex_iterator(page.begin(), page.end(), link);
         match != std::sregex_iterator();
         ++match)
        EXPECT_NE(page.find("id=\"" + (*match)[1].str() + "\""), std::string::npos)
            << "a link to the missing anchor " << (*match)[1].str();
}

TEST_F(HelpTest, AHelpItemOpensThePageAtItsContext)
{
    // The desktop's browser stands in for a text browser of our own.
    QTextBrowser browser;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &browser, "setSource");
    for (int context : DialogContexts) {
        SCOPED_TRACE(context);
        TMainForm::OpenHelp(context);
        EXPECT_TRUE(ShownErrors().empty());
        EXPECT_EQ(browser.source().toLocalFile().toStdString(), CopiedPage.string());
        EXPECT_EQ(browser.source().fragment().toStdString(), "ctx" + std::to_string(context));
        EXPECT_NE(browser.toPlainText().indexOf(QStringLiteral("Velmordian help")), -1);
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
}

} // namespace
