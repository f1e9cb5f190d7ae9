#pragma once

class QString;

// Hands a file or folder to the desktop's default application. When that fails, or the path
// does not exist, the text of the path up to its last "/" (its folder) is opened instead;
// a second failure is silent.
void openPathOrFolder(const QString &path);
