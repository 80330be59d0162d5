#pragma once

class QCoreApplication;

// Installs Qt's own French translations so that the network layer's error
// texts reach the screens in French where Qt has them.
void installFrenchTranslations(QCoreApplication &application);
