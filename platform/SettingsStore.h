// The per-user settings store: one INI file per program key under the XDG config folder.
#pragma once

#include <string>

namespace Platform {

// Reads a value of a key ("Software\Velmordian\" and below); false when absent or unreadable.
bool SettingsStoreRead(const std::string &key, const std::string &name, std::string &value);
// Writes a value, replacing the store file atomically; false and errno on failure.
bool SettingsStoreWrite(const std::string &key, const std::string &name, const std::string &value);
// Path of the store file that holds a key.
std::string SettingsStoreFile(const std::string &key);

} // namespace Platform

namespace Platform {

// Removes a key and its values; true when it is gone (also when it never existed).
bool SettingsStoreDeleteKey(const std::string &key);

} // namespace Platform
