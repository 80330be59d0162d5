#pragma once

// How the server tells its callers apart. Shared: the program token alone
// grants everything, as servers did before accounts existed. Accounts: every
// user holds a secret of their own and the staff log in; the token only names
// the program.
enum class AuthMode { Shared, Accounts };

// What --auth defaults to, --demo included. Stays Shared while the client
// speaks only the token; flipping it to Accounts is the one change needed
// once the client carries the credentials.
inline constexpr AuthMode DefaultAuthMode = AuthMode::Shared;
