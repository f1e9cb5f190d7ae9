#include "Xlsx/XlsxGlobal.h"
