// The steganography dialog: hiding a file in a picture, taking it out, automatic steg for the
// viewer and the streams editor, and the noise view.
#include "app/StegDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/MyGDIPlus.h"
#include "Libraries/MyMath.h"
#include "Libraries/MyRandom.h"
#include "Libraries/Program.h"
#include "Libraries/StoredTextListUi.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"

#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImageWriter>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include <cstring>

TStegForm *StegForm = nullptr;

namespace {

constexpr const char *ThisUnit = "StegDialog";
constexpr const char *SettingsSection = "Steg";
constexpr const char *AutoStegPictureName = "-Velmordian_AutoStegPicture.bmp";
constexpr const char *NoisePictureName = "-Velmordian_StegNoisePicture.bmp";

std::string Grouped(std::int64_t n)
{
    return GroupedIntText(n);
}

std::string IntegrityText(int code)
{
    return "Integrity: \"" + std::to_string(code) + "\"";
}

std::uint32_t LoadWord(const std::uint8_t *bytes)
{
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

void StoreWord(std::uint32_t value, std::uint8_t *bytes)
{
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The payload's words with byte access; whole blocks, so the words fill it exactly.
struct TPayload
{
    explicit TPayload(std::int64_t bytes) : Words(static_cast<std::size_t>(bytes / 4), 0) {}
    std::uint8_t *Bytes() { return reinterpret_cast<std::uint8_t *>(Words.data()); }
    const std::uint8_t *Bytes() const { return reinterpret_cast<const std::uint8_t *>(Words.data()); }
    std::int64_t Size() const { return static_cast<std::int64_t>(Words.size() * 4); }
    std::int64_t Blocks() const { return Size() / 64; }
    std::vector<std::uint32_t> Words;
};

// The header decrypted: the check block's hash, and a size and a name that can be used.
bool HeaderIsValid(const TPayload &payload, std::string &name, std::uint64_t &size)
{
    const std::uint8_t *bytes = payload.Bytes();
    if (StegHash(LoadStegBlock(bytes + StegLayout::Check)) != LoadStegBlock(bytes + StegLayout::CheckHash))
        return false;
    const auto *field = reinterpret_cast<const char *>(bytes + StegLayout::Name);
    const void *end = std::memchr(field, 0, StegLayout::NameBytes);
    if (!end) return false;
    name.assign(field, static_cast<const char *>(end));
    size = LoadWord(bytes + StegLayout::Size);
    return LoadWord(bytes + StegLayout::SizeHigh) == 0 && size <= StegLayout::MaximumSize &&
           StegLayout::Data + static_cast<std::int64_t>(size) <= payload.Size() && IsValidStegName(name);
}

bool Encode(const QImage &picture, const std::string &format, QByteArray &encoded)
{
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, QByteArray::fromStdString(format));
    return writer.write(picture);
}

// A busy cursor while the pixels are worked on.
class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

QToolButton *NewToggle(const char *caption, const char *hint)
{
    auto *button = new QToolButton;
    button->setText(QString::fromUtf8(caption));
    button->setToolTip(QString::fromUtf8(hint));
    button->setCheckable(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    return button;
}

QLineEdit *NewPasswordEdit()
{
    auto *edit = new QLineEdit;
    edit->setEchoMode(QLineEdit::Password);
    edit->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    return edit;
}

} // namespace

// ---- The window -----------------------------------------------------------------------------

TStegForm::TStegForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Steg"));
    auto *layout = new QGridLayout(this);
    PasswordEdit = NewPasswordEdit();
    ConfirmPasswordEdit = NewPasswordEdit();
    PasswordEdit->setToolTip(QStringLiteral("The password that encrypts the hidden file"));
    ConfirmPasswordEdit->setToolTip(QStringLiteral("Type the password again"));
    AlgorithmComboBox = new QComboBox;
    AlgorithmComboBox->addItem(QStringLiteral("KRO3"));
    AlgorithmComboBox->setToolTip(QStringLiteral("The encryption algorithm; steg-out needs the one of the steg-in"));
    UserKeyIterationsComboBox = new QComboBox;
    for (const char *count : {"100", "1000", "10000", "100000", "1000000"})
        UserKeyIterationsComboBox->addItem(QString::fromUtf8(count));
    UserKeyIterationsComboBox->setToolTip(QStringLiteral(
        "How many times the key is mixed: more is harder to guess and slower. Raise it in steps to see what it "
        "costs. Steg-out needs the value of the steg-in."));
    ActivateAutoStegSpeedButton = NewToggle(
        "Activate auto steg",
        "While it is down, the viewer shows the file hidden in a \".png\" picture and the streams editor edits a "
        "hidden \".txt\" text in place, with this password");
    NoDecryptionSpeedButton = NewToggle("No decryption", "Steg-out writes the hidden file still encrypted");
    auto addRow = [&](int row, const char *caption, QWidget *field) {
        auto *label = new QLabel(QString::fromUtf8(caption));
        label->setBuddy(field);
        layout->addWidget(label, row, 0);
        layout->addWidget(field, row, 1);
    };
    addRow(0, "&Password", PasswordEdit);
    addRow(1, "Con&firm password", ConfirmPasswordEdit);
    addRow(2, "&Algorithm", AlgorithmComboBox);
    addRow(3, "&Key iterations", UserKeyIterationsComboBox);
    auto *toggles = new QHBoxLayout;
    toggles->addWidget(ActivateAutoStegSpeedButton);
    toggles->addWidget(NoDecryptionSpeedButton);
    toggles->addStretch(1);
    layout->addLayout(toggles, 4, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    OkayButton = new QPushButton(QStringLiteral("&Okay"));
    OkayButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    HelpButton = new QPushButton(QStringLiteral("&Help"));
    buttons->addStretch(1);
    buttons->addWidget(OkayButton);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    layout->addLayout(buttons, 5, 0, 1, 2);
    UserKeyIterationsComboBox->setCurrentIndex(1);
    connect(OkayButton, &QPushButton::clicked, this, &TStegForm::OkayButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [] { TMainForm::OpenHelp(208); });
}

TStegForm::~TStegForm()
{
    // Qt keeps copies of its own; what is ours is overwritten before it goes.
    for (QLineEdit *edit : {PasswordEdit, ConfirmPasswordEdit}) {
        edit->setText(QString(edit->text().size(), QChar(0xFF)));
        edit->clear();
    }
}

void TStegForm::ReadSettings(const TStoredTextList &list)
{
    ReadComboBox(list, SettingsSection, "Algorithm", "KRO3", AlgorithmComboBox);
    ReadComboBox(list, SettingsSection, "UserKeyIterations", "1000", UserKeyIterationsComboBox);
}

void TStegForm::WriteSettings(TStoredTextList &list) const
{
    WriteComboBox(list, SettingsSection, "Algorithm", AlgorithmComboBox);
    WriteComboBox(list, SettingsSection, "UserKeyIterations", UserKeyIterationsComboBox);
}

std::int32_t TStegForm::UserKeyIterations() const
{
    return UserKeyIterationsComboBox->currentText().toInt();
}

std::string TStegForm::Password() const
{
    return PasswordEdit->text().toUtf8().toStdString();
}

bool TStegForm::AutoStegActive() const
{
    return ActivateAutoStegSpeedButton->isChecked() && !PasswordEdit->text().isEmpty();
}

bool TStegForm::Dialog(const std::string &source, const std::string &target, bool stegIn)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "TStegForm::Dialog");
    Fun.Run([&] {
        SourceName = source;
        TargetName = target;
        StegInMode = stegIn;
        setWindowTitle(stegIn ? QStringLiteral("Steg-in") : QStringLiteral("Steg-out"));
        OkayButton->setText(stegIn ? QStringLiteral("&Steg-in") : QStringLiteral("&Steg-out"));
        ConfirmPasswordEdit->setEnabled(stegIn);
        NoDecryptionSpeedButton->setEnabled(!stegIn);
        PasswordEdit->setFocus();
        PasswordEdit->selectAll();
        result = exec() == QDialog::Accepted;
    });
    Fun.ShowIfFailed("Failed to steg.");
    return result;
}

