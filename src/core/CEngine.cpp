// Start-up, per-frame work and shut-down of the engine, and the definitions of the engine-wide
// manager pointers.
#include "core/CEngine.h"

#include "core/CLogger.h"
#include "core/CStartupReport.h"
#include "io/DataFolders.h"
#include "overlay/CFont.h"
#include "overlay/CFontManager.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "overlay/CWindowManager.h"
#include "scene/CCamera.h"
#include "scene/CCameraManager.h"
#include "game/CGameObjectManager.h"
#include "scene/CLightManager.h"
#include "shaders/CShaderManager.h"
#include "sound/CSoundManager.h"
#include "overlay/CTextureManager.h"
#include "textures/CUtils.h"

#include <SDL/SDL.h>
#include <GL/glew.h>
#include <iostream>
#include <string>

CGraphicsCore* gGraphicsCore = nullptr;
CTextureManager* gTextureManager = nullptr;
CWindowManager* gWindowManager = nullptr;
CEventManager* gEventManager = nullptr;
CUtils* gUtils = nullptr;
CSoundManager* gSoundManager = nullptr;
CShaderManager* gShaderManager = nullptr;
CCamera* gCamera = nullptr;
CCameraManager* gCameraManager = nullptr;
CFontManager* gFontManager = nullptr;
CLogger* gLogger = nullptr;
CLightManager* gLightManager = nullptr;
CGameObjectManager* gGameObjectManager = nullptr;

namespace
{
const char* const ENGINE_BANNER = "Kyrel Engine version 0.02...";
const char* const DONE = "done";
const char* const FONT_PATH = "Data/Font/font.tga";
const char* const FPS_FORMAT = "Current FPS: %d";
const int FPS_TEXT_X = 3;
const int FPS_TEXT_Y = 5;

// Prints the step's failure text when the manager was not created; all but the logger's
// failure also shut SDL down. Start-up goes on either way.
template <typename T> void CheckCreated(T* manager, const char* failureText, bool quitSdl = true)
{
    if (!manager)
    {
        std::cout << failureText << std::endl;
        if (quitSdl)
        {
            SDL_Quit();
        }
    }
    std::cout << DONE << std::endl;
}
}  // namespace

void CEngine::AddDataFolder(const std::string& folder)
{
    ::AddDataFolder(folder);
}

CEngine::CEngine(StartupReport report) : showFps(false)
{
    if (report != StartupReport::Console)
    {
        startupReport.reset(new CStartupReport(report == StartupReport::ConsoleAndLog));
    }
    gGraphicsCore = nullptr;
    gTextureManager = nullptr;
    gWindowManager = nullptr;
    gEventManager = nullptr;
    gUtils = nullptr;
    gSoundManager = nullptr;
    gShaderManager = nullptr;
    gCamera = nullptr;
    gCameraManager = nullptr;
    gFontManager = nullptr;
    gLogger = nullptr;
    gLightManager = nullptr;
    gGameObjectManager = nullptr;
    Startup();
}

CEngine::~CEngine()
{
    // The report's held lines go to the logger, which Shutdown deletes.
    startupReport.reset();
    Shutdown();
}

