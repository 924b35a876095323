// The overwrite question: what to do when a file operation meets an existing destination.
#pragma once

#include "Libraries/File.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QGroupBox;
class QLabel;
class QPushButton;

// What decides whether a source is newer than the destination it would replace.
struct TOverwriteFacts
{
    std::uint64_t SourceSize = 0, DestinationSize = 0;
    TRawFileTime SourceModified = 0, DestinationModified = 0;
    bool SourceEncrypted = false, DestinationEncrypted = false;
};
// A non-empty source over an empty destination, then the later modification time, then the
// larger size, then an encrypted source over a plain destination.
bool SourceIsNewer(const TOverwriteFacts &facts);

// The choices of the dialog, kept from one question to the next within an operation.
enum TOverwriteChoice : int
{
    ocAbort = 0,
    ocSkipThis = 1,
    ocSkipAll = 2,
    ocOverwriteThis = 3,
    ocOverwriteAll = 4,
    ocOverwriteAllOlder = 5
};

class TOverwriteForm : public QDialog
{
public:
    explicit TOverwriteForm(QWidget *parent = nullptr);

    int overwriteChoice = ocSkipThis;
    // Starts a new operation: every later conflict is asked again.
    void Reset();
    // Decides about replacing destination with source, asking when the earlier choices leave
    // it open; true to proceed (overwrite tells whether something is replaced). sourceNewer
    // and destinationInfo report what was found; abort is set by "&Abort".
    // Shown: "Failed to confirm overwrite." when either file cannot be read.
    // askAgain asks even when the remembered choice ("O&verwrite all", "Overwrite all &older")
    // would replace the destination without a question: for a destination the operation made
    // itself. An answer for this file only keeps the remembered choice for the others.
    bool Dialog(const std::string &source,
                const std::string &destination,
                bool &sourceNewer,
                bool &destinationInfo,
                bool &overwrite,
                bool &abort,
                bool askAgain = false);

    QGroupBox *SourceGroupBox;
    QGroupBox *DestinationGroupBox;
    QLabel *SourceDirectoryLabel, *SourceNameLabel, *SourceSizeLabel, *SourceDateLabel, *SourceTimeLabel;
    QLabel *DestinationDirectoryLabel, *DestinationNameLabel, *DestinationSizeLabel, *DestinationDateLabel,
        *DestinationTimeLabel;
    QPushButton *AbortButton;
    QPushButton *SkipThisButton;
    QPushButton *SkipAllButton;
    QPushButton *OverThisButton;
    QPushButton *OverAllButton;
    QPushButton *OverAllOlderButton;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void ChoiceButtonClick(int choice);
};

// The overwrite dialog; made by the start-up.
extern TOverwriteForm *OverwriteForm;