bool TStegForm::Dialog(bool autoMode)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "TStegForm::Dialog");
    Fun.Run([&] {
        SourceName.clear();
        TargetName.clear();
        setWindowTitle(autoMode ? QStringLiteral("Auto steg") : QStringLiteral("Confirm password"));
        OkayButton->setText(autoMode ? QStringLiteral("&Okay") : QStringLiteral("C&onfirm"));
        ConfirmPasswordEdit->setEnabled(true);
        NoDecryptionSpeedButton->setEnabled(false);
        // Cancel leaves automatic steg as it was.
        const bool wasActive = ActivateAutoStegSpeedButton->isChecked();
        ActivateAutoStegSpeedButton->setChecked(true);
        PasswordEdit->setFocus();
        PasswordEdit->selectAll();
        result = exec() == QDialog::Accepted;
        if (!result) ActivateAutoStegSpeedButton->setChecked(wasActive);
    });
    Fun.ShowIfFailed("Failed to activate the auto steg-out function.");
    return result;
}

void TStegForm::OkayButtonClick()
{
    Algorithm = StegAlgorithmNumber(AlgorithmComboBox->currentText().toStdString());
    if (SourceName.empty() && TargetName.empty()) {
        accept();
        return;
    }
    if (PasswordEdit->text().isEmpty()) {
        ShowErrorMessage("The password is empty.");
        return;
    }
    if (StegInMode && ConfirmPasswordEdit->text() != PasswordEdit->text()) {
        ShowErrorMessage("The password is not confirmed.\nType again the confirmation password.");
        return;
    }
    hide();
    if (StegInMode) {
        StegIn(-1);
    } else {
        TStegOutResult result;
        StegOut(!NoDecryptionSpeedButton->isChecked(), nullptr, nullptr, false, result);
    }
    accept();
}

