// The model viewer: one model of any kind on a floor under one light, an orbiting camera, and a
// panel of shadow, debug and animation controls with the model's statistics.
#ifndef KYREL_VIEWER_MODELVIEWER_H
#define KYREL_VIEWER_MODELVIEWER_H

#include "core/CApp.h"
#include "viewer/ModelCheck.h"
#include "viewer/ViewerOptions.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

class CGameObject;
class CLight;
class CSound;
class CStaticText;
class CToggleButton;
class CWindow;

class ModelViewer : public CApp
{
public:
    // Takes the frame log over (null: none). The engine's start-up report goes to the log, and to
    // the console as well with --verbose.
    ModelViewer(const ViewerOptions& options, const ModelKind& kind, const ModelStats& stats,
                std::FILE* frameLog);
    ~ModelViewer() override;

    void Init() override;
    void Run() override;
    void OnExit() override {}
    void UserHook1() override {}
    void UserHook2() override {}

    // False once the model turned out not to be drawable after the load.
    bool IsModelLoaded() const { return modelLoaded; }
    // Draws the frames of a screenshot run and writes the last; false if the file was not written
    // or a quit request ended the frames first.
    bool SaveScreenshot();

private:
    enum Shadows
    {
        SHADOWS_NONE,
        SHADOWS_STENCIL,
        SHADOWS_MAP
    };

    void LoadModel();
    void PlaceModelAndFloor();
    void CreateLight();
    void CreatePanel();
    void AddToggleRow(int identifier, const char* label, float& y);
    void AddButtonPair(int leftId, const char* leftLabel, int rightId, const char* rightLabel,
                       float& y);
    void AddText(const std::string& text, float y, CStaticText** keep = nullptr);

    void RenderFrame();
    void HandleInput();
    void HandleClick(int control);
    void PlayClick();
    void SetShadowTechnique(Shadows technique);
    void StepAnimation(int step);
    void RefreshAnimationText();
    void ApplyCamera();
    // Ends a frame: swaps the buffers, writes the frame's duration to the frame log, if any, and
    // shows it on the panel.
    void EndFrame();
    // The panel's frame-rate line: frames over the last whole second, and the last frame's time.
    void RefreshRateText(std::chrono::steady_clock::time_point now, double milliseconds);

    ViewerOptions options;
    const ModelKind& kind;
    ModelStats stats;
    double loadMilliseconds = 0.0;
    bool modelLoaded = false;

    CGameObject* model = nullptr;  // owned by the game object manager once added
    CGameObject* floor = nullptr;  // likewise
    CLight* light = nullptr;       // owned by the light manager
    CWindow* panel = nullptr;      // owned by the window manager
    // The panel's art, found in the data folders: base names of the animation frames.
    std::string toggleOffArt, toggleOnArt, buttonArt;
    std::vector<CToggleButton*> shadowToggles;
    CToggleButton* boxesToggle = nullptr;
    CToggleButton* volumesToggle = nullptr;
    CStaticText* animationText = nullptr;       // the animation's name
    CStaticText* animationFrameText = nullptr;  // its frame and speed
    CStaticText* rateText = nullptr;
    CSound* clickSound = nullptr;  // owned by the sound manager
    Shadows shadows = SHADOWS_NONE;
    int animation = 0;

    // Orbit around a target point: angles in radians, distance in world units.
    float yaw;
    float pitch;
    float distance;
    float targetX = 0.0f, targetY = 0.0f, targetZ = 0.0f;
    bool orbiting = false;
    std::string captionBase;
    std::string shownAnimation;
    std::FILE* frameLog;
    std::chrono::steady_clock::time_point frameStart;
    std::chrono::steady_clock::time_point countStart;  // of the frames counted for the rate
    int framesCounted = 0;
    double framesPerSecond = 0.0;
    bool rateCounted = false;  // a whole second has been counted
};

#endif
