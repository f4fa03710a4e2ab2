#include "os/Locale.h"

#include <cstdlib>
#include <initializer_list>
#include <langinfo.h>
#include <locale.h>

namespace os {
namespace {

const char* numericLocaleName() {
    for (const char* var : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        const char* v = std::getenv(var);
        if (v && *v) return v;
    }
    return "C";
}

char readSeparator() {
    // newlocale/nl_langinfo_l query a locale object of our own; neither the
    // global locale nor the calling thread's is changed.
    locale_t loc = newlocale(LC_NUMERIC_MASK, numericLocaleName(), static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0)) return '.';
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    const char sep = (radix && radix[0] && !radix[1]) ? radix[0] : '.';
    freelocale(loc);
    return sep;
}

} // namespace

char userDecimalSeparator() {
    static const char separator = readSeparator(); // thread-safe static initialisation
    return separator;
}

} // namespace os