// ---- Pictures -------------------------------------------------------------------------------

bool TStegForm::LoadPicture(const std::string &name)
{
    TFunScope Fun(ThisUnit, "TStegForm::LoadPicture");
    Fun.Run([&] {
        Bitmap = QImage();
        TPictureFile file;
        QImage picture = file.Open(name) ? file.Read() : QImage();
        if (picture.isNull() || picture.width() <= 0 || picture.height() <= 0) {
            Fun.Raise("Failed to load picture.", name);
            return;
        }
        // Never premultiplied: that would lose the low bits of translucent pixels.
        Bitmap = picture.convertToFormat(QImage::Format_ARGB32);
        if (Bitmap.isNull()) Fun.Raise("Failed to lock bitmap.", name);
    });
    return !Fun.Failed();
}

bool TStegForm::SavePicture(const std::string &name, bool asBmp, std::string &savedName, bool keepTime,
                            bool askOverwrite)
{
    TFunScope Fun(ThisUnit, "TStegForm::SavePicture");
    Fun.Run([&] {
        savedName.clear();
        std::string extension, format;
        if (!GetPictureConverterID(asBmp ? "BMP" : "PNG", extension, format)) {
            Fun.Raise("Failed to get filter information.");
            return;
        }
        const std::string path = ReplaceExtension(name, extension);
        Platform::TEntryStatus old;
        const bool exists = Platform::EntryStatus(path, old, true);
        const bool taken = exists || Platform::PathTaken(path);
        if (askOverwrite && taken && !AskYesNo("File already exists. OVERWRITE it?")) return;
        // A name that is taken but cannot be read (a dangling link) has no time to keep.
        if (keepTime && taken && !exists) {
            Fun.RaiseLastError("Failed open file.", path);
            return;
        }
        QByteArray encoded;
        if (!Encode(Bitmap, format, encoded)) {
            Fun.Raise("Failed to save picture.", path);
            return;
        }
        // An existing carrier is replaced whole or not at all, keeping its streams, mode and owner.
        const auto write = [&](int handle) {
            return Platform::WriteAtEnd(handle, encoded.constData(), static_cast<std::size_t>(encoded.size()));
        };
        const bool written = exists && old.IsRegular
                                 ? Platform::ReplaceFileContent(path, write)
                                 : Platform::WriteWholeFile(path, encoded.constData(),
                                                            static_cast<std::size_t>(encoded.size()));
        if (!written) {
            Fun.RaiseLastError("Failed to save picture.", path);
            return;
        }
        savedName = path;
        std::string real;
        if (keepTime && exists &&
            !(Platform::RealPath(path, real) &&
              Platform::SetModifiedTime(real, old.ModifiedSeconds, old.ModifiedNanoseconds)))
            Fun.RaiseLastError("Failed to set time.", path);
    });
    return !Fun.Failed();
}

