#pragma once

class Store;

// Fills an empty database with something to look at: three companies, two
// users and a few tickets, one of them closed with a closing message. A
// database that already holds anything is left alone.
namespace DemoData {
// Returns true when it added the demo records.
bool seedIfEmpty(Store &store);
} // namespace DemoData
