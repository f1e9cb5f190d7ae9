#pragma once

// The global service objects a test needs besides the one it tests, created as the program
// creates them: in the start-up order, each published through its instance pointer, none freed.
// The Configurator always comes first. One set exists per process: call it once.

namespace TestSupport {

enum Service : unsigned {
    Hub = 1u << 0,           // MainHandler
    Lists = 1u << 1,         // Dictionary
    Messages = 1u << 2,      // MessageHandler
    Transducer = 1u << 3,    // TAIR
    VrConditions = 1u << 4,  // Conditions with its four devices
    Scheme = 1u << 5,        // ColorScheme
    Reading = 1u << 6,       // Measure
    Ambient = 1u << 7,       // HidHandler
    Points = 1u << 8,        // Verification with its points model
    AppSettings = 1u << 9,   // Settings
    Writer = 1u << 10,       // ExcelSaver, a child of the hub
    // What the protocol writer reads.
    ProtocolWriter = Hub | Lists | Transducer | VrConditions | Points | AppSettings | Writer
};

void createServices(unsigned services);

}
