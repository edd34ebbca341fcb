#include "SysUtils.h"

AnsiString ExtractFileDir(const AnsiString& fileName) {
    const auto sep = fileName.find_last_of("\\:");
    if (sep == AnsiString::npos)
        return AnsiString();
    // A backslash after a drive colon or another backslash marks a root: keep it.
    if (sep > 0 && fileName[sep] == '\\' && fileName[sep - 1] != '\\' && fileName[sep - 1] != ':')
        return fileName.substr(0, sep);
    return fileName.substr(0, sep + 1);
}
