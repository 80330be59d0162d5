#pragma once

#include <QString>

class Store;

// Fills an empty database with something to look at: three companies, two
// users and a few tickets, one of them closed with a closing message. A
// database that already holds anything is left alone.
namespace DemoData {
// Returns true when it added the demo records.
bool seedIfEmpty(Store &store);
// Gives the staff account "demo" a new random password (creating the account
// if needed) and returns that password, so that each demo run prints one
// that works. Throws StoreError.
QString renewStaff(Store &store);
} // namespace DemoData
