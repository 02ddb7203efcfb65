/// \file
/// 2D cameras that scroll screen-space drawing: the current one's offset is applied each frame.
#ifndef KYREL_CCAMERAMANAGER_H
#define KYREL_CCAMERAMANAGER_H

#include <vector>

/// A 2D camera: an offset in screen pixels added to 2D drawing while it is the current one.
class CCamera2D
{
public:
    /// At (0, 0), or at (px, py).
    ///@{
    CCamera2D() = default;
    CCamera2D(float px, float py) : position{px, py} {}
    ///@}

    /// Moves the camera to (px, py).
    void SetPosition(float px, float py)
    {
        position[0] = px;
        position[1] = py;
    }
    /// Pointer to the (x, y) pair.
    const float* GetPosition() const { return position; }
    /// Moves the camera by d or (dx, dy) pixels.
    ///@{
    void IncreaseX(float d) { position[0] += d; }
    void DecreaseX(float d) { position[0] -= d; }
    void IncreaseY(float d) { position[1] += d; }
    void DecreaseY(float d) { position[1] -= d; }
    void Offset(float dx, float dy)
    {
        position[0] += dx;
        position[1] += dy;
    }
    ///@}

private:
    float position[2] = {0.0f, 0.0f};
};

/// The 2D cameras, reached through gCameraManager; CEngine::Frame applies the current one's
/// offset to the 2D overlay.
class CCameraManager
{
public:
    CCameraManager() = default;
    ~CCameraManager();
    CCameraManager(const CCameraManager&) = delete;
    CCameraManager& operator=(const CCameraManager&) = delete;

    /// The manager owns the camera, which becomes the current one.
    void AddCamera(CCamera2D* camera);
    /// Makes camera index (from 0, in the order added) the current one; other indexes are ignored.
    void SetCurrent(int index);
    /// Index of the current camera.
    int GetCurrent() const { return current; }
    /// Number of cameras added.
    int GetCount() const { return count; }
    /// The (x, y) pair of the current camera; null while there is none.
    const float* GetCurrentPosition() const;
    /// The (x, y) pair of camera index; the current camera's for an index out of range.
    const float* GetCameraPosition(int index) const;

    /// Moves the current camera (see CCamera2D); nothing while there is none.
    ///@{
    void IncreaseX(float d);
    void DecreaseX(float d);
    void IncreaseY(float d);
    void DecreaseY(float d);
    void Offset(float dx, float dy);
    ///@}

    /// Translates the current GL matrix by the current camera's offset, if there is a camera.
    void Apply();

private:
    CCamera2D* Current() const { return count > 0 ? cameras[current] : nullptr; }

    std::vector<CCamera2D*> cameras;
    int count = 0;
    int current = 0;
};

/// The engine's 2D camera manager, created and deleted by CEngine.
extern CCameraManager* gCameraManager;

#endif
