#pragma once

// How the server tells its callers apart. Shared: the program token alone
// grants everything, as servers did before accounts existed. Accounts: every
// user holds a secret of their own and the staff log in; the token only names
// the program.
enum class AuthMode { Shared, Accounts };

// What --auth defaults to, --demo included: a server deployed for several
// companies must not let the program's token open everyone's tickets.
// Shared stays for clients that know nothing but the token.
inline constexpr AuthMode DefaultAuthMode = AuthMode::Accounts;