std::string TStegForm::ViewNoise(const std::string &picture)
{
    std::string path;
    TFunScope Fun(ThisUnit, "TStegForm::ViewNoise");
    Fun.Run([&] {
        TWaitCursor wait;
        if (!LoadPicture(picture)) {
            Fun.CalleeFailed();
            return;
        }
        QImage noise(Bitmap.size(), QImage::Format_ARGB32);
        for (int y = 0; y < Bitmap.height(); ++y) {
            const auto *from = reinterpret_cast<const std::uint32_t *>(Bitmap.constScanLine(y));
            auto *to = reinterpret_cast<std::uint32_t *>(noise.scanLine(y));
            for (int x = 0; x < Bitmap.width(); ++x) to[x] = (from[x] & 0x00010101u) * 128;
        }
        Bitmap = QImage();
        // Written opaque: a noise picture that other viewers show transparent shows nothing.
        QByteArray encoded;
        if (!Encode(noise.convertToFormat(QImage::Format_RGB32), "bmp", encoded)) {
            Fun.Raise("Failed to save picture.", NoisePictureName);
            return;
        }
        const std::string folder = PrivateTemporaryDirectory();
        if (Fun.CalleeFailed()) return;
        const std::string file = folder + NoisePictureName;
        if (!Platform::WriteWholeFile(file, encoded.constData(), static_cast<std::size_t>(encoded.size()), 0600)) {
            Fun.RaiseLastError("Failed to save picture.", file);
            return;
        }
        path = file;
    });
    Bitmap = QImage();
    return path;
}

// ---- The cipher over whole payloads ---------------------------------------------------------

bool TStegForm::EncryptBuffer(std::uint8_t *blocks, std::int64_t count, TStegBlock &k, TStegBlock &s)
{
    TFunScope Fun(ThisUnit, "TStegForm::EncryptBuffer");
    Fun.Run([&] {
        TStegBlock v = s;
        for (std::int64_t i = 0; i < count; ++i) {
            std::uint8_t *bytes = blocks + 64 * i;
            StegMix(v.data(), s.data(), k.data());
            v = LoadStegBlock(bytes);
            TStegBlock block = v;
            EncryptStegBlock(block.data(), s.data(), k.data());
            if (block == v) {
                Fun.Raise("The current data block is not encrypted. Try to steg-in again.",
                          "Block index " + std::to_string(i));
                return;
            }
            StoreStegBlock(block, bytes);
        }
    });
    return !Fun.Failed();
}

void TStegForm::DecryptBuffer(std::uint8_t *blocks, std::int64_t count, TStegBlock &k, TStegBlock &s)
{
    TStegBlock v = s;
    for (std::int64_t i = 0; i < count; ++i) {
        std::uint8_t *bytes = blocks + 64 * i;
        StegMix(v.data(), s.data(), k.data());
        v = LoadStegBlock(bytes);
        DecryptStegBlock(v.data(), s.data(), k.data());
        StoreStegBlock(v, bytes);
    }
}

// ---- Steg-in --------------------------------------------------------------------------------

