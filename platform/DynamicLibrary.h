// Shared libraries loaded at run time (dlopen).
#pragma once

#include <string>

namespace Platform {

// Loads a library from an absolute path; null on failure (LibraryErrorText tells why).
void *LoadLibrary(const std::string &absolutePath);
// Address of an exported symbol; null when the library does not export it.
void *FindLibrarySymbol(void *library, const char *name);
void FreeLibrary(void *library);
// The loader's text for the last failure.
std::string LibraryErrorText();

} // namespace Platform
