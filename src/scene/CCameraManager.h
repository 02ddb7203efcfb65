/// \file
/// 2D cameras that scroll screen-space drawing: the current one's offset is applied each frame.
#ifndef KYREL_CCAMERAMANAGER_H
#define KYREL_CCAMERAMANAGER_H

#include <vector>

class CCamera2D
{
public:
    CCamera2D() = default;
    CCamera2D(float px, float py) : position{px, py} {}

    void SetPosition(float px, float py)
    {
        position[0] = px;
        position[1] = py;
    }
    /// Pointer to the (x, y) pair.
    const float* GetPosition() const { return position; }
    void IncreaseX(float d) { position[0] += d; }
    void DecreaseX(float d) { position[0] -= d; }
    void IncreaseY(float d) { position[1] += d; }
    void DecreaseY(float d) { position[1] -= d; }
    void Offset(float dx, float dy)
    {
        position[0] += dx;
        position[1] += dy;
    }

private:
    float position[2] = {0.0f, 0.0f};
};

class CCameraManager
{
public:
    CCameraManager() = default;
    ~CCameraManager();
    CCameraManager(const CCameraManager&) = delete;
    CCameraManager& operator=(const CCameraManager&) = delete;

    /// The manager owns the camera, which becomes the current one.
    void AddCamera(CCamera2D* camera);
    void SetCurrent(int index);
    int GetCurrent() const { return current; }
    int GetCount() const { return count; }
    const float* GetCurrentPosition() const;
    const float* GetCameraPosition(int index) const;

    void IncreaseX(float d);
    void DecreaseX(float d);
    void IncreaseY(float d);
    void DecreaseY(float d);
    void Offset(float dx, float dy);

    /// Translates the current GL matrix by the current camera's offset, if there is a camera.
    void Apply();

private:
    CCamera2D* Current() const { return count > 0 ? cameras[current] : nullptr; }

    std::vector<CCamera2D*> cameras;
    int count = 0;
    int current = 0;
};

extern CCameraManager* gCameraManager;

#endif