bool TStegForm::StegIn(std::int64_t length, const std::string &text)
{
    const bool autoMode = length >= 0;
    bool done = false;
    std::string report;
    TFunScope Fun(ThisUnit, "TStegForm::StegIn");
    Fun.Run([&] {
        TWaitCursor wait;
        if (Algorithm != 3) {
            Fun.Raise("Invalid encryption algorithm.");
            return;
        }
        if (autoMode && !HasExtension(SourceName, ".txt")) {
            Fun.Raise("Failed to auto steg-in because the source is not text.", SourceName);
            return;
        }
        std::int64_t size = length;
        if (!autoMode) {
            Platform::TEntryStatus status;
            if (!Platform::EntryStatus(SourceName, status, true)) {
                Fun.RaiseLastError("Can not find file.", SourceName);
                return;
            }
            // A device or a pipe would block or never end.
            if (!status.IsRegular) {
                Fun.Raise("Only files can be stegged-in.", SourceName);
                return;
            }
            size = static_cast<std::int64_t>(status.Size);
        }
        if (size < 0 || size > StegLayout::MaximumSize) {
            Fun.Raise("Invalid file size.", std::to_string(size), "Maximum " + std::to_string(StegLayout::MaximumSize));
            return;
        }
        if (!LoadPicture(TargetName)) {
            Fun.CalleeFailed();
            return;
        }
        const std::int64_t capacity = StegPayloadBytes(CountStegPixels(Bitmap));
        const std::int64_t needed = StegBitsNeeded(size);
        if (8 * capacity < needed) {
            Fun.Raise("The carrier file must be bigger! The storing space available is " + Grouped(8 * capacity) +
                      " bits (" + Grouped(capacity) + " bytes). The storing space required is " + Grouped(needed) +
                      " bits (" + Grouped(needed / 8) + " bytes).");
            return;
        }
        TPayload payload(capacity);
        std::uint8_t *bytes = payload.Bytes();
        Random.Fill(payload.Words.data(), payload.Words.size());
        const std::string name = ExtractName(SourceName);
        if (name.size() >= StegLayout::NameBytes) {
            Fun.Raise("File name too long.", name);
            return;
        }
        std::memcpy(bytes + StegLayout::Name, name.c_str(), name.size() + 1);
        StoreWord(static_cast<std::uint32_t>(size), bytes + StegLayout::Size);
        StoreWord(0, bytes + StegLayout::SizeHigh);
        StoreStegBlock(StegHash(LoadStegBlock(bytes + StegLayout::Check)), bytes + StegLayout::CheckHash);
        if (autoMode) {
            std::memcpy(bytes + StegLayout::Data, text.data(), static_cast<std::size_t>(size));
        } else {
            const int handle = Platform::OpenForReading(SourceName);
            const std::int64_t got =
                handle < 0 ? -1 : Platform::ReadFully(handle, bytes + StegLayout::Data, static_cast<std::size_t>(size));
            if (handle >= 0) Platform::CloseHandle(handle);
            if (got != size) {
                Fun.RaiseLastError("Failed to read file.", SourceName);
                return;
            }
        }
        const TPayload plain = payload;
        TStegBlock s, k;
        StegPayloadKey(bytes, Password(), Bitmap, UserKeyIterations(), s, k);
        if (!EncryptBuffer(bytes + 64, payload.Blocks() - 1, k, s)) {
            Fun.CalleeFailed();
            return;
        }
        WriteStegBits(Bitmap, bytes, 8 * capacity);
        LastIntegrity = StegIntegrityCode(Bitmap);
        std::string saved;
        if (!SavePicture(TargetName, false, saved, true, !autoMode || size == 0)) {
            Fun.CalleeFailed();
            return;
        }
        Bitmap = QImage();
        if (saved.empty()) return;
        std::vector<std::uint8_t> out(static_cast<std::size_t>(capacity));
        TStegOutResult verified;
        const int integrity = LastIntegrity;
        if (!TakeOut(saved, true, &out, nullptr, false, verified) ||
            std::memcmp(out.data(), plain.Bytes(), out.size()) != 0) {
            FunStatContext.Reset(fsPerfect);
            Fun.Raise("Failed steg-in verification.", saved);
            return;
        }
        LastIntegrity = integrity;
        done = true;
        if (autoMode) return;
        std::uint64_t fileSize = 0;
        Platform::FileSize(saved, fileSize);
        report = "Source file has been stegged-in the carrier file.\nIntegrity (four digits): \"" +
                 std::to_string(integrity) + "\"\nThe storing space available is " + Grouped(8 * capacity) +
                 " bits (" + Grouped(capacity) + " bytes)." + "\nThe storing space required is " + Grouped(needed) +
                 " bits (" + Grouped(needed / 8) + " bytes)." +
                 "\nThe maximum storing density is 1 bit of hidden data to " +
                 Grouped(static_cast<std::int64_t>(fileSize) / capacity) + " bits of resulted picture file." +
                 "\n\nSteg-in VERIFICATION okay.";
    });
    Bitmap = QImage();
    if (autoMode) return done;
    if (!report.empty()) {
        LastReport = report;
        ShowInfoMessage(report);
    }
    Fun.ShowIfFailed("Failed to stegg-in file.");
    return done;
}

