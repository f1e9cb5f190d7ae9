#pragma once

namespace Xlsx {
// Largest row and column of a worksheet, as spreadsheet programs define them.
constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;
}
