// Base class of an application on the engine: owns the engine object, whose creation starts
// every manager before any code of the subclass runs.
#ifndef KYREL_CAPP_H
#define KYREL_CAPP_H

class CEngine;
enum class StartupReport;

class CApp
{
public:
    CApp();
    /// Creates the engine with its start-up report going where report says (CApp() prints it on
    /// the console).
    explicit CApp(StartupReport report);
    virtual ~CApp();
    CApp(const CApp&) = delete;
    CApp& operator=(const CApp&) = delete;

    virtual void Init() = 0;
    virtual void Run() = 0;
    virtual void OnExit() = 0;
    virtual void UserHook1() = 0;
    virtual void UserHook2() = 0;

protected:
    CEngine* engine;
};

#endif