// ---- Steg-out -------------------------------------------------------------------------------

bool TStegForm::StegOut(bool decrypt, std::vector<std::uint8_t> *buffer, std::string *text, bool autoMode,
                        TStegOutResult &result)
{
    bool got = false;
    TFunScope Fun(ThisUnit, "TStegForm::StegOut");
    Fun.Run([&] {
        TWaitCursor wait;
        got = TakeOut(SourceName, decrypt, buffer, text, autoMode, result);
    });
    if (!autoMode && !buffer) Fun.ShowIfFailed("Failed to stegg-out file.");
    return got;
}

bool TStegForm::TakeOut(const std::string &picture, bool decrypt, std::vector<std::uint8_t> *buffer,
                        std::string *text, bool autoMode, TStegOutResult &result)
{
    bool got = false;
    TFunScope Fun(ThisUnit, "TStegForm::StegOut");
    Fun.Run([&] {
        result = TStegOutResult();
        if (Algorithm != 3) {
            Fun.Raise("Invalid encryption algorithm.");
            return;
        }
        if (!LoadPicture(picture)) {
            if (autoMode) FunStatContext.Reset(fsPerfect);
            else Fun.CalleeFailed();
            return;
        }
        const std::int64_t capacity = StegPayloadBytes(CountStegPixels(Bitmap));
        LastIntegrity = StegIntegrityCode(Bitmap);
        const std::string integrity = IntegrityText(LastIntegrity);
        // Too small to hold even the header: nothing was hidden here.
        if (capacity < StegLayout::Data) {
            if (!autoMode) Fun.Raise("Failed to decrypt.", integrity);
            return;
        }
        TPayload payload(capacity);
        std::uint8_t *bytes = payload.Bytes();
        ReadStegBits(Bitmap, bytes, 8 * capacity);
        const TPayload raw = payload;
        TStegBlock s, k;
        StegPayloadKey(bytes, Password(), Bitmap, UserKeyIterations(), s, k);
        Bitmap = QImage();
        const TStegBlock keyS = s, keyK = k;
        DecryptBuffer(bytes + 64, 2, k, s);
        if (StegHash(LoadStegBlock(bytes + StegLayout::Check)) != LoadStegBlock(bytes + StegLayout::CheckHash)) {
            if (!autoMode) Fun.Raise("Failed to decrypt.", integrity);
            return;
        }
        payload = raw;
        s = keyS;
        k = keyK;
        DecryptBuffer(bytes + 64, decrypt ? payload.Blocks() - 1 : 8, k, s);
        if (!HeaderIsValid(payload, result.Name, result.Size)) {
            Fun.Raise("Failed to decrypt (though signature checked the first time).", integrity);
            return;
        }
        if (buffer) {
            if (static_cast<std::int64_t>(buffer->size()) != capacity) {
                Fun.Raise("Invalid buffer size.", std::to_string(buffer->size()), std::to_string(capacity));
                return;
            }
            std::memcpy(buffer->data(), bytes, buffer->size());
            got = true;
            return;
        }
        got = WriteHidden(std::vector<std::uint8_t>(bytes + StegLayout::Data, bytes + StegLayout::Data + result.Size),
                          autoMode, text, result);
    });
    Bitmap = QImage();
    return got;
}

