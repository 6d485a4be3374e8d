// The how-to-play text, built without any window so that it can be checked as it is.
#pragma once

#include <QString>

// Five paragraphs separated by CR LF, the last one ending with the contact address.
QString howToPlayText(const QString &contact);
