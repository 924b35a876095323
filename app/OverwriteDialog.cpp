// The overwrite question: what to do when a file operation meets an existing destination.
#include "app/OverwriteDialog.h"

#include "Libraries/Error.h"
#include "Libraries/MyTime.h"
#include "app/MainDialog.h"
#include "platform/FileSystem.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr const char *ThisUnit = "OverwriteDialog";

struct TFileSide
{
    TFileInfo Info;
    bool Encrypted = false;
};

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

void ShowSide(const std::string &path, const TFileInfo &info, QLabel *directory, QLabel *name, QLabel *size,
              QLabel *date, QLabel *clock)
{
    directory->setText(Q(ExtractDirectory(path)));
    name->setText(Q(ExtractName(path)));
    size->setText(Q(FileSizeText(14, 0, info.size)));
    date->setText(Q(LongDateWithDayText(info.modified)));
    clock->setText(Q(LongTimeWithUnitsText(info.modified)));
}

QGroupBox *SideBox(QLabel *&directory, QLabel *&name, QLabel *&size, QLabel *&date, QLabel *&clock)
{
    auto *box = new QGroupBox;
    auto *grid = new QGridLayout(box);
    QLabel **fields[] = {&directory, &name, &size, &date, &clock};
    const char *captions[] = {"Directory", "Name", "Size", "Date", "Time"};
    for (int row = 0; row < 5; ++row) {
        *fields[row] = new QLabel;
        (*fields[row])->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(new QLabel(QString::fromLatin1(captions[row])), row, 0);
        grid->addWidget(*fields[row], row, 1);
    }
    grid->setColumnStretch(1, 1);
    return box;
}

} // namespace

TOverwriteForm *OverwriteForm = nullptr;

bool SourceIsNewer(const TOverwriteFacts &facts)
{
    if (facts.SourceSize > 0 && facts.DestinationSize == 0) return true;
    if (facts.SourceSize == 0 && facts.DestinationSize > 0) return false;
    if (facts.SourceModified != facts.DestinationModified) return facts.SourceModified > facts.DestinationModified;
    if (facts.SourceSize != facts.DestinationSize) return facts.SourceSize > facts.DestinationSize;
    return facts.SourceEncrypted && !facts.DestinationEncrypted;
}

TOverwriteForm::TOverwriteForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Confirm overwrite"));
    auto *layout = new QVBoxLayout(this);
    SourceGroupBox = SideBox(SourceDirectoryLabel, SourceNameLabel, SourceSizeLabel, SourceDateLabel, SourceTimeLabel);
    DestinationGroupBox = SideBox(DestinationDirectoryLabel, DestinationNameLabel, DestinationSizeLabel,
                                  DestinationDateLabel, DestinationTimeLabel);
    layout->addWidget(SourceGroupBox);
    layout->addWidget(DestinationGroupBox);
    struct TButtonRow
    {
        QPushButton *TOverwriteForm::*Button;
        const char *Caption;
        int Choice;
    };
    static const TButtonRow rows[] = {
        {&TOverwriteForm::AbortButton, "&Abort", ocAbort},
        {&TOverwriteForm::SkipThisButton, "Ski&p this", ocSkipThis},
        {&TOverwriteForm::SkipAllButton, "S&kip all", ocSkipAll},
        {&TOverwriteForm::OverThisButton, "Over&write this", ocOverwriteThis},
        {&TOverwriteForm::OverAllButton, "O&verwrite all", ocOverwriteAll},
        {&TOverwriteForm::OverAllOlderButton, "Overwrite all &older", ocOverwriteAllOlder},
    };
    auto *buttons = new QGridLayout;
    int at = 0;
    for (const TButtonRow &row : rows) {
        QPushButton *button = new QPushButton(QString::fromLatin1(row.Caption));
        button->setAutoDefault(false);
        this->*row.Button = button;
        buttons->addWidget(button, at / 3, at % 3);
        ++at;
        const int choice = row.Choice;
        connect(button, &QPushButton::clicked, this, [this, choice] { ChoiceButtonClick(choice); });
    }
    layout->addLayout(buttons);
}