bool TStegForm::WriteHidden(const std::vector<std::uint8_t> &hidden, bool autoMode, std::string *text,
                            TStegOutResult &result)
{
    bool got = false;
    TFunScope Fun(ThisUnit, "TStegForm::StegOut");
    Fun.Run([&] {
        if (!autoMode) {
            const std::string path = IncludeTrailingBackslash(TargetName) + result.Name;
            if (Platform::PathTaken(path) && !AskYesNo("File already exists. OVERWRITE it?")) return;
            // Through a new file renamed into place: a symbolic link of that name is replaced,
            // never followed.
            if (!Platform::WriteWholeFile(path, hidden.data(), hidden.size())) {
                Fun.RaiseLastError("Failed to save file.", path);
                return;
            }
            result.OutputFile = path;
            got = true;
            return;
        }
        if (text && HasExtension(result.Name, ".txt") && std::memchr(hidden.data(), 0, hidden.size()) == nullptr) {
            text->assign(hidden.begin(), hidden.end());
            result.IsText = true;
            got = true;
            return;
        }
        if (!ExtensionInList(result.Name, &PictureFileExtensions.List())) return;
        const std::string folder = PrivateTemporaryDirectory();
        if (Fun.CalleeFailed()) return;
        const std::string path = folder + AutoStegPictureName;
        if (!Platform::WriteWholeFile(path, hidden.data(), hidden.size(), 0600)) {
            Fun.RaiseLastError("Failed to save file.", path);
            return;
        }
        result.Picture = path;
        got = true;
    });
    return got;
}

// ---- Automatic steg -------------------------------------------------------------------------

bool TStegForm::AutoStegIn(const std::string &carrier, const std::string &hiddenName, const std::string &text)
{
    bool done = false;
    TFunScope Fun(ThisUnit, "TStegForm::AutoStegIn");
    Fun.Run([&] {
        if (!ActivateAutoStegSpeedButton->isChecked()) {
            Fun.Raise("Failed to auto steg-in because the function is not active.");
            return;
        }
        const auto confirmed = [this] {
            return !PasswordEdit->text().isEmpty() && ConfirmPasswordEdit->text() == PasswordEdit->text();
        };
        if (!confirmed()) {
            ShowErrorMessage("The password is empty or not confirmed.");
            Dialog(false);
            if (!confirmed()) {
                Fun.Raise("Failed to auto steg-in because the password is empty or not confirmed.");
                return;
            }
        }
        if (!HasExtension(carrier, ".png")) {
            Fun.Raise("Failed to auto steg-in because the carrier file is invalid.", carrier);
            return;
        }
        Algorithm = StegAlgorithmNumber(AlgorithmComboBox->currentText().toStdString());
        SourceName = hiddenName;
        TargetName = carrier;
        done = StegIn(static_cast<std::int64_t>(text.size()), text);
        Fun.CalleeFailed();
    });
    return done;
}

bool TStegForm::AutoStegOut(std::string &carrier, std::string &hiddenName, bool &isText, std::string *text,
                            std::uint64_t &size)
{
    bool got = false;
    TFunScope Fun(ThisUnit, "TStegForm::AutoStegOut");
    Fun.Run([&] {
        isText = false;
        size = 0;
        if (!AutoStegActive() || !HasExtension(carrier, ".png")) return;
        Algorithm = StegAlgorithmNumber(AlgorithmComboBox->currentText().toStdString());
        SourceName = carrier;
        TargetName.clear();
        TStegOutResult result;
        got = StegOut(true, nullptr, text, true, result);
        if (Fun.CalleeFailed() || !got) return;
        hiddenName = result.Name;
        isText = result.IsText;
        size = result.Size;
        if (!result.Picture.empty()) carrier = result.Picture;
    });
    return got && !Fun.Failed();
}
