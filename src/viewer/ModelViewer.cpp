// Scene, panel, input and frame of the model viewer.
#include "viewer/ModelViewer.h"

#include "core/CEngine.h"
#include "io/DataFolders.h"
#include "models/CMD2Object.h"
#include "overlay/CStaticText.h"
#include "overlay/CToggleButton.h"
#include "overlay/CWindow.h"
#include "platform/CEventManager.h"
#include "platform/CGraphicsCore.h"
#include "overlay/CWindowManager.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"
#include "game/CGameObjectManager.h"
#include "scene/CLight.h"
#include "scene/CLightManager.h"
#include "sound/CSound.h"
#include "textures/CUtils.h"
#include "viewer/PngWriter.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>
#include <GL/glew.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

namespace
{
const int SCREEN_WIDTH = 1024;
const int SCREEN_HEIGHT = 768;
const int SCREEN_BITS = 24;
const int DEPTH_BITS = 24;
const int STENCIL_BITS = 8;
const double FIELD_OF_VIEW = 50.0;

// Every model is scaled to this radius, so camera, light and floor need no per-model tuning.
const float MODEL_RADIUS = 10.0f;
const float FLOOR_GAP = 0.02f * MODEL_RADIUS;
const float FLOOR_HALF_SIDE = 25.0f;  // floor.obj spans -1..1
const float LIGHT_POSITION[4] = {14.0f, 40.0f, 22.0f, 1.0f};
const float LIGHT_DIFFUSE[4] = {0.9f, 0.9f, 0.85f, 1.0f};
const float LIGHT_AMBIENT[4] = {0.25f, 0.25f, 0.28f, 1.0f};
const float LIGHT_SPECULAR[4] = {0.1f, 0.1f, 0.1f, 1.0f};

const float ORBIT_RADIANS_PER_PIXEL = 0.01f;
const float PITCH_LIMIT = 1.45f;  // just short of straight down or up
const float ZOOM_STEP = 1.12f;
const float MIN_DISTANCE = 2.0f;
const float MAX_DISTANCE = 400.0f;
const float FLY_SPEED = 20.0f;  // units per second

const char* const FLOOR_MODEL = "Data/Samples/floor.obj";
const char* const FLOOR_TEXTURE = "Data/Samples/floor.png";
const char* const CLICK_SOUND = "Data/Samples/click.wav";
const char* const PANEL_BACKGROUND = "Data/GUI/window.png";
const char* const BUTTON_ART = "Data/GUI/button";
const unsigned BUTTON_FRAMES = 4;
const char* const TOGGLE_OFF_ART = "Data/GUI/toggle_off";
const char* const TOGGLE_ON_ART = "Data/GUI/toggle_on";
const unsigned TOGGLE_FRAMES = 2;

const float PANEL_LEFT = 776.0f;
const float PANEL_TOP = 8.0f;
const float PANEL_WIDTH = 240.0f;
const char* const PANEL_TITLE = "kyrel-view";
// The background's title band is 16 of its 256 rows, stretched with the panel's height.
const float BACKGROUND_BAND_SHARE = 16.0f / 256.0f;
const float GLYPH_HEIGHT = 16.0f;
const float GLYPH_ADVANCE = 12.0f;
const float ROW_LEFT = 8.0f;
const float FIRST_ROW_TOP = 32.0f;  // below the title band of the tallest panel
const float TOGGLE_ROW = 36.0f;
const float BUTTON_ROW = 38.0f;
const float TEXT_LINE = 14.0f;
const float BOTTOM_MARGIN = 14.0f;
const int TOGGLE_ROWS = 5;
const int STATISTICS_LINES = 6;  // counts, load time, frame rate
// Characters a text line of the panel holds, margins left and right.
const size_t LINE_CHARACTERS = static_cast<size_t>((PANEL_WIDTH - 2.0f * ROW_LEFT) / GLYPH_ADVANCE);

enum Control
{
    SHADOWS_OFF_TOGGLE = 10,
    STENCIL_TOGGLE,
    SHADOW_MAP_TOGGLE,
    BOXES_TOGGLE,
    VOLUMES_TOGGLE,
    PREVIOUS_BUTTON,
    NEXT_BUTTON,
    SLOWER_BUTTON,
    FASTER_BUTTON
};

// The viewer's own data by its relative name: the working directory's copy, else the first data
// folder's; the name itself when none has it, so that the loader names what is missing.
std::string DataFile(const char* name)
{
    std::string found = FindDataFile(name);
    return found.empty() ? std::string(name) : found;
}

// The base name of an animation's frames, found as its first frame is ("button" + "1.png").
std::string FrameBaseName(const char* baseName)
{
    const std::string firstFrame = "1.png";
    std::string found = DataFile((std::string(baseName) + firstFrame).c_str());
    return found.substr(0, found.size() - firstFrame.size());
}

std::string FileName(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
}  // namespace

ModelViewer::ModelViewer(const ViewerOptions& viewerOptions, const ModelKind& modelKind,
                         const ModelStats& modelStats, std::FILE* frameLogFile)
    : CApp(viewerOptions.verbose ? StartupReport::ConsoleAndLog : StartupReport::Log),
      options(viewerOptions), kind(modelKind), stats(modelStats), yaw(0.6f), pitch(0.35f),
      distance(MODEL_RADIUS / static_cast<float>(std::sin(FIELD_OF_VIEW * 0.5 * M_PI / 180.0)) *
               1.15f),
      frameLog(frameLogFile)
{
}

void ModelViewer::Init()
{
    gGraphicsCore->SetDepthBits(DEPTH_BITS);
    gGraphicsCore->SetStencilBits(STENCIL_BITS);
    gGraphicsCore->SetFieldOfView(FIELD_OF_VIEW);
    engine->SetVideoMode(SCREEN_WIDTH, SCREEN_HEIGHT, SCREEN_BITS, false, false);
    gGraphicsCore->EnableAnisotropicFiltering();
    gGraphicsCore->ShowCursor(true);
    captionBase = "kyrel-view - " + FileName(options.modelPath);
    gGraphicsCore->SetCaption(captionBase);

    LoadModel();
    if (!modelLoaded)
    {
        return;
    }
    PlaceModelAndFloor();
    CreateLight();
    SetShadowTechnique(SHADOWS_NONE);
    gGameObjectManager->SetDrawShadowVolumes(false);
    gGameObjectManager->SetDrawBoundingBoxes(false);

    CSound* click = new CSound(DataFile(CLICK_SOUND).c_str());
    if (click->IsLoaded())
    {
        clickSound = click;
    }
    else
    {
        delete click;
    }
    CreatePanel();
    RefreshAnimationText();
    frameStart = std::chrono::steady_clock::now();
    countStart = frameStart;
}

void ModelViewer::LoadModel()
{
    model = new CGameObject();
    auto start = std::chrono::steady_clock::now();
    model->LoadFile(options.modelPath, options.texturePath, options.swapAxes);
    loadMilliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // The file was checked before the window opened; this catches a file changed since.
    modelLoaded = model->IsLoaded() && model->GetVertexCount() > 0;
    if (!modelLoaded)
    {
        delete model;
        model = nullptr;
    }
}

void ModelViewer::PlaceModelAndFloor()
{
    model->SetPosition(0.0f, 0.0f, 0.0f);
    CVector3 low = *model->GetBoundsMin();
    CVector3 high = *model->GetBoundsMax();
    CVector3 size = high - low;
    float radius = 0.5f * size.Length();
    float scale = radius > 0.0f ? MODEL_RADIUS / radius : 1.0f;
    model->SetScale(scale, scale, scale);
    // Centred over the origin, standing on the floor.
    model->SetPosition(-0.5f * (low.x + high.x) * scale, -low.y * scale,
                       -0.5f * (low.z + high.z) * scale);
    model->SetCastShadow(true);
    targetY = 0.5f * size.y * scale;

    floor = new CGameObject();
    floor->LoadOBJ(DataFile(FLOOR_MODEL).c_str(), DataFile(FLOOR_TEXTURE).c_str());
    floor->SetScale(FLOOR_HALF_SIDE, 1.0f, FLOOR_HALF_SIDE);
    // A margin below the model's lowest point: models with a floor of their own at that height
    // would otherwise fight the viewer's floor for the same depth.
    floor->SetPosition(0.0f, -FLOOR_GAP, 0.0f);
    floor->SetCastShadow(false);
    if (floor->IsLoaded())
    {
        gGameObjectManager->AddObject(floor);
    }
    else
    {
        delete floor;
        floor = nullptr;
    }
    gGameObjectManager->AddObject(model);
}

void ModelViewer::CreateLight()
{
    light = new CLight(LIGHT_POSITION, LIGHT_DIFFUSE, LIGHT_AMBIENT, LIGHT_SPECULAR);
    light->SetNear(5.0f);
    light->SetFar(200.0f);
    light->SetPosition(LIGHT_POSITION[0], LIGHT_POSITION[1], LIGHT_POSITION[2], 1.0f);
    gLightManager->AddLight(light);
    gLightManager->EnableLight(1);
}

void ModelViewer::AddText(const std::string& text, float y, CStaticText** keep)
{
    CStaticText* label = new CStaticText(text.c_str(), ROW_LEFT, y, 0.9f, 0.95f, 0.95f, 1.0f);
    panel->AddStaticText(label);
    if (keep)
    {
        *keep = label;
    }
}

void ModelViewer::AddToggleRow(int identifier, const char* label, float& y)
{
    CToggleButton* toggle =
        panel->CreateToggle(toggleOffArt.c_str(), TOGGLE_FRAMES, toggleOnArt.c_str(), TOGGLE_FRAMES,
                            ROW_LEFT, y, identifier);
    CStaticText* text = new CStaticText(label, ROW_LEFT + 40.0f, y + 9.0f);
    panel->AddStaticText(text);
    if (identifier >= SHADOWS_OFF_TOGGLE && identifier <= SHADOW_MAP_TOGGLE)
    {
        shadowToggles.push_back(toggle);
    }
    else if (identifier == BOXES_TOGGLE)
    {
        boxesToggle = toggle;
    }
    else
    {
        volumesToggle = toggle;
    }
    y += TOGGLE_ROW;
}

void ModelViewer::AddButtonPair(int leftId, const char* leftLabel, int rightId,
                                const char* rightLabel, float& y)
{
    const float buttonWidth = 64.0f;
    const float gap = 12.0f;
    panel->CreateButton(buttonArt.c_str(), BUTTON_FRAMES, ROW_LEFT, y, leftId);
    panel->CreateButton(buttonArt.c_str(), BUTTON_FRAMES, ROW_LEFT + buttonWidth + gap, y, rightId);
    panel->AddStaticText(new CStaticText(leftLabel, ROW_LEFT + 12.0f, y + 9.0f));
    panel->AddStaticText(
        new CStaticText(rightLabel, ROW_LEFT + buttonWidth + gap + 12.0f, y + 9.0f));
    y += BUTTON_ROW;
}

void ModelViewer::CreatePanel()
{
    toggleOffArt = FrameBaseName(TOGGLE_OFF_ART);
    toggleOnArt = FrameBaseName(TOGGLE_ON_ART);
    buttonArt = FrameBaseName(BUTTON_ART);
    const bool animated = kind.setAnimation != nullptr;
    const float animationRows = 2.0f * BUTTON_ROW + 2.0f * TEXT_LINE + 6.0f;
    const float height = FIRST_ROW_TOP + TOGGLE_ROWS * TOGGLE_ROW +
                         (animated ? animationRows : 0.0f) + STATISTICS_LINES * TEXT_LINE +
                         BOTTOM_MARGIN;
    // The band as drawn is where the panel is dragged, and the title sits in its middle.
    const float band = std::floor(BACKGROUND_BAND_SHARE * height);
    panel = new CWindow(PANEL_LEFT, PANEL_TOP, PANEL_LEFT + PANEL_WIDTH, PANEL_TOP + height,
                        DataFile(PANEL_BACKGROUND).c_str(), true, 0.85f,
                        static_cast<unsigned>(band), 1, true);
    panel->AddStaticText(new CStaticText(PANEL_TITLE, ROW_LEFT, 0.5f * (band - GLYPH_HEIGHT)));
    float y = FIRST_ROW_TOP;
    AddToggleRow(SHADOWS_OFF_TOGGLE, "No shadows", y);
    AddToggleRow(STENCIL_TOGGLE, "Stencil volumes", y);
    AddToggleRow(SHADOW_MAP_TOGGLE, "Shadow map", y);
    AddToggleRow(BOXES_TOGGLE, "Bounding boxes", y);
    AddToggleRow(VOLUMES_TOGGLE, "Show volumes", y);
    shadowToggles[0]->SetOn(true);
    if (animated)
    {
        AddButtonPair(PREVIOUS_BUTTON, "Prev", NEXT_BUTTON, "Next", y);
        AddButtonPair(SLOWER_BUTTON, "Slow", FASTER_BUTTON, "Fast", y);
        AddText("", y, &animationText);
        AddText("", y += TEXT_LINE, &animationFrameText);
        y += TEXT_LINE + 6.0f;
    }
    char line[96];
    std::snprintf(line, sizeof line, "%s: %d", animated ? "Frames" : "Objects", stats.objects);
    AddText(line, y);
    std::snprintf(line, sizeof line, "Vertices: %d", stats.vertices);
    AddText(line, y += TEXT_LINE);
    std::snprintf(line, sizeof line, "Triangles: %d", stats.triangles);
    AddText(line, y += TEXT_LINE);
    std::snprintf(line, sizeof line, "Materials: %d", stats.materials);
    AddText(line, y += TEXT_LINE);
    std::snprintf(line, sizeof line, "Load time: %.1f ms", loadMilliseconds);
    AddText(line, y += TEXT_LINE);
    AddText("", y += TEXT_LINE, &rateText);
    panel->SetActive(true);
    gWindowManager->AddWindow(panel);
}

void ModelViewer::SetShadowTechnique(Shadows technique)
{
    shadows = technique;
    gGraphicsCore->SetShadows(technique != SHADOWS_NONE);
    gGraphicsCore->SetShadowMethod(technique == SHADOWS_STENCIL ? SHADOW_STENCIL_VOLUMES
                                                                : SHADOW_MAPPING);
    for (size_t i = 0; i < shadowToggles.size(); ++i)
    {
        shadowToggles[i]->SetOn(static_cast<int>(i) == technique);
    }
}

void ModelViewer::StepAnimation(int step)
{
    CMD2Object* entity = model->GetMD2Entity();
    int count = entity ? entity->GetModel().animationCount : 0;
    if (count <= 0)
    {
        return;
    }
    animation = ((animation + step) % count + count) % count;
    model->SetAnimation(animation);
}

void ModelViewer::RefreshAnimationText()
{
    CMD2Object* entity = model ? model->GetMD2Entity() : nullptr;
    if (!entity)
    {
        return;
    }
    const CModelData& data = entity->GetModel();
    std::string name = "(none)";
    if (data.currentAnimation >= 0 && data.currentAnimation < data.animationCount)
    {
        name = data.animations[static_cast<size_t>(data.currentAnimation)].name;
    }
    if (animationText)
    {
        // A long name is cut at the panel's edge; the caption carries it whole.
        animationText->SetText(name.substr(0, LINE_CHARACTERS).c_str());
        char line[96];
        std::snprintf(line, sizeof line, "frame %d at %.0f/s", data.currentFrame,
                      static_cast<double>(entity->GetAnimationSpeed()));
        animationFrameText->SetText(line);
    }
    // The caption names the animation too: it is what a window list or a test can read.
    if (name != shownAnimation)
    {
        shownAnimation = name;
        gGraphicsCore->SetCaption(captionBase + " - " + name);
    }
}

void ModelViewer::PlayClick()
{
    if (!clickSound)
    {
        return;
    }
    int channel = clickSound->Play(0);
    // Asked of the mixer, not assumed from the call: a user of --verbose sees that the sound runs.
    if (options.verbose && channel >= 0 && Mix_Playing(channel))
    {
        std::printf("playing click on channel %d\n", channel);
        std::fflush(stdout);
    }
}

void ModelViewer::HandleClick(int control)
{
    if (control < 0)
    {
        return;
    }
    PlayClick();
    CMD2Object* entity = model->GetMD2Entity();
    switch (control)
    {
    case SHADOWS_OFF_TOGGLE:
        SetShadowTechnique(SHADOWS_NONE);
        break;
    case STENCIL_TOGGLE:
        SetShadowTechnique(SHADOWS_STENCIL);
        break;
    case SHADOW_MAP_TOGGLE:
        SetShadowTechnique(SHADOWS_MAP);
        break;
    case BOXES_TOGGLE:
        gGameObjectManager->SetDrawBoundingBoxes(boxesToggle->IsOn());
        break;
    case VOLUMES_TOGGLE:
        gGameObjectManager->SetDrawShadowVolumes(volumesToggle->IsOn());
        break;
    case PREVIOUS_BUTTON:
        StepAnimation(-1);
        break;
    case NEXT_BUTTON:
        StepAnimation(1);
        break;
    case SLOWER_BUTTON:
        if (entity)
        {
            model->SetAnimationSpeed(std::max(1.0f, entity->GetAnimationSpeed() - 1.0f));
        }
        break;
    case FASTER_BUTTON:
        if (entity)
        {
            model->SetAnimationSpeed(std::min(30.0f, entity->GetAnimationSpeed() + 1.0f));
        }
        break;
    default:
        break;
    }
}

void ModelViewer::HandleInput()
{
    if (gEventManager->HasEvent())
    {
        SDL_Event event = gEventManager->GetEvent();
        if (event.type == SDL_MOUSEBUTTONDOWN)
        {
            bool overPanel = panel && event.button.x >= panel->GetLeft() &&
                             event.button.x <= panel->GetRight() &&
                             event.button.y >= panel->GetTop() &&
                             event.button.y <= panel->GetBottom();
            if (event.button.button == SDL_BUTTON_LEFT)
            {
                orbiting = !overPanel;
            }
            else if (event.button.button == SDL_BUTTON_WHEELUP)
            {
                distance = std::max(MIN_DISTANCE, distance / ZOOM_STEP);
            }
            else if (event.button.button == SDL_BUTTON_WHEELDOWN)
            {
                distance = std::min(MAX_DISTANCE, distance * ZOOM_STEP);
            }
        }
        else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT)
        {
            orbiting = false;
        }
    }
    if (orbiting && gEventManager->IsLeftButtonDown())
    {
        yaw -= static_cast<float>(gEventManager->GetMouseDeltaX()) * ORBIT_RADIANS_PER_PIXEL;
        pitch += static_cast<float>(gEventManager->GetMouseDeltaY()) * ORBIT_RADIANS_PER_PIXEL;
        pitch = std::max(-PITCH_LIMIT, std::min(PITCH_LIMIT, pitch));
    }

