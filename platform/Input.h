// The mouse buttons held now, as far as the program's windows know them.
#pragma once

namespace Platform {

bool LeftButtonDown();
bool AnyButtonDown();

} // namespace Platform
