// The file streams editor's edit: its menu and text tools, its key rules, find and go to line.
#include "app/FileStreamsDialog.h"

#include "Libraries/Error.h"
#include "Libraries/Utilities.h"
#include "Libraries/UtilitiesUi.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace {

constexpr const char *ThisUnit = "FileStreamsDialog";
constexpr int SeparatorLength = 50;

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

// The keys that work in the edit while Ctrl is held: select all, undo, and moving the caret.
bool CtrlKeyAllowed(int key)
{
    switch (key) {
    case Qt::Key_A:
    case Qt::Key_Z:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Control:
    case Qt::Key_Shift:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
        return true;
    default:
        return false;
    }
}

// The keys that work while Alt is held: the labels' "&Stream", "&Find text" and "&Go to line".
bool AltKeyAllowed(int key)
{
    return key == Qt::Key_S || key == Qt::Key_F || key == Qt::Key_G || key == Qt::Key_Alt ||
           key == Qt::Key_Control || key == Qt::Key_Shift || key == Qt::Key_Meta;
}

bool IsEnter(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

std::string SeparatorLine(char character)
{
    return std::string(SeparatorLength, character);
}

std::string LoginTemplateText(int passwordLength, const std::function<std::string(int)> &randomText)
{
    return "* Login URL = \n* Email address = \n* User name = " + randomText(10) +
           "\n* Password = " + randomText(passwordLength) + "\n";
}

std::string StreamsRandomText(int length)
{
    return RandomHashText(length == 10 ? 1 : (length == 20 ? 2 : 0));
}

int GoToLineNumber(const std::string &typed, int currentLine, int lineCount)
{
    bool isNumber = false;
    const qlonglong number = Q(typed).trimmed().toLongLong(&isNumber);
    const qlonglong line = isNumber ? number : currentLine;
    return static_cast<int>(std::clamp<qlonglong>(line, 1, std::max(1, lineCount)));
}

void TFileStreamsForm::BuildPopupMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    struct TRow
    {
        const char *Caption;
        std::function<void()> Handler;
    };
    const TRow rows[] = {
        {"Copy to clipboard", [this] { CopyMenuClick(); }},
        {"Cut to clipboard", [this] { CutMenuClick(); }},
        {"Paste from clipboard", [this] { PasteMenuClick(); }},
        {nullptr, nullptr},
        {"Insert separator =", [this] { InsertSeparatorMenuClick('='); }},
        {"Insert separator -", [this] { InsertSeparatorMenuClick('-'); }},
        {nullptr, nullptr},
        {"Insert 10 chars random text", [this] { InsertRandomTextMenuClick(10); }},
        {"Insert 20 chars random text", [this] { InsertRandomTextMenuClick(20); }},
        {"Insert 40 chars random text", [this] { InsertRandomTextMenuClick(40); }},
        {nullptr, nullptr},
        {"Insert 20 chars login template", [this] { InsertLoginTemplate(20); }},
        {"Insert 40 chars login template", [this] { InsertLoginTemplate(40); }},
    };
    for (const TRow &row : rows) {
        if (!row.Caption) {
            PopupMenu->addSeparator();
            continue;
        }
        QAction *action = PopupMenu->addAction(QString::fromLatin1(row.Caption));
        connect(action, &QAction::triggered, this, row.Handler);
    }
    connect(StreamContentRichEdit,
            &QWidget::customContextMenuRequested,
            this,
            [this](const QPoint &at) {
                PopupMenu->popup(StreamContentRichEdit->viewport()->mapToGlobal(at));
            });
}

// ---- Clipboard and text tools -------------------------------------------------------------------

void TFileStreamsForm::CopyMenuClick()
{
    CopyTextToClipboard(
        StreamContentRichEdit->textCursor().selection().toPlainText().toStdString());
}

void TFileStreamsForm::CutMenuClick()
{
    if (!Editable()) return;
    QTextCursor cursor = StreamContentRichEdit->textCursor();
    if (!CopyTextToClipboard(cursor.selection().toPlainText().toStdString(),
                             "Failed to cut text to clipboard."))
        return;
    cursor.removeSelectedText();
}

void TFileStreamsForm::PasteMenuClick()
{
    if (!Editable()) return;
    const std::string text = CopyTextFromClipboard();
    if (!text.empty()) StreamContentRichEdit->insertPlainText(Q(text));
}

void TFileStreamsForm::InsertAboveCaretLine(const QString &lines)
{
    QTextCursor cursor = StreamContentRichEdit->textCursor();
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::StartOfBlock);
    cursor.insertText(lines);
}

void TFileStreamsForm::InsertSeparatorMenuClick(char character)
{
    if (!Editable()) return;
    InsertAboveCaretLine(Q(SeparatorLine(character) + "\n"));
}

void TFileStreamsForm::InsertRandomTextMenuClick(int length)
{
    if (!Editable()) return;
    StreamContentRichEdit->insertPlainText(Q(StreamsRandomText(length)));
}

void TFileStreamsForm::InsertLoginTemplate(int passwordLength)
{
    if (!Editable()) return;
    TFunScope Fun(ThisUnit, "TFileStreamsForm::InsertLoginTemplate");
    Fun.Run([&] {
        InsertAboveCaretLine(Q(LoginTemplateText(passwordLength, StreamsRandomText)));
        InsertAboveCaretLine(Q(SeparatorLine('=') + "\n"));
    });
    Fun.ShowIfFailed("Failed to insert login template.");
}

