/// \file
/// Owns the scene's lights, addressed by 1-based number; light 1 is the one shadows are cast from.
/// Every light drives GL_LIGHT0, so the last one enabled is the one GL lights with.
#ifndef KYREL_CLIGHTMANAGER_H
#define KYREL_CLIGHTMANAGER_H

#include "math/CMatrix4.h"
#include "math/CVector3.h"

#include <vector>

class CLight;

/// The scene's lights, reached through gLightManager.
class CLightManager
{
public:
    CLightManager() = default;
    ~CLightManager();

    CLightManager(const CLightManager&) = delete;
    CLightManager& operator=(const CLightManager&) = delete;

    /// Takes ownership; a null light is not added.
    void AddLight(CLight* light);
    /// Number of lights held; they are numbered 1 to this.
    int GetLightCount() const { return count; }

    /// Enables or disables the light (see CLight::Enable); a number outside 1..count is ignored.
    ///@{
    void EnableLight(int number);
    void DisableLight(int number);
    ///@}

    /// (0, 100, 0) for a number outside 1..count.
    CVector3 GetLightPosition(int number) const;
    /// The light camera's matrices (see CLight); the identity for a number outside 1..count.
    ///@{
    CMatrix4 GetLightProjection(int number) const;
    CMatrix4 GetLightView(int number) const;
    ///@}
    /// Null for a number outside 1..count.
    CLight* GetLight(int number) const;

private:
    std::vector<CLight*> lights;  ///< owned, in the order added
    int count = 0;
};

/// The engine's light manager, created and deleted by CEngine.
extern CLightManager* gLightManager;

#endif
