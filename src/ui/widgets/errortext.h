#pragma once

#include <QString>
#include <exception>

class NorvikError;

// What a screen shows for a failed request: a client error's description, or
// the words of any other exception.
QString errorDescription(const std::exception &error);

// The full textual form of a client error for the log: its kind, its
// details and its description, so a diagnostic line says more than the
// French sentence the user sees.
QString errorTextualForm(const NorvikError &error);
