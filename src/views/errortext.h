#pragma once

#include <QString>

class NorvikError;

// The full textual form of a client error for the log: its kind, its
// details and its description, so a diagnostic line says more than the
// French sentence the user sees.
QString errorTextualForm(const NorvikError &error);
