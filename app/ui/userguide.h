// The user guide the program opens on its first start and from Help: a page
// written into the data folder, so that reading it needs no network.
#pragma once
#include <QString>

// Writes the page when it is missing or outdated and returns its path.
QString writeUserGuide(const QString& dataDir);