    // W/A/S/D fly the orbit's centre over the ground, along and across the view.
    float step = FLY_SPEED * static_cast<float>(gUtils->GetFrameTime());
    float forwardX = -std::sin(yaw), forwardZ = -std::cos(yaw);
    float along = 0.0f, across = 0.0f;
    along += gEventManager->IsKeyDown(SDLK_w) ? step : 0.0f;
    along -= gEventManager->IsKeyDown(SDLK_s) ? step : 0.0f;
    across += gEventManager->IsKeyDown(SDLK_d) ? step : 0.0f;
    across -= gEventManager->IsKeyDown(SDLK_a) ? step : 0.0f;
    targetX += forwardX * along - forwardZ * across;
    targetZ += forwardZ * along + forwardX * across;
}

void ModelViewer::ApplyCamera()
{
    float eyeX = targetX + distance * std::cos(pitch) * std::sin(yaw);
    float eyeY = targetY + distance * std::sin(pitch);
    float eyeZ = targetZ + distance * std::cos(pitch) * std::cos(yaw);
    gCamera->PositionCamera(eyeX, eyeY, eyeZ, targetX, targetY, targetZ, 0.0f, 1.0f, 0.0f);
}

void ModelViewer::RenderFrame()
{
    glClearColor(0.18f, 0.2f, 0.24f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    glLoadIdentity();
    ApplyCamera();
    gCamera->Look();
    glDisable(GL_CULL_FACE);
    engine->Frame();
    HandleClick(gEventManager->GetClickedControl());
    RefreshAnimationText();
}

ModelViewer::~ModelViewer()
{
    if (frameLog)
    {
        std::fclose(frameLog);
    }
}

void ModelViewer::EndFrame()
{
    gGraphicsCore->SwapBuffers();
    const auto now = std::chrono::steady_clock::now();
    const double milliseconds = std::chrono::duration<double, std::milli>(now - frameStart).count();
    if (frameLog)
    {
        std::fprintf(frameLog, "%.1f\n", milliseconds);
        std::fflush(frameLog);
    }
    frameStart = now;
    RefreshRateText(now, milliseconds);
}

void ModelViewer::RefreshRateText(std::chrono::steady_clock::time_point now, double milliseconds)
{
    ++framesCounted;
    const double countedSeconds = std::chrono::duration<double>(now - countStart).count();
    if (countedSeconds >= 1.0)
    {
        framesPerSecond = framesCounted / countedSeconds;
        framesCounted = 0;
        countStart = now;
        rateCounted = true;
    }
    else if (!rateCounted && countedSeconds > 0.0)
    {
        // The first second is not over: the frames so far are the best guess there is.
        framesPerSecond = framesCounted / countedSeconds;
    }
    if (rateText)
    {
        char line[48];
        std::snprintf(line, sizeof line, "%.0f fps %.1f ms", framesPerSecond, milliseconds);
        rateText->SetText(line);
    }
}

void ModelViewer::Run()
{
    for (;;)
    {
        RenderFrame();
        EndFrame();
        HandleInput();
        if (!gEventManager->HasEvent())
        {
            continue;
        }
        if (gEventManager->IsKeyDown(SDLK_ESCAPE) ||
            gEventManager->IsLastEvent(CEventManager::EVENT_QUIT))
        {
            return;
        }
    }
}

bool ModelViewer::SaveScreenshot()
{
    for (int frame = 1; frame < options.frames; ++frame)
    {
        RenderFrame();
        EndFrame();
        if (gEventManager->IsLastEvent(CEventManager::EVENT_QUIT))
        {
            return false;
        }
    }
    RenderFrame();
    // Under SDL's compatibility layer the window is a framebuffer object whose colour buffer is
    // already the read buffer, and GL_BACK names no buffer.
    GLint framebuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &framebuffer);
    if (framebuffer == 0)
    {
        glReadBuffer(GL_BACK);
    }
    glFinish();
    bool written =
        WriteFramebufferPng(options.screenshotPath, static_cast<int>(gGraphicsCore->GetWidth()),
                            static_cast<int>(gGraphicsCore->GetHeight()));
    EndFrame();
    return written;
}
