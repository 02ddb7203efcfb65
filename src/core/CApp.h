/// \file
/// Base class of an application on the engine: owns the engine object, whose creation starts
/// every manager before any code of the subclass runs.
#ifndef KYREL_CAPP_H
#define KYREL_CAPP_H

class CEngine;
enum class StartupReport;

/// The base of an application: derive from it and implement the five hooks. The program's main
/// creates the application, calls Init, then Run, then OnExit, and destroys it.
class CApp
{
public:
    /// Creates the engine (and with it every manager).
    CApp();
    /// Creates the engine with its start-up report going where report says (CApp() prints it on
    /// the console).
    explicit CApp(StartupReport report);
    /// Deletes the engine, and with it every manager.
    virtual ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    /// Start-up: set the video mode (CEngine::SetVideoMode), then load textures, models, lights.
    virtual void Init() = 0;
    /// The frame loop; returns when the application ends.
    virtual void Run() = 0;
    /// Called once after Run returns, before the application is destroyed.
    virtual void OnExit() = 0;
    /// Free for the application's own use; the engine never calls them.
    ///@{
    virtual void UserHook1() = 0;
    virtual void UserHook2() = 0;
    ///@}

protected:
    CEngine* engine;  ///< owned; created by the constructor
};

#endif
