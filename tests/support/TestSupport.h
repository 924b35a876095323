// Test fixtures: a fresh status context with fakes for the people who answer dialogs, and
// temporary directories.
#pragma once

#include "Libraries/Error.h"
#include "platform/ErrorWindow.h"
#include "platform/MessageBoxes.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// Records every message box and answers with a scripted answer.
class TFakeMessageBoxes : public TMessageBoxes
{
public:
    struct TShown
    {
        std::string Caption, Text;
        unsigned Style;
    };
    std::vector<TShown> Shown;
    std::vector<unsigned> Beeps;
    int Answer = MessageBoxAnswer::Ok;
    // Runs when a box is shown, before the answer (a person acting while a question waits).
    std::function<void(const std::string &text)> OnShow;
    int Show(const std::string &caption, const std::string &text, unsigned style) override;
    void Beep(unsigned type) override;
};

// An error window that records what it shows; a person's reaction is scripted by OnShow.
class TFakeErrorWindow : public TErrorWindow
{
public:
    std::string Caption, Memo, RecursionLabel;
    std::vector<std::string> Memos; // the memo of every modal showing
    bool Visible = false;
    TErrorWindowResult Result = TErrorWindowResult::Okay;
    std::function<void()> OnShow;
    void SetCaption(const std::string &caption) override { Caption = caption; }
    void SetMemoText(const std::string &text) override { Memo = text; }
    void SetRecursionLabel(const std::string &text) override { RecursionLabel = text; }
    bool IsVisible() const override { return Visible; }
    TErrorWindowResult ShowModal() override;
};

// Each test starts with a Perfect FunStatContext, a fake error dialog and fake message boxes.
class TStatusTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    // The messages the user saw in the error dialog, each memo's line after "DESCRIPTION".
    std::vector<std::string> ShownErrors() const;

    TFakeMessageBoxes Boxes;
    TFakeErrorWindow Window;
    TErrorForm Form{&Window};
};

// A temporary directory removed with everything in it at the end of the test.
class TTempDir
{
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir &) = delete;
    TTempDir &operator=(const TTempDir &) = delete;
    const std::string &Path() const { return Root; }
    // Path below the directory ("a/b" gives Root + "/a/b").
    std::string operator/(const std::string &relative) const { return Root + "/" + relative; }
    void WriteFile(const std::string &relative, const std::string &content) const;
    std::string ReadFile(const std::string &relative) const;

private:
    std::string Root;
};

// A small tmpfs of its own, for a full disk or another mount; Mounted is false where the machine
// cannot mount one (the test then skips).
class TSmallDisk
{
public:
    explicit TSmallDisk(const std::string &path, const std::string &size = "64k");
    ~TSmallDisk();
    TSmallDisk(const TSmallDisk &) = delete;
    TSmallDisk &operator=(const TSmallDisk &) = delete;
    // Writes a filler file until the disk refuses more.
    void FillUp() const;
    std::string Path;
    bool Mounted = false;
};

// A ramfs of its own (mode 0777): a file system without a size and without user extended
// attributes. Mounted is false where the machine cannot mount one (the test then skips).
class TRamDisk
{
public:
    explicit TRamDisk(const std::string &path);
    ~TRamDisk();
    TRamDisk(const TRamDisk &) = delete;
    TRamDisk &operator=(const TRamDisk &) = delete;
    std::string Path;
    bool Mounted = false;
};

// Runs a function as the unprivileged user "nobody" in a child process; returns its exit
// code, or -1 when the machine cannot switch users.
int RunAsNobody(const std::function<int()> &body);

// Makes the folder the program's folder of a portable copy: it gets an "Options/" folder, so the
// options, plug-ins and log of a test stay inside it. An empty folder restores the default.
void UsePortableProgramFolder(const std::string &folder);
