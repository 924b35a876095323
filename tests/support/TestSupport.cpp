// Test fixtures.
#include "tests/support/TestSupport.h"

#include "Libraries/Program.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

int TFakeMessageBoxes::Show(const std::string &caption, const std::string &text, unsigned style)
{
    Shown.push_back({caption, text, style});
    if (OnShow) OnShow(text);
    return Answer;
}

void TFakeMessageBoxes::Beep(unsigned type)
{
    Beeps.push_back(type);
}

TErrorWindowResult TFakeErrorWindow::ShowModal()
{
    Memos.push_back(Memo);
    Visible = true;
    if (OnShow) OnShow();
    Visible = false;
    return Result;
}

void TStatusTest::SetUp()
{
    FunStatContext = TFunStatContext();
    FunStatContext.SetShowContext("", "", 0);
    MessageBoxes = &Boxes;
    ErrorForm = &Form;
}

void TStatusTest::TearDown()
{
    ErrorForm = nullptr;
    MessageBoxes = nullptr;
    FunStatContext = TFunStatContext();
}

std::vector<std::string> TStatusTest::ShownErrors() const
{
    std::vector<std::string> messages;
    for (const std::string &memo : Window.Memos) {
        const std::string head = "DESCRIPTION\r\n";
        const std::size_t end = memo.find("\r\n", head.size());
        messages.push_back(memo.substr(head.size(), end - head.size()));
    }
    return messages;
}

TTempDir::TTempDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "velmordian-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    Root = pattern;
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(Root, ignored);
}

void TTempDir::WriteFile(const std::string &relative, const std::string &content) const
{
    std::ofstream out(*this / relative, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string TTempDir::ReadFile(const std::string &relative) const
{
    std::ifstream in(*this / relative, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TSmallDisk::TSmallDisk(const std::string &path, const std::string &size) : Path(path)
{
    std::filesystem::create_directories(path);
    Mounted = ::mount("tmpfs", path.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0;
}

TSmallDisk::~TSmallDisk()
{
    if (Mounted) ::umount2(Path.c_str(), MNT_DETACH);
}

void TSmallDisk::FillUp() const
{
    std::ofstream filler(Path + "/filler", std::ios::binary);
    const std::string block(4096, 'f');
    while (filler.write(block.data(), static_cast<std::streamsize>(block.size())) && filler.flush()) {
    }
}

TRamDisk::TRamDisk(const std::string &path) : Path(path)
{
    std::filesystem::create_directories(path);
    Mounted = ::mount("ramfs", path.c_str(), "ramfs", 0, "mode=0777") == 0;
}

TRamDisk::~TRamDisk()
{
    if (Mounted) ::umount2(Path.c_str(), MNT_DETACH);
}

int RunAsNobody(const std::function<int()> &body)
{
    const passwd *nobody = getpwnam("nobody");
    if (!nobody) return -1;
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (getuid() == 0 && (setgid(nobody->pw_gid) != 0 || setuid(nobody->pw_uid) != 0)) _exit(126);
        _exit(body());
    }
    int status = 0;
    if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

void UsePortableProgramFolder(const std::string &folder)
{
    if (!folder.empty()) std::filesystem::create_directories(folder + "/Options");
    SetProgramDirectoryOverride(folder);
}
