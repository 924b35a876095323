// The user's regional settings through QLocale.
#include "platform/Locale.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QTime>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace Platform {
namespace {

QLocale &CurrentLocale()
{
    static QLocale locale = QLocale::system();
    return locale;
}

// One piece of a Qt date-time format: a field ("HH", "AP", "t"), a quoted literal with its
// quotes ("'h'"), or the unquoted characters between them.
struct TFormatToken
{
    enum TKind
    {
        Field,
        Quoted,
        Literal
    } Kind;
    QString Text;
};

bool IsAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

std::vector<TFormatToken> FormatTokens(const QString &format)
{
    std::vector<TFormatToken> tokens;
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype end = i + 1;
        TFormatToken::TKind kind = TFormatToken::Literal;
        if (c == u'\'') {
            // Up to the closing quote; two quotes inside stand for one.
            kind = TFormatToken::Quoted;
            while (end < format.size()) {
                if (format[end] != u'\'') {
                    ++end;
                } else if (end + 1 < format.size() && format[end + 1] == u'\'') {
                    end += 2;
                } else {
                    ++end;
                    break;
                }
            }
        } else if (IsAsciiLetter(c)) {
            kind = TFormatToken::Field;
            while (end < format.size() && format[end] == c) ++end;
            if ((c == u'A' || c == u'a') && end < format.size() &&
                (format[end] == u'P' || format[end] == u'p'))
                ++end;
        } else {
            while (end < format.size() && format[end] != u'\'' && !IsAsciiLetter(format[end]))
                ++end;
        }
        tokens.push_back({kind, format.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

bool IsNumericTimeField(const TFormatToken &token)
{
    return token.Kind == TFormatToken::Field &&
           (token.Text[0] == u'h' || token.Text[0] == u'H' || token.Text[0] == u'm' ||
            token.Text[0] == u's');
}

// The time zone and the pattern letters Qt does not know (a flexible day period "B" of the
// locale data, say) have no place in the program's time texts.
bool IsDroppedField(const TFormatToken &token)
{
    static const QString known = QStringLiteral("hHmszaApPdMy");
    return token.Kind == TFormatToken::Field && !known.contains(token.Text[0]);
}

// What only surrounds a dropped field: blanks, commas and brackets.
bool IsSurrounding(QChar c)
{
    return c.isSpace() || c == u',' || c == u'(' || c == u')' || c == u'[' || c == u']' ||
           c == u'{' || c == u'}';
}

bool IsBlankOrComma(QChar c)
{
    return c.isSpace() || c == u',';
}

// The locale's long time format as the program shows it: without the time zone and its
// surroundings, and with ":" between the hours, minutes and seconds wherever the locale puts a
// mere separator there (unit words such as "h" or "時" stay).
QString ProgramLongTimeFormat(const QString &format)
{
    std::vector<TFormatToken> tokens = FormatTokens(format);
    for (std::size_t k = 0; k < tokens.size();) {
        if (!IsDroppedField(tokens[k])) {
            ++k;
            continue;
        }
        const bool before = k > 0;
        const bool after = k + 1 < tokens.size();
        bool separated = false;
        if (before && tokens[k - 1].Kind == TFormatToken::Literal) {
            QString &text = tokens[k - 1].Text;
            while (!text.isEmpty() && IsSurrounding(text.back())) text.chop(1);
            separated = !text.isEmpty();
        }
        if (after && tokens[k + 1].Kind == TFormatToken::Literal) {
            QString &text = tokens[k + 1].Text;
            qsizetype cut = 0;
            while (cut < text.size() && IsSurrounding(text[cut])) ++cut;
            text.remove(0, cut);
            separated = separated || !text.isEmpty();
        }
        tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(k));
        // Two fields that the dropped one stood between keep a blank between them.
        if (before && after && !separated) {
            tokens.insert(tokens.begin() + static_cast<std::ptrdiff_t>(k),
                          {TFormatToken::Literal, QStringLiteral(" ")});
            ++k;
        }
    }
    for (std::size_t k = 1; k + 1 < tokens.size(); ++k) {
        TFormatToken &token = tokens[k];
        if (token.Kind != TFormatToken::Literal || !IsNumericTimeField(tokens[k - 1]) ||
            !IsNumericTimeField(tokens[k + 1]))
            continue;
        const auto isLetter = [](QChar c) { return c.isLetter(); };
        if (std::none_of(token.Text.begin(), token.Text.end(), isLetter))
            token.Text = QStringLiteral(":");
    }
    QString result;
    for (const TFormatToken &token : tokens) result += token.Text;
    // A dropped field at either end leaves no blank or comma behind.
    qsizetype start = 0, end = result.size();
    while (start < end && IsBlankOrComma(result[start])) ++start;
    while (end > start && IsBlankOrComma(result[end - 1])) --end;
    return result.mid(start, end - start);
}

QString LongTimeFormat()
{
    return ProgramLongTimeFormat(CurrentLocale().timeFormat(QLocale::LongFormat));
}

// Length of the valid UTF-8 character at i, or 0 when the byte there does not start one.
std::size_t Utf8LengthAt(const std::string &text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80u) return 1;
    std::size_t length = 0;
    std::uint32_t code = 0;
    if ((lead & 0xE0u) == 0xC0u) {
        length = 2;
        code = lead & 0x1Fu;
    } else if ((lead & 0xF0u) == 0xE0u) {
        length = 3;
        code = lead & 0x0Fu;
    } else if ((lead & 0xF8u) == 0xF0u) {
        length = 4;
        code = lead & 0x07u;
    }
    if (length == 0 || i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0u) != 0x80u) return 0;
        code = (code << 6) | (next & 0x3Fu);
    }
    static const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

} // namespace

void SetLocaleName(const std::string &name)
{
    CurrentLocale() = name.empty() ? QLocale::system() : QLocale(QString::fromStdString(name));
}

std::string LocaleShortDateText(int year, int month, int day)
{
    return CurrentLocale().toString(QDate(year, month, day), QLocale::ShortFormat).toStdString();
}

std::string LocaleLongDateText(int year, int month, int day)
{
    return CurrentLocale().toString(QDate(year, month, day), QLocale::LongFormat).toStdString();
}

std::string LocaleLongTimeText(int hour, int minute, int second)
{
    return CurrentLocale().toString(QTime(hour, minute, second), LongTimeFormat()).toStdString();
}

std::string LocaleThousandsSeparator()
{
    return CurrentLocale().groupSeparator().toStdString();
}

std::string LocaleDecimalSeparator()
{
    return CurrentLocale().decimalPoint().toStdString();
}

std::string LocaleShortMonthName(int month)
{
    return CurrentLocale().monthName(month, QLocale::ShortFormat).toStdString();
}

std::string LocaleUpperCase(const std::string &text)
{
    // Only the valid UTF-8 runs go through Qt: a byte that is not UTF-8 would come back as
    // U+FFFD, and two different bytes would then compare equal.
    std::string result;
    result.reserve(text.size());
    std::size_t runStart = 0;
    const auto flushRun = [&](std::size_t end) {
        if (end == runStart) return;
        const QString run = QString::fromUtf8(text.data() + runStart,
                                              static_cast<qsizetype>(end - runStart));
        result += CurrentLocale().toUpper(run).toStdString();
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = Utf8LengthAt(text, i);
        if (length > 0) {
            i += length;
            continue;
        }
        flushRun(i);
        result += text[i];
        runStart = ++i;
    }
    flushRun(i);
    return result;
}

} // namespace Platform
