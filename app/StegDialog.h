// Hiding a file in a picture and taking it out again: the cipher, the payload laid over the low
// bits of the carrier's pixels, and the password dialog that runs both.
#pragma once

#include <QDialog>
#include <QImage>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QToolButton;
class TStoredTextList;

// ---- The cipher -----------------------------------------------------------------------------

// A block or state: 16 words, arithmetic modulo 2^32.
using TStegBlock = std::array<std::uint32_t, 16>;

// v and s may be one array; each write is then seen by the reads after it.
void StegCompress(const std::uint32_t *v, std::uint32_t *s);
TStegBlock StegHash(const TStegBlock &x);
// The password's bytes (UTF-8), each sign-extended, absorbed into the salt.
TStegBlock StegAbsorbPassword(const std::string &password, const TStegBlock &salt);
// Every pixel of the bitmap (ARGB32) with its low colour bits cleared, in memory order.
TStegBlock StegAbsorbPicture(const TStegBlock &h1, const QImage &bitmap);
void StegMix(const std::uint32_t *v, std::uint32_t *s, std::uint32_t *k);
void StegKeySchedule(const TStegBlock &h2, std::int32_t iterations, TStegBlock &s, TStegBlock &k);
void EncryptStegBlock(std::uint32_t *b, const std::uint32_t *s, const std::uint32_t *k);
void DecryptStegBlock(std::uint32_t *b, const std::uint32_t *s, const std::uint32_t *k);
// 0..9999, from the high bits of every pixel: the same before and after hiding.
int StegIntegrityCode(const QImage &bitmap);
// The key of a payload: its salt (bytes 0..63), the password and the carrier.
void StegPayloadKey(const std::uint8_t *salt,
                    const std::string &password,
                    const QImage &bitmap,
                    std::int32_t iterations,
                    TStegBlock &s,
                    TStegBlock &k);

// Blocks stored in bytes as little-endian words.
TStegBlock LoadStegBlock(const std::uint8_t *bytes);
void StoreStegBlock(const TStegBlock &block, std::uint8_t *bytes);

// ---- The payload ----------------------------------------------------------------------------

namespace StegLayout {
constexpr std::int64_t Salt = 0, Check = 64, CheckHash = 128, Name = 192, Size = 448, SizeHigh = 452, Data = 576;
constexpr std::int64_t NameBytes = 256;
constexpr std::int64_t MaximumSize = 1000000;
} // namespace StegLayout

// "KRO1" 1, "KRO2" 2, "KRO3" 3 (any case), else -1.
int StegAlgorithmNumber(const std::string &name);
// The payload's length F for u usable pixels: whole 64-byte blocks of u / 8 bytes.
std::int64_t StegPayloadBytes(std::int64_t usablePixels);
// The bits that a payload carrying size bytes of data needs.
std::int64_t StegBitsNeeded(std::int64_t size);
// The pixels that can carry a bit: not grey, and different from the right, lower and lower-right
// neighbours, low colour bits ignored.
std::int64_t CountStegPixels(const QImage &bitmap);
// Bit i of the bytes (least significant first) into the low bit of blue, green or red (i mod 3)
// of the i-th usable pixel, pixels taken column by column.
void WriteStegBits(QImage &bitmap, const std::uint8_t *bytes, std::int64_t bits);
void ReadStegBits(const QImage &bitmap, std::uint8_t *bytes, std::int64_t bits);
// The hidden name stored at byte 192 is acceptable as a file name in a directory.
bool IsValidStegName(const std::string &name);

// ---- The dialog -----------------------------------------------------------------------------

// What a steg-out gave.
struct TStegOutResult
{
    std::string Name;
    std::uint64_t Size = 0;
    // The hidden text went into the text given.
    bool IsText = false;
    // The hidden picture was written here (automatic mode).
    std::string Picture;
    // The output file written (ordinary mode).
    std::string OutputFile;
};

class TStegForm : public QDialog
{
public:
    explicit TStegForm(QWidget *parent = nullptr);
    // The passwords are overwritten before the edits go.
    ~TStegForm() override;

    // One steg-in (source: the file to hide, target: the carrier) or steg-out (source: the
    // picture, target: the destination directory). True when the user confirmed.
    bool Dialog(const std::string &source, const std::string &target, bool stegIn);
    // The password dialog of automatic steg: "Auto steg" from the menu (autoMode), "Confirm
    // password" when a hidden text is saved.
    bool Dialog(bool autoMode);
    // Hides the source file (length -1) or the text (automatic steg-in) in the target.
    bool StegIn(std::int64_t length, const std::string &text = {});
    // Takes the payload out of the source picture: into buffer (the verification; its size must
    // be the payload's), else into the target directory, or in automatic mode as a text or a
    // private picture. True when it gave a result.
    bool StegOut(bool decrypt, std::vector<std::uint8_t> *buffer, std::string *text, bool autoMode,
                 TStegOutResult &result);
    bool AutoStegIn(const std::string &carrier, const std::string &hiddenName, const std::string &text);
    // Only when automatic steg is active and the file is a ".png"; true when it gave a result.
    // The carrier becomes the written picture's path when the hidden file is a picture.
    bool AutoStegOut(std::string &carrier, std::string &hiddenName, bool &isText, std::string *text,
                     std::uint64_t &size);
    // The low bits of the picture as a picture in the private folder; its path, empty on failure.
    std::string ViewNoise(const std::string &picture);
    bool LoadPicture(const std::string &name);
    // Writes the bitmap as PNG (or BMP) under the name with that extension; savedName stays
    // empty when the user keeps an existing file.
    bool SavePicture(const std::string &name, bool asBmp, std::string &savedName, bool keepTime,
                     bool askOverwrite);
    bool EncryptBuffer(std::uint8_t *blocks, std::int64_t count, TStegBlock &k, TStegBlock &s);
    void DecryptBuffer(std::uint8_t *blocks, std::int64_t count, TStegBlock &k, TStegBlock &s);

    // Automatic steg is on and has a password.
    bool AutoStegActive() const;
    std::int32_t UserKeyIterations() const;
    void ReadSettings(const TStoredTextList &list);
    void WriteSettings(TStoredTextList &list) const;

    std::string SourceName, TargetName;
    bool StegInMode = false;
    int Algorithm = 3;
    QImage Bitmap;
    // The integrity code of the last picture worked on, -1 before any.
    int LastIntegrity = -1;
    // The text of the last message shown after a steg-in.
    std::string LastReport;

    QLineEdit *PasswordEdit;
    QLineEdit *ConfirmPasswordEdit;
    QToolButton *ActivateAutoStegSpeedButton;
    QToolButton *NoDecryptionSpeedButton;
    QComboBox *AlgorithmComboBox;
    QComboBox *UserKeyIterationsComboBox;
    QPushButton *OkayButton;
    QPushButton *CancelButton;
    QPushButton *HelpButton;

private:
    void OkayButtonClick();
    std::string Password() const;
    bool TakeOut(const std::string &picture, bool decrypt, std::vector<std::uint8_t> *buffer,
                 std::string *text, bool autoMode, TStegOutResult &result);
    bool WriteHidden(const std::vector<std::uint8_t> &hidden, bool autoMode, std::string *text,
                     TStegOutResult &result);
};

extern TStegForm *StegForm;
