// General helpers without a user interface.
#include "Libraries/Utilities.h"

#include "Libraries/Error.h"
#include "Libraries/MyMath.h"
#include "Libraries/MyRandom.h"
#include "Libraries/Sha1.h"
#include "Libraries/Text.h"
#include "platform/FileHandle.h"
#include "platform/Input.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "platform/Wallpaper.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

constexpr const char *ThisUnit = "Utilities";

// Parses a whole decimal integer of 32 bits; false for anything else.
bool ParseInt32(const std::string &text, std::int32_t &value)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    // One sign at most: the conversion below takes its own "-", which may not follow a "+".
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') return false;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    return error == std::errc() && stop == end && begin != end;
}

bool ParseReal(const std::string &text, double &value)
{
    std::string trimmed = text;
    while (!trimmed.empty() && trimmed.front() == ' ') trimmed.erase(0, 1);
    while (!trimmed.empty() && trimmed.back() == ' ') trimmed.pop_back();
    const char *begin = trimmed.data();
    const char *end = begin + trimmed.size();
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') return false;
    }
    const auto [stop, error] = std::from_chars(begin, end, value);
    return error == std::errc() && stop == end && begin != end && std::isfinite(value);
}

std::string RegistryKey(TRegistryRoot root, const std::string &key)
{
    (void)root; // both roots live in the user's own store
    return key;
}

std::string UninstallKey(const std::string &name)
{
    return "Software\\Velmordian\\Uninstall\\" + name;
}

TSha1Digest Sha1Of(const void *data, std::size_t size)
{
    TSha1 hasher;
    hasher.Update(data, size);
    return hasher.Final();
}

} // namespace

// ---- Numbers from texts -------------------------------------------------------------------

bool CheckIntFromText(const std::string &text,
                      std::int32_t minimum,
                      std::int32_t maximum,
                      std::int32_t &value,
                      std::int32_t defaultValue)
{
    bool ok = false;
    value = defaultValue;
    TFunScope Fun(ThisUnit, "CheckIntFromText");
    Fun.Run([&] {
        if (text.empty()) {
            ok = defaultValue >= minimum && defaultValue <= maximum;
            return;
        }
        std::int32_t parsed = 0;
        if (!ParseInt32(text, parsed)) {
            Fun.Raise("Unhandled exception: '" + text + "' is not a valid integer value.");
            return;
        }
        if (parsed < minimum || parsed > maximum) return;
        value = parsed;
        ok = true;
    });
    return ok;
}

std::int32_t GetIntFromText(const std::string &text,
                            std::int32_t minimum,
                            std::int32_t maximum,
                            std::int32_t defaultValue)
{
    std::int32_t value = defaultValue;
    CheckIntFromText(text, minimum, maximum, value, defaultValue);
    return value;
}

std::int32_t GetIntFromText(const std::string &text)
{
    return GetIntFromText(
        text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), 0);
}

double GetRealFromText(const std::string &text,
                       bool &invalid,
                       double defaultValue,
                       double maximum,
                       double minimum)
{
    invalid = false;
    if (text.empty()) return defaultValue;
    double value = 0;
    if (!ParseReal(text, value) || value < minimum || value > maximum) {
        invalid = true;
        return defaultValue;
    }
    return value;
}

double GetRealFromText(const std::string &text, bool &invalid)
{
    return GetRealFromText(
        text, invalid, 0, std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest());
}

std::string IntegerLimitsWarning(std::int32_t minimum, std::int32_t maximum, std::int32_t defaultValue)
{
    return "Integer value outside limits.\nIt will be set to default.\n    * Minimum = " +
           std::to_string(minimum) + "\n    * Maximum = " + std::to_string(maximum) +
           "\n    * Default = " + std::to_string(defaultValue);
}

std::string RealLimitsWarning(double minimum, double maximum, double defaultValue)
{
    return "Real value outside limits.\nIt will be set to default.\n    * Minimum = " +
           RealText(minimum) + "\n    * Maximum = " + RealText(maximum) + "\n    * Default = " +
           RealText(defaultValue);
}

std::string BoolText(bool value)
{
    return value ? "TRUE" : "FALSE";
}

bool TextBool(const std::string &text)
{
    return text == "TRUE";
}

