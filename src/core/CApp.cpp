// Engine ownership of the application base class.
#include "core/CApp.h"

#include "core/CEngine.h"

CApp::CApp() : engine(new CEngine()) {}

CApp::CApp(StartupReport report) : engine(new CEngine(report)) {}

CApp::~CApp()
{
    delete engine;
    engine = nullptr;
}
