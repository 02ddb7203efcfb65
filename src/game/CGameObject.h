/// \file
/// One placed model in the 3D scene: owns its entity, forwards placement, drawing, shadow and
/// ray requests to it as its row of the model kind table says, and carries the flags the game
/// object manager reads.
#ifndef KYREL_CGAMEOBJECT_H
#define KYREL_CGAMEOBJECT_H

#include "math/CRay.h"
#include "math/CVector3.h"

#include <string>

class CEntity;
class C3DSObject;
class CKObject;
class CMD2Object;
class CObj;
struct ModelKind;
struct ModelSource;

/// A model placed in the scene, of any kind the engine reads.
///
/// Create it with new, load a file, place it, then hand it to gGameObjectManager, which owns it
/// from then on and draws it every frame. Every operation does nothing (or answers 0 or null)
/// while nothing is loaded.
class CGameObject
{
public:
    /// The model kinds, as GetKind reports them.
    enum Kind
    {
        KIND_XML = 0,
        KIND_MD2 = 1,
        KIND_3DS = 2,
        KIND_OBJ = 3
    };

    CGameObject() = default;
    ~CGameObject();
    CGameObject(const CGameObject&) = delete;
    CGameObject& operator=(const CGameObject&) = delete;

    /// Loads a model in the engine's XML format. A game object is loaded once; a second load of
    /// any kind replaces (and frees) the first entity.
    void LoadXML(const char* path);
    /// Loads an animated MD2 model with its skin.
    void LoadMD2(const char* path, const char* texturePath);
    /// Loads a 3DS model, its textures looked up in textureDirectory (joined as given, so it ends
    /// with its separator); swapAxes turns the file's z-up into the engine's y-up.
    void Load3DS(const char* textureDirectory, const char* path, int swapAxes);
    /// Loads an OBJ model with its one texture.
    void LoadOBJ(const char* path, const char* texturePath);
    /// Loads a file of the kind its extension names (3DS textures looked up beside the model);
    /// false, with nothing loaded, when no kind has that extension.
    bool LoadFile(const std::string& path, const std::string& texturePath, bool swapAxes);

    /// False until a load succeeded; a file that cannot be read leaves the object unloaded.
    bool IsLoaded() const { return entity != nullptr; }
    /// KIND_XML while nothing is loaded.
    int GetKind() const;
    /// Each null unless the object holds an entity of that kind.
    /// The entity is owned by the game object.
    ///@{
    CKObject* GetXMLEntity() const;
    CMD2Object* GetMD2Entity() const;
    C3DSObject* Get3DSEntity() const;
    CObj* GetOBJEntity() const;
    ///@}

    /// Draws the model with the face culling its kind needs; textures are bound when textured
    /// is true (some kinds always bind theirs). The manager calls it in its passes.
    void Draw(bool textured);
    /// Placement in world units, scale factors per axis and the angle in degrees about the
    /// entity's rotation axis (y unless changed); each refreshes the world box.
    ///@{
    void SetPosition(float x, float y, float z);
    void SetScale(float x, float y, float z);
    void SetAngle(float angle);
    ///@}
    /// Rebuilds the model's shadow volumes for light number 1's position.
    void BuildShadowVolume();
    /// The entity's stencil pass over its shadow volumes (see CEntity::RenderShadowVolumeStencil).
    void RenderShadowVolumeStencil();
    /// The shadow-volume polygons alone, under the caller's GL state.
    void DrawShadowVolume();
    /// Draws the world box and the parts' boxes as lines.
    void RenderBoundingBox();
    /// Vertices of the loaded model; 0 while nothing is loaded.
    int GetVertexCount() const;
    /// Tests the ray against the model, lowering ray->nearestDistance on a nearer hit; kinds
    /// without a ray test leave the ray alone.
    void IntersectRay(CRay* ray);
    /// Animation belongs to the MD2 kind; the other kinds ignore it. index selects one of the
    /// model's animations; the speed is in key frames per second.
    ///@{
    void SetAnimation(int index);
    void SetAnimationSpeed(float value);
    ///@}

    /// Whether the object casts a shadow (off by default).
    ///@{
    void SetCastShadow(bool on) { castsShadow = on; }
    bool GetCastShadow() const { return castsShadow; }
    ///@}
    /// A disabled object is neither drawn nor casts a shadow (enabled by default).
    ///@{
    void SetEnabled(bool on) { enabled = on; }
    bool IsEnabled() const { return enabled; }
    ///@}
    /// Whether the last frustum test saw the object; objects outside are not drawn.
    ///@{
    bool IsInFrustum() const { return inFrustum; }
    void SetInFrustum(bool on) { inFrustum = on; }
    ///@}

    /// Null while nothing is loaded.
    ///@{
    const CVector3* GetPosition() const;
    const CVector3* GetBoundsMin() const;
    const CVector3* GetBoundsMax() const;
    ///@}

    /// Tests the entity's world box against the camera's frustum.
    void UpdateFrustumVisibility();

private:
    void Load(int newKind, const ModelSource& source);
    /// The entity when it is of that kind, else null.
    CEntity* EntityOfKind(int wanted) const { return GetKind() == wanted ? entity : nullptr; }

    CEntity* entity = nullptr;
    const ModelKind* row = nullptr;  ///< the table row of the loaded kind
    bool castsShadow = false;
    bool enabled = true;
    bool inFrustum = false;
};

#endif
