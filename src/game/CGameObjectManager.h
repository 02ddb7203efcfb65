/// \file
/// Owns the 3D game objects and draws them each frame: plain lit, with stencil shadow volumes, or
/// with a shadow map rendered from light number 1.
#ifndef KYREL_CGAMEOBJECTMANAGER_H
#define KYREL_CGAMEOBJECTMANAGER_H

#include <cstddef>
#include <vector>

class CGameObject;
class CShader;

/// The scene's game objects, reached through gGameObjectManager; it owns them and deletes them
/// with itself. The shadow switches are the graphics core's (CGraphicsCore::SetShadows and
/// SetShadowMethod).
class CGameObjectManager
{
public:
    CGameObjectManager() = default;
    ~CGameObjectManager();
    CGameObjectManager(const CGameObjectManager&) = delete;
    CGameObjectManager& operator=(const CGameObjectManager&) = delete;

    /// The manager owns the object from now on. An object without a model is refused (and freed),
    /// since there is nothing to draw.
    void AddObject(CGameObject* object);
    /// Debug drawing: the shadow volumes as polygons, and each visible object's boxes (both off
    /// by default).
    ///@{
    void SetDrawShadowVolumes(bool on) { drawShadowVolumes = on; }
    void SetDrawBoundingBoxes(bool on) { drawBoundingBoxes = on; }
    ///@}
    /// Vertices of every object added, counted when it was added.
    unsigned GetVertexCount() const { return vertexCount; }
    /// Number of objects held.
    size_t GetObjectCount() const { return objects.size(); }
    /// The object at index (from 0, in order added), still owned here; null past the end.
    CGameObject* GetObject(size_t index) const
    {
        return index < objects.size() ? objects[index] : nullptr;
    }

    /// The frame's 3D scene, under the modelview matrix the caller set up.
    void Draw();

private:
    void DrawPlain();
    void DrawWithShadowVolumes();
    void DrawWithShadowMap();
    void DarkenStencilledPixels();
    /// Draws the object's plain geometry through the depth-compare program over its lit draw, the
    /// frame multiplied by the program's shadow factor.
    void DarkenShadowedPixels(CGameObject& object, CShader& shader, unsigned depthTexture);
    /// Draws every enabled object found in the frustum, textured, with its boxes when asked; with
    /// a shadow program, darkens each one's shadowed pixels right after its lit draw.
    void DrawVisibleObjects(CShader* shadowProgram = nullptr, unsigned depthTexture = 0);

    std::vector<CGameObject*> objects;
    bool drawShadowVolumes = false;
    bool drawBoundingBoxes = false;
    unsigned vertexCount = 0;
};

/// The engine's game object manager, created and deleted by CEngine.
extern CGameObjectManager* gGameObjectManager;

#endif
