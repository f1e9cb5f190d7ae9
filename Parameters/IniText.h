#pragma once

#include <QString>

class QSettings;

// The value of a key of the file's general section as a person wrote it. QSettings reads a
// value with a comma outside quotes as a list and trims around every piece, so that
// "ООО Ромашка, г. Москва" would come back as two texts; this reads the file again and
// unescapes the value as QSettings does, but keeps every comma and the spaces around it.
// found is false when the file holds no such key.
QString iniTextAsWritten(const QSettings &settings, const QString &key, bool *found);