// ---- Registry texts -----------------------------------------------------------------------

std::string GetRegistryText(TRegistryRoot root, const std::string &key, const std::string &valueName)
{
    std::string value;
    if (!Platform::SettingsStoreRead(RegistryKey(root, key), valueName, value)) value.clear();
    FunStatContext.Reset(fsPerfect);
    return value;
}

void SetRegistryText(TRegistryRoot root,
                     const std::string &key,
                     const std::string &valueName,
                     const std::string &text)
{
    TFunScope Fun(ThisUnit, "SetRegistryText");
    Fun.Run([&] {
        if (!Platform::SettingsStoreWrite(RegistryKey(root, key), valueName, text))
            Fun.RaiseLastError("Failed to write registry value.", key, valueName);
    });
}

std::string GetProgramRegistryText(const std::string &program,
                                   const std::string &subkey,
                                   const std::string &valueName)
{
    return GetRegistryText(TRegistryRoot::CurrentUser, "Software\\" + program + "\\" + subkey, valueName);
}

void SetProgramRegistryText(const std::string &program,
                            const std::string &subkey,
                            const std::string &valueName,
                            const std::string &text)
{
    SetRegistryText(TRegistryRoot::CurrentUser, "Software\\" + program + "\\" + subkey, valueName, text);
}

void SetUninstallRegistry(const std::string &name,
                          const std::string &displayName,
                          const std::string &uninstallCommand)
{
    TFunScope Fun(ThisUnit, "SetUninstallRegistry");
    Fun.Run([&] {
        SetRegistryText(TRegistryRoot::LocalMachine, UninstallKey(name), "DisplayName", displayName);
        if (Fun.CalleeFailed()) return;
        SetRegistryText(TRegistryRoot::LocalMachine, UninstallKey(name), "UninstallString", uninstallCommand);
    });
}

void DeleteUninstallerRegistry(const std::string &name)
{
    TFunScope Fun(ThisUnit, "DeleteUninstallerRegistry");
    Fun.Run([&] {
        if (!Platform::SettingsStoreDeleteKey(UninstallKey(name)))
            Fun.RaiseLastError("Failed to delete registry key.", UninstallKey(name));
    });
}

void SetFileAsWallpaper(const std::string &path)
{
    TFunScope Fun(ThisUnit, "SetFileAsWallpaper");
    Fun.Run([&] {
        if (path.empty() || path.front() != '/' || !Platform::FileExists(path)) {
            Fun.Raise("Failed to set wallpaper.", path, {}, ENOENT);
            return;
        }
        if (!Platform::SetDesktopWallpaper(path)) Fun.Raise("Failed to set wallpaper.", path);
    });
}

// ---- Hashes -------------------------------------------------------------------------------

bool HashText(const std::string &text, const std::string &algorithm, int iterations, std::string &digest)
{
    if (!algorithm.empty() && algorithm != "SHA160") return false;
    TSha1Digest value = Sha1Of(text.data(), text.size());
    for (int i = 1; i < iterations; ++i) value = Sha1Of(value.data(), value.size());
    digest = HexText(value.data(), value.size());
    return true;
}

std::string RandomHashText(int length)
{
    const auto n = static_cast<std::int32_t>(Random.Next());
    std::uint32_t buffer[8];
    for (std::uint32_t &word : buffer) word = Random.Next();
    TSha1Digest value = Sha1Of(buffer, sizeof buffer);
    std::memset(buffer, 0, sizeof buffer);
    const int rounds = std::abs(n % 1000) + 999;
    for (int i = 0; i < rounds; ++i) value = Sha1Of(value.data(), value.size());
    const std::string text = HexText(value.data(), value.size());
    return text.substr(0, length == 1 ? 10 : (length == 2 ? 20 : 40));
}

// ---- Size fitting -------------------------------------------------------------------------

