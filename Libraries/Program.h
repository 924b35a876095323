// Where the program lives and where it keeps its files.
#pragma once

#include <string>

// Full path of the running program file.
std::string ProgramFileName();
// Folder of the program file, with a trailing delimiter.
std::string ProgramDirectory();
// True when the user can write the program's folder (a self-installed or portable copy):
// then "Options/", "Plugins/" and "Errors.log" live there, else in the XDG folders.
bool ProgramDirectoryIsWritable();
// The options folder, with a trailing delimiter.
std::string OptionsDirectory();
// The plug-in folder, with a trailing delimiter.
std::string PluginsDirectory();
// The error log file.
std::string ErrorLogFileName();
// The help file's folder, with a trailing delimiter.
std::string HelpDirectory();

// Overrides the program's folder (tests and portable starts); empty restores the default.
void SetProgramDirectoryOverride(const std::string &directory);
