// Locale::from_process_locale on Windows: the user's regional settings.
#include "library/Locale.h"

#include <windows.h>

#include "library/Win32_text.h"

namespace lib {

namespace {

std::string user_setting(LCTYPE item) {
    wchar_t text[100];
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, item, text, 100);
    return length > 1 ? win32::utf8(std::wstring_view(text, length - 1)) : std::string();
}

} // namespace

Locale Locale::from_process_locale() {
    Locale result = russian();
    if (std::string separator = user_setting(LOCALE_SDECIMAL); !separator.empty())
        result.decimal_separator = separator;
    if (std::string p = pattern_from_windows(user_setting(LOCALE_SSHORTDATE)); !p.empty())
        result.short_date_format = p;
    if (std::string p = pattern_from_windows(user_setting(LOCALE_STIMEFORMAT)); !p.empty())
        result.long_time_format = p;
    return result;
}

} // namespace lib