bool FitSize(int sourceWidth,
             int sourceHeight,
             int boxWidth,
             double &ratio,
             int &height,
             int &width,
             bool enlarge,
             bool stretch,
             double stretchTolerance,
             int minimumSize,
             int boxHeight)
{
    ratio = 1;
    if (sourceWidth < 1 || sourceHeight < 1 || boxWidth < 1 || boxHeight < 1) {
        width = height = 0;
        return false;
    }
    if (minimumSize > 0 && (sourceWidth < minimumSize || sourceHeight < minimumSize))
        enlarge = stretch = false;
    double h = (static_cast<double>(sourceWidth) / sourceHeight) / (static_cast<double>(boxWidth) / boxHeight);
    if (h < 1) h = 1 / h;
    ratio = h;
    if (stretch && (h <= stretchTolerance || stretchTolerance <= 0)) {
        width = boxWidth;
        height = boxHeight;
        return true;
    }
    width = enlarge ? boxWidth : std::min(boxWidth, sourceWidth);
    height = width == sourceWidth ? sourceHeight
                                  : static_cast<int>(static_cast<std::int64_t>(sourceHeight) * width / sourceWidth);
    if (height <= boxHeight) return false;
    height = enlarge ? boxHeight : std::min(boxHeight, sourceHeight);
    width = height == sourceHeight ? sourceWidth
                                   : static_cast<int>(static_cast<std::int64_t>(sourceWidth) * height / sourceHeight);
    return false;
}

bool ScaleToFixed(int sourceWidth,
                  int sourceHeight,
                  int fixedWidth,
                  int &height,
                  int &width,
                  bool enlarge,
                  int fixedHeight,
                  bool enabled,
                  bool useHeight,
                  bool useWidth)
{
    if (!enabled || sourceWidth < 1 || sourceHeight < 1) return false;
    if (useWidth && useHeight && fixedWidth > 0 && fixedHeight > 0) {
        double ratio = 1;
        FitSize(sourceWidth, sourceHeight, fixedWidth, ratio, height, width, enlarge, false, 0, 0, fixedHeight);
        return true;
    }
    if (useWidth && fixedWidth > 0) {
        width = fixedWidth;
        height = static_cast<int>(static_cast<std::int64_t>(sourceHeight) * fixedWidth / sourceWidth);
        return true;
    }
    if (useHeight && fixedHeight >= 1) {
        height = fixedHeight;
        width = static_cast<int>(static_cast<std::int64_t>(sourceWidth) * fixedHeight / sourceHeight);
        return true;
    }
    return false;
}

// ---- System facts -------------------------------------------------------------------------

void MemoryStatus(std::uint64_t &totalPhysical,
                  std::uint64_t &availablePhysical,
                  std::uint64_t &totalPageFile,
                  std::uint64_t &availablePageFile)
{
    totalPhysical = availablePhysical = totalPageFile = availablePageFile = 0;
    std::uint64_t swapTotal = 0, swapFree = 0;
    Platform::PhysicalMemory(availablePhysical, totalPhysical);
    Platform::SwapMemory(swapFree, swapTotal);
    totalPageFile = totalPhysical + swapTotal;
    availablePageFile = availablePhysical + swapFree;
}

std::uint64_t TotalPhysicalMemory()
{
    std::uint64_t available = 0, total = 0;
    Platform::PhysicalMemory(available, total);
    return total;
}

std::uint64_t AvailablePhysicalMemory()
{
    std::uint64_t available = 0, total = 0;
    Platform::PhysicalMemory(available, total);
    return available;
}

// ---- Keyboard and mouse state ---------------------------------------------------------------

namespace {
constexpr TShiftState KeyboardPart = ShiftBit(ssShift) | ShiftBit(ssAlt) | ShiftBit(ssCtrl) | ShiftBit(ssDouble);
}

bool ShiftHas(TShiftState state, TShiftMember key)
{
    return (state & KeyboardPart & ShiftBit(key)) != 0;
}

bool ShiftIsOnly(TShiftState state, TShiftMember key)
{
    return (state & KeyboardPart) == ShiftBit(key);
}

bool ShiftIsOnlyPair(TShiftState state, TShiftMember key1, TShiftMember key2)
{
    return (state & KeyboardPart) == (ShiftBit(key1) | ShiftBit(key2));
}

bool ShiftIsEmpty(TShiftState state)
{
    return (state & KeyboardPart) == 0;
}

bool IsLeftButtonDown()
{
    return Platform::LeftButtonDown();
}

bool IsAnyButtonDown()
{
    return Platform::AnyButtonDown();
}
