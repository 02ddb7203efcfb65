// One placed model in the 3D scene: owns its entity, forwards placement, drawing, shadow and
// ray requests to it by model kind, and carries the flags the game object manager reads.
#ifndef KYREL_CGAMEOBJECT_H
#define KYREL_CGAMEOBJECT_H

#include "math/CRay.h"
#include "math/CVector3.h"

class CEntity;
class C3DSObject;
class CKObject;
class CMD2Object;
class CObj;

class CGameObject
{
public:
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

    // Loads a model in the engine's XML format. A game object is loaded once; a second load of
    // any kind replaces (and frees) the first entity.
    void LoadXML(const char* path);
    // Loads an animated MD2 model with its skin.
    void LoadMD2(const char* path, const char* texturePath);
    // Loads a 3DS model, its textures looked up in textureDirectory (joined as given, so it ends
    // with its separator); swapAxes turns the file's z-up into the engine's y-up.
    void Load3DS(const char* textureDirectory, const char* path, int swapAxes);
    // Loads an OBJ model with its one texture.
    void LoadOBJ(const char* path, const char* texturePath);

    bool IsLoaded() const { return Entity() != nullptr; }
    int GetKind() const { return kind; }
    CKObject* GetXMLEntity() const { return xmlEntity; }
    CMD2Object* GetMD2Entity() const { return md2Entity; }
    C3DSObject* Get3DSEntity() const { return tdsEntity; }
    CObj* GetOBJEntity() const { return objEntity; }

    void Draw(bool textured);
    void SetPosition(float x, float y, float z);
    void SetScale(float x, float y, float z);
    void SetAngle(float angle);
    void BuildShadowVolume();
    void RenderShadowVolumeStencil();
    void DrawShadowVolume();
    void RenderBoundingBox();
    int GetVertexCount() const;
    void IntersectRay(CRay* ray);
    // Animation belongs to the MD2 kind; the other kinds ignore it.
    void SetAnimation(int index);
    void SetAnimationSpeed(float value);

    void SetCastShadow(bool on) { castsShadow = on; }
    bool GetCastShadow() const { return castsShadow; }
    void SetEnabled(bool on) { enabled = on; }
    bool IsEnabled() const { return enabled; }
    bool IsInFrustum() const { return inFrustum; }
    void SetInFrustum(bool on) { inFrustum = on; }

    // Null while nothing is loaded.
    const CVector3* GetPosition() const;
    const CVector3* GetBoundsMin() const;
    const CVector3* GetBoundsMax() const;

    // Tests the entity's world box against the camera's frustum.
    void UpdateFrustumVisibility();

private:
    CEntity* Entity() const;
    void DeleteEntities();

    CKObject* xmlEntity = nullptr;
    CMD2Object* md2Entity = nullptr;
    C3DSObject* tdsEntity = nullptr;
    CObj* objEntity = nullptr;
    int kind = KIND_XML;
    bool castsShadow = false;
    bool enabled = true;
    bool inFrustum = false;
};

#endif