void TOverwriteForm::Reset()
{
    overwriteChoice = ocSkipThis;
}

void TOverwriteForm::ChoiceButtonClick(int choice)
{
    overwriteChoice = choice;
    accept();
}

void TOverwriteForm::keyPressEvent(QKeyEvent *event)
{
    // Escape skips this file.
    if (event->key() == Qt::Key_Escape) {
        SkipThisButton->click();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        TMainForm::OpenHelp(201);
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TOverwriteForm::Dialog(const std::string &source,
                            const std::string &destination,
                            bool &sourceNewer,
                            bool &destinationInfo,
                            bool &overwrite,
                            bool &abort,
                            bool askAgain)
{
    sourceNewer = true;
    destinationInfo = false;
    overwrite = false;
    abort = false;
    if (overwriteChoice == ocAbort) return false;
    const int remembered = overwriteChoice;
    const bool forced = askAgain && (remembered == ocOverwriteAll || remembered == ocOverwriteAllOlder);
    if (overwriteChoice == ocOverwriteAll && !forced) {
        overwrite = true;
        return true;
    }
    if (!PathExists(destination)) return true;
    bool proceed = false;
    TFunScope Fun(ThisUnit, "TOverwriteForm::Dialog");
    Fun.Run([&] {
        TFileInfo sourceInfo, destinationFileInfo;
        sourceInfo.Load(source);
        if (Fun.CalleeFailed()) return;
        destinationFileInfo.Load(destination);
        if (Fun.CalleeFailed()) return;
        destinationInfo = true;
        ShowSide(source, sourceInfo, SourceDirectoryLabel, SourceNameLabel, SourceSizeLabel, SourceDateLabel,
                 SourceTimeLabel);
        ShowSide(destination, destinationFileInfo, DestinationDirectoryLabel, DestinationNameLabel,
                 DestinationSizeLabel, DestinationDateLabel, DestinationTimeLabel);
        const TOverwriteFacts facts{sourceInfo.size,
                                    destinationFileInfo.size,
                                    sourceInfo.rawModified,
                                    destinationFileInfo.rawModified,
                                    (sourceInfo.attributes & FileAttribute::Encrypted) != 0,
                                    (destinationFileInfo.attributes & FileAttribute::Encrypted) != 0};
        const bool newer = SourceIsNewer(facts);
        if (overwriteChoice == ocSkipAll) {
            sourceNewer = newer;
            return;
        }
        if (overwriteChoice == ocOverwriteAllOlder && !forced) {
            sourceNewer = newer;
            overwrite = newer;
            proceed = newer;
            return;
        }
        SourceGroupBox->setTitle(newer ? QStringLiteral("Source (newer)") : QStringLiteral("Source"));
        DestinationGroupBox->setTitle(newer ? QStringLiteral("Destination") : QStringLiteral("Destination (newer)"));
        sourceNewer = newer;
        QTimer::singleShot(0, OverThisButton, [this] { OverThisButton->setFocus(); });
        overwriteChoice = ocSkipThis;
        exec();
        const int answered = overwriteChoice;
        // "Ski&p this" and "Over&write this" decide this file only.
        if (forced && (answered == ocSkipThis || answered == ocOverwriteThis)) overwriteChoice = remembered;
        switch (answered) {
        case ocAbort:
            abort = true;
            break;
        case ocOverwriteThis:
        case ocOverwriteAll:
            overwrite = true;
            proceed = true;
            break;
        case ocOverwriteAllOlder:
            overwrite = newer;
            proceed = newer;
            break;
        default:
            break;
        }
    });
    Fun.ShowIfFailed("Failed to confirm overwrite.");
    return proceed;
}