void CEngine::Startup()
{
    std::cout << std::endl << ENGINE_BANNER << std::endl << std::endl;

    std::cout << "Initialize Graphics Core...";
    gGraphicsCore = new CGraphicsCore();
    CheckCreated(gGraphicsCore, "Unable to initialize Graphics Core!");

    std::cout << "Initialize Texture Manager...";
    gTextureManager = new CTextureManager();
    CheckCreated(gTextureManager, "Unable to initialize Texture Manager Core!");

    std::cout << "Initialize Window Manager...";
    gWindowManager = new CWindowManager();
    CheckCreated(gWindowManager, "Unable to initialize Window Manager Core!");

    std::cout << "Initialize Event Manager...";
    StartEventSubsystem();
    gEventManager = new CEventManager();
    CheckCreated(gEventManager, "Unable to initialize Event Manager!");

    std::cout << "Initialize Utils...";
    gUtils = new CUtils();
    CheckCreated(gUtils, "Unable to initialize Utils!");

    // The sound manager, shader manager and camera are created before their progress text, so
    // anything their constructors print comes first.
    gSoundManager = new CSoundManager();
    std::cout << "Initialize Sound Manager...";
    CheckCreated(gSoundManager, "Unable to initialize Sound Manager!");

    gShaderManager = new CShaderManager();
    std::cout << "Initialize Shader Manager...";
    CheckCreated(gShaderManager, "Unable to initialize Shader Unit!");

    gCamera = new CCamera();
    std::cout << "Initialize the Camera...";
    CheckCreated(gCamera, "Unable to initialize the Camera Unit!");

    std::cout << "Initialize the Camera Manager...";
    gCameraManager = new CCameraManager();
    CheckCreated(gCameraManager, "Unable to initialize the Camera Manager Core!");

    std::cout << "Initialize the Font Manager...";
    gFontManager = new CFontManager();
    CheckCreated(gFontManager, "Unable to initialize the Font Manager Core!");

    std::cout << "Initialize the Logger...";
    gLogger = new CLogger();
    CheckCreated(gLogger, "Warnig: Unable to initialize the Logger!", false);
    if (startupReport)
    {
        startupReport->LoggerStarted();
    }

    std::cout << "Initialize the Light Manager...";
    gLightManager = new CLightManager();
    CheckCreated(gLightManager, "Warnig: Unable to initialize the Light Manager!");

    std::cout << "Initialize the 3D Game Object Manager...";
    gGameObjectManager = new CGameObjectManager();
    CheckCreated(gGameObjectManager, "Warnig: Unable to initialize the 3D Game Object Manager!");
}

void CEngine::StartEventSubsystem()
{
    if (SDL_InitSubSystem(SDL_INIT_EVENTTHREAD) != 0)
    {
        throw std::string("Error: SDL Eventhread cannot not be initialized: ") + SDL_GetError();
    }
}

void CEngine::SetVideoMode(int width, int height, int bitsPerPixel, bool fullscreen, bool only2D)
{
    gGraphicsCore->SetVideoMode(width, height, bitsPerPixel, fullscreen, only2D);

    std::cout << std::endl;
    std::cout << "Detected Video Card Vendor: " << gGraphicsCore->GetVendor() << std::endl;
    std::cout << "Detected Renderer: " << gGraphicsCore->GetRenderer() << std::endl;
    std::cout << "Detected OpenGL version: " << gGraphicsCore->GetVersion() << std::endl;

    gShaderManager->LoadBuiltInShaders();
    gFontManager->LoadFont(FONT_PATH);
}

void CEngine::SetShowFps(bool on)
{
    showFps = (on == true);
}

void CEngine::Frame()
{
    // The first frame ends the start-up report: from here on standard output is the console's.
    startupReport.reset();
    gEventManager->Poll();
    gGameObjectManager->Draw();

    gGraphicsCore->Begin2D();
    glLoadIdentity();
    gWindowManager->DrawWindows();
    if (gGraphicsCore->IsOwnCursorShown())
    {
        gGraphicsCore->DrawCursor();
    }
    if (showFps)
    {
        gUtils->UpdateFrameTimer();
        CFont* font = gFontManager->GetFont(1);
        if (font)
        {
            font->Print(FPS_TEXT_X, FPS_TEXT_Y, 0, FPS_FORMAT, gUtils->GetFPS());
        }
    }
    else
    {
        gUtils->MeasureFrameTime();
    }
    gCameraManager->Apply();
    if (gGraphicsCore->Is3DMode())
    {
        gGraphicsCore->End2D();
    }
}

void CEngine::Shutdown()
{
    // The graphics core goes first, unlike start-up.
    delete gGraphicsCore;
    gGraphicsCore = nullptr;
    delete gFontManager;
    gFontManager = nullptr;
    delete gUtils;
    gUtils = nullptr;
    delete gTextureManager;
    gTextureManager = nullptr;
    delete gWindowManager;
    gWindowManager = nullptr;
    delete gEventManager;
    gEventManager = nullptr;
    delete gSoundManager;
    gSoundManager = nullptr;
    delete gShaderManager;
    gShaderManager = nullptr;
    delete gCamera;
    gCamera = nullptr;
    delete gCameraManager;
    gCameraManager = nullptr;
    delete gLogger;
    gLogger = nullptr;
    delete gLightManager;
    gLightManager = nullptr;
    delete gGameObjectManager;
    gGameObjectManager = nullptr;
}
