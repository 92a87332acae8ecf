// The system's own description of an error code.
#ifndef BRISVANE_PLATFORM_SYSTEM_ERROR_WIN32_H
#define BRISVANE_PLATFORM_SYSTEM_ERROR_WIN32_H

#include <string>

std::string systemErrorText(long error);

// A message box with the information icon and no owner, as every message
// of this program is shown.
void tellUser(const char* text, const char* caption);

#endif
