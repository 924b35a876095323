// Starting programs and handing files and addresses to the desktop.
#pragma once

#include <string>
#include <vector>

namespace Platform {

// Splits a command line into arguments: spaces separate, double quotes group, a tripled quote
// stands for a quote character.
std::vector<std::string> SplitCommandLine(const std::string &text);
// The full path of a program name found in PATH; empty when none.
std::string FindInPath(const std::string &name);
// Starts a program detached from this one; false when it could not start (errno).
bool StartDetached(const std::string &program,
                   const std::vector<std::string> &arguments,
                   const std::string &directory);
// Opens a file or an address with the desktop's default application through the desktop's
// opener. False, with the reason in words for the user in failure, when the opener is missing,
// when no application is registered for the file's MIME type, or when the opener does not start.
bool OpenWithDefaultApplication(const std::string &pathOrAddress, std::string &failure);
// Lets the user choose the application for a file (the desktop portal's chooser).
bool OpenWithChooser(const std::string &path);
// Asks the desktop's file manager service to show the item's properties.
bool ShowItemProperties(const std::string &path);

} // namespace Platform