void TFileStreamsForm::LimitEditLength(int, int added)
{
    QTextDocument *document = StreamContentRichEdit->document();
    const int over = document->characterCount() - 1 - static_cast<int>(StreamsEditorByteLimit);
    if (over <= 0 || added <= 0) return;
    // The insertion ended at the caret: its last characters go.
    QTextCursor cursor = StreamContentRichEdit->textCursor();
    const int end = cursor.position();
    cursor.setPosition(std::max(0, end - over));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    if (document->characterCount() - 1 > StreamsEditorByteLimit) {
        // Nothing before the caret to take: the end of the text goes.
        cursor.movePosition(QTextCursor::End);
        cursor.setPosition(static_cast<int>(StreamsEditorByteLimit), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

std::int64_t TFileStreamsForm::EditCharacterCount() const
{
    const QString text = StreamContentRichEdit->toPlainText();
    std::int64_t count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!text.at(i).isLowSurrogate()) ++count;
    return count;
}

// ---- Find and go to line ------------------------------------------------------------------------

void TFileStreamsForm::FindNext(bool fromStart)
{
    const QString text = FindTextComboBox->currentText();
    if (text.isEmpty()) return;
    AddComboHistory(FindTextComboBox, text.toStdString());
    FindTextComboBox->setEditText(text);
    QTextCursor from = StreamContentRichEdit->textCursor();
    if (fromStart) from.movePosition(QTextCursor::Start);
    const QTextCursor found = StreamContentRichEdit->document()->find(text, from.selectionEnd());
    if (found.isNull()) {
        ShowInfoMessage("There are no more text matches.");
        return;
    }
    StreamContentRichEdit->setTextCursor(found);
    StreamContentRichEdit->ensureCursorVisible();
}

void TFileStreamsForm::GoToLine()
{
    const int current = StreamContentRichEdit->textCursor().blockNumber() + 1;
    const int line = GoToLineNumber(GoToLineComboBox->currentText().toStdString(),
                                    current,
                                    StreamContentRichEdit->document()->blockCount());
    AddComboHistory(GoToLineComboBox, std::to_string(line));
    GoToLineComboBox->setEditText(QString::number(line));
    const QTextBlock block = StreamContentRichEdit->document()->findBlockByNumber(line - 1);
    QTextCursor cursor = StreamContentRichEdit->textCursor();
    cursor.setPosition(block.position());
    StreamContentRichEdit->setTextCursor(cursor);
    StreamContentRichEdit->ensureCursorVisible();
    StreamContentRichEdit->setFocus();
}

// ---- Keys ---------------------------------------------------------------------------------------

bool TFileStreamsForm::StreamContentRichEditKeyDown(QKeyEvent *event)
{
    const int key = event->key();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = modifiers & Qt::ControlModifier;
    if (key == Qt::Key_F3) {
        if (FindTextComboBox->currentText().isEmpty())
            FindTextComboBox->setFocus();
        else
            FindNext(ctrl);
        return true;
    }
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    if (ctrl && !(modifiers & (Qt::AltModifier | Qt::ShiftModifier))) {
        switch (key) {
        case Qt::Key_C:
            CopyMenuClick();
            return true;
        case Qt::Key_X:
            CutMenuClick();
            return true;
        case Qt::Key_V:
            PasteMenuClick();
            return true;
        case Qt::Key_S:
            if (StreamContentRichEdit->document()->isModified()) SaveStream();
            return true;
        default:
            break;
        }
    }
    if (ctrl && !CtrlKeyAllowed(key)) return true;
    if (modifiers & Qt::AltModifier) {
        // The labels' keys, where the label's own shortcut did not take them first.
        if (key == Qt::Key_S) FileStreamsComboBox->setFocus();
        if (key == Qt::Key_F) FindTextComboBox->setFocus();
        if (key == Qt::Key_G) GoToLineComboBox->setFocus();
        return !AltKeyAllowed(key) || key == Qt::Key_S || key == Qt::Key_F || key == Qt::Key_G;
    }
    return false;
}

bool TFileStreamsForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched == StreamContentRichEdit) return StreamContentRichEditKeyDown(key);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (watched == FindTextComboBox->lineEdit() && IsEnter(key->key())) {
            FindNext(ctrl);
            return true;
        }
        if (watched == GoToLineComboBox->lineEdit() && IsEnter(key->key())) {
            GoToLine();
            return true;
        }
    }
    // The left button held while the wheel turns sizes the edit's font.
    if (event->type() == QEvent::Wheel && watched == StreamContentRichEdit->viewport()) {
        auto *wheel = static_cast<QWheelEvent *>(event);
        if (wheel->buttons() & Qt::LeftButton) {
            const int step =
                wheel->angleDelta().y() > 0 ? 1 : (wheel->angleDelta().y() < 0 ? -1 : 0);
            QFont font = StreamContentRichEdit->font();
            font.setPointSize(std::clamp(font.pointSize() + step, 4, 96));
            StreamContentRichEdit->setFont(font);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFileStreamsForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
