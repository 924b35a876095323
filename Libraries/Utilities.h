// General helpers without a user interface: numbers read from texts, truth texts, registry
// texts, size fitting, text hashes, memory figures, and the keyboard and mouse state tests.
#pragma once

#include <cstdint>
#include <string>

// Numbers from texts. An empty text gives the default; a text that is not a decimal integer
// (or lies beyond 32 bits) raises "Unhandled exception: '<text>' is not a valid integer
// value." and gives the default; a value outside the limits gives the default.
std::int32_t GetIntFromText(const std::string &text,
                            std::int32_t minimum,
                            std::int32_t maximum,
                            std::int32_t defaultValue);
std::int32_t GetIntFromText(const std::string &text);
// The same rules; false whenever the default had to be used (an empty text is true when the
// default lies within the limits).
bool CheckIntFromText(const std::string &text,
                      std::int32_t minimum,
                      std::int32_t maximum,
                      std::int32_t &value,
                      std::int32_t defaultValue);
// A real with "." as decimal separator whatever the locale; an unconvertible text or a value
// outside the limits gives the default and sets invalid.
double GetRealFromText(const std::string &text,
                       bool &invalid,
                       double defaultValue,
                       double maximum,
                       double minimum);
double GetRealFromText(const std::string &text, bool &invalid);
// The warnings shown when a typed number is replaced by its default.
std::string IntegerLimitsWarning(std::int32_t minimum, std::int32_t maximum, std::int32_t defaultValue);
std::string RealLimitsWarning(double minimum, double maximum, double defaultValue);

std::string BoolText(bool value);
bool TextBool(const std::string &text);

// Registry texts over the per-user settings store. Failures raise an Error and are not shown.
enum class TRegistryRoot
{
    CurrentUser,
    LocalMachine
};
std::string GetRegistryText(TRegistryRoot root, const std::string &key, const std::string &valueName);
void SetRegistryText(TRegistryRoot root,
                     const std::string &key,
                     const std::string &valueName,
                     const std::string &text);
// Under "Software\" + program + "\" + subkey of the current user.
std::string GetProgramRegistryText(const std::string &program,
                                   const std::string &subkey,
                                   const std::string &valueName);
void SetProgramRegistryText(const std::string &program,
                            const std::string &subkey,
                            const std::string &valueName,
                            const std::string &text);
// The uninstall entry: "DisplayName" and "UninstallString" of the program's uninstall key.
void SetUninstallRegistry(const std::string &name,
                          const std::string &displayName,
                          const std::string &uninstallCommand);
void DeleteUninstallerRegistry(const std::string &name);

// Makes the picture the desktop wallpaper. Error: "Failed to set wallpaper." (path)
void SetFileAsWallpaper(const std::string &path);

// Text hashes with the SHA-1 digest.
// The digest of the text hashed again iterations - 1 times, as 40 hexadecimal digits; false
// for an algorithm other than "SHA160" (or empty).
bool HashText(const std::string &text, const std::string &algorithm, int iterations, std::string &digest);
// A random hexadecimal text of 10 (length 1), 20 (length 2) or 40 digits.
std::string RandomHashText(int length);

// The size at which a picture is shown in a box; true when it was stretched.
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
             int boxHeight);
// The size for a fixed width and/or height; true when a size was set.
bool ScaleToFixed(int sourceWidth,
                  int sourceHeight,
                  int fixedWidth,
                  int &height,
                  int &width,
                  bool enlarge,
                  int fixedHeight,
                  bool enabled,
                  bool useHeight,
                  bool useWidth);

// Memory figures in bytes (the page file is memory plus swap).
void MemoryStatus(std::uint64_t &totalPhysical,
                  std::uint64_t &availablePhysical,
                  std::uint64_t &totalPageFile,
                  std::uint64_t &availablePageFile);
std::uint64_t TotalPhysicalMemory();
std::uint64_t AvailablePhysicalMemory();
constexpr bool IsWindowsNT() { return true; }
constexpr bool IsWindows2000OrLater() { return true; }

// Keyboard and mouse state: a set of the members below.
enum TShiftMember
{
    ssShift = 0,
    ssAlt = 1,
    ssCtrl = 2,
    ssLeft = 3,
    ssRight = 4,
    ssMiddle = 5,
    ssDouble = 6
};
using TShiftState = std::uint8_t;
constexpr TShiftState ShiftBit(TShiftMember member) { return static_cast<TShiftState>(1u << member); }
// The keyboard part keeps Shift, Alt, Ctrl and Double.
bool ShiftHas(TShiftState state, TShiftMember key);
bool ShiftIsOnly(TShiftState state, TShiftMember key);
bool ShiftIsOnlyPair(TShiftState state, TShiftMember key1, TShiftMember key2);
bool ShiftIsEmpty(TShiftState state);
// The buttons held now, as far as the program's windows know.
bool IsLeftButtonDown();
bool IsAnyButtonDown();
