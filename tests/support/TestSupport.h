#pragma once

#include <QString>

namespace TestSupport {
// The source tree (fixtures and scripts live there).
QString sourceDir();
// The interpreter that runs the independent checks (python3 with openpyxl).
QString python();
}
