#pragma once

#include <cmath>

// One verification point; every pressure in kPa.
struct VrPoint
{
    struct Device {
        double reading = 0.0;
        bool measured = false;
    };

    bool referenceMeasured = false;
    double nominal = 0.0;
    double reference = 0.0;
    double uncertainty = std::nan("");
    Device devices[4];
};
