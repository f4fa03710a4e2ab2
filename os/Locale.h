#pragma once
// The user's decimal separator for display texts, read once from the
// environment (LC_ALL, LC_NUMERIC, LANG) without touching the process's or
// the thread's locale: the host's number formatting is never changed.

namespace os {

// '.' or ',' (or whatever the user's numeric locale uses). Any thread.
char userDecimalSeparator();

} // namespace os
