// The three render paths over the scene's game objects.
#include "game/CGameObjectManager.h"

#include "platform/CGraphicsCore.h"
#include "scene/CCamera.h"
#include "game/CGameObject.h"
#include "game/ModelKinds.h"
#include "models/C3DSObject.h"
#include "models/CKObject.h"
#include "models/CMD2Object.h"
#include "models/CObj.h"
#include "scene/CLightManager.h"
#include "shaders/CShader.h"
#include "shaders/CShaderManager.h"

#include <GL/glew.h>

namespace
{
const float SHADOW_OFFSET_FACTOR = 8.0f;
const float SHADOW_OFFSET_UNITS = 4.0f;
const float SHADOW_DARKNESS_ALPHA = 0.5f;
const float DARKEN_OFFSET_FACTOR = -1.0f;
const float DARKEN_OFFSET_UNITS = -1.0f;

// The tick an MD2 entity's clock reads while the shadow-map pass draws it twice.
unsigned int pinnedTick = 0;
unsigned int PinnedTick()
{
    return pinnedTick;
}

// The entity behind the object, whatever its kind.
CEntity* EntityOf(const CGameObject& object)
{
    switch (object.GetKind())
    {
    case CGameObject::KIND_XML:
        return object.GetXMLEntity();
    case CGameObject::KIND_MD2:
        return object.GetMD2Entity();
    case CGameObject::KIND_3DS:
        return object.Get3DSEntity();
    case CGameObject::KIND_OBJ:
        return object.GetOBJEntity();
    default:
        return nullptr;
    }
}
}  // namespace

CGameObjectManager::~CGameObjectManager()
{
    for (CGameObject*& object : objects)
    {
        delete object;
        object = nullptr;
    }
}

void CGameObjectManager::AddObject(CGameObject* object)
{
    if (!object)
    {
        return;
    }
    if (!object->IsLoaded())
    {
        delete object;
        return;
    }
    objects.push_back(object);
    vertexCount += static_cast<unsigned>(object->GetVertexCount());
}

void CGameObjectManager::Draw()
{
    if (!gGraphicsCore->GetShadows())
    {
        DrawPlain();
    }
    else if (gGraphicsCore->GetShadowMethod() == SHADOW_STENCIL_VOLUMES)
    {
        DrawWithShadowVolumes();
    }
    else
    {
        DrawWithShadowMap();
    }
}

void CGameObjectManager::DrawVisibleObjects(CShader* shadowProgram, unsigned depthTexture)
{
    for (CGameObject* object : objects)
    {
        if (!object->IsEnabled() || !object->IsInFrustum())
        {
            continue;
        }
        CMD2Object* md2 = shadowProgram ? object->GetMD2Entity() : nullptr;
        // Both draws must show the same pose, or the shadow would land beside the animated model.
        const CMD2Object::TickSource clock = md2 ? md2->GetTickSource() : nullptr;
        if (md2)
        {
            pinnedTick = clock();
            md2->SetTickSource(PinnedTick);
        }
        object->Draw(true);
        if (shadowProgram)
        {
            DarkenShadowedPixels(*object, *shadowProgram, depthTexture);
        }
        if (md2)
        {
            md2->SetTickSource(clock);
        }
        if (drawBoundingBoxes)
        {
            object->RenderBoundingBox();
        }
    }
}

void CGameObjectManager::DrawPlain()
{
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    for (CGameObject* object : objects)
    {
        if (!object->IsEnabled())
        {
            continue;
        }
        object->UpdateFrustumVisibility();
        if (object->IsInFrustum())
        {
            object->Draw(true);
            if (drawBoundingBoxes)
            {
                object->RenderBoundingBox();
            }
        }
    }
}

void CGameObjectManager::DrawWithShadowVolumes()
{
    for (CGameObject* object : objects)
    {
        if (!object->IsEnabled())
        {
            continue;
        }
        object->UpdateFrustumVisibility();
        if (object->GetCastShadow() && object->IsInFrustum())
        {
            object->BuildShadowVolume();
        }
    }

    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_STENCIL_TEST);
    DrawVisibleObjects();
    glDisable(GL_LIGHTING);

    for (CGameObject* object : objects)
    {
        if (object->IsEnabled() && object->GetCastShadow() && object->IsInFrustum())
        {
            object->RenderShadowVolumeStencil();
        }
    }
    DarkenStencilledPixels();
    glEnable(GL_LIGHTING);

    if (drawShadowVolumes)
    {
        for (CGameObject* object : objects)
        {
            if (object->IsEnabled() && object->GetCastShadow())
            {
                object->DrawShadowVolume();
            }
        }
    }
}

void CGameObjectManager::DarkenStencilledPixels()
{
    // One screen-filling quad halves the colour wherever a volume left a non-zero count.
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_NOTEQUAL, 0, ~0u);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, SHADOW_DARKNESS_ALPHA);
    glBegin(GL_TRIANGLE_STRIP);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(-1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glEnd();
    glDisable(GL_BLEND);
    glDisable(GL_STENCIL_TEST);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void CGameObjectManager::DrawWithShadowMap()
{
    const bool useFramebuffer = gGraphicsCore->HasFramebufferObjects();
    const GLuint depthTexture = gGraphicsCore->GetRenderTargetTexture();
    const int mapWidth = gGraphicsCore->GetRenderTargetWidth();
    const int mapHeight = gGraphicsCore->GetRenderTargetHeight();
    if (gLightManager->GetLightCount() < 1)
    {
        // Without light number 1 there is nothing to render the map from.
        DrawPlain();
        return;
    }
    const CMatrix4 lightProjection = gLightManager->GetLightProjection(1);
    const CMatrix4 lightView = gLightManager->GetLightView(1);

    // Depth pass from the light.
    if (useFramebuffer)
    {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gGraphicsCore->GetFramebuffer());
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    glLoadIdentity();
    glViewport(0, 0, mapWidth, mapHeight);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadMatrixf(lightProjection.Data());
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(lightView.Data());
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glPolygonOffset(SHADOW_OFFSET_FACTOR, SHADOW_OFFSET_UNITS);
    glEnable(GL_POLYGON_OFFSET_FILL);
    for (CGameObject* object : objects)
    {
        object->UpdateFrustumVisibility();
        if (object->IsEnabled() && object->GetCastShadow() && object->IsInFrustum())
        {
            object->Draw(false);
        }
    }
    if (useFramebuffer)
    {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, gGraphicsCore->GetWindowFramebuffer());
    }
    else
    {
        glBindTexture(GL_TEXTURE_2D, depthTexture);
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, mapWidth, mapHeight);
    }
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDisable(GL_POLYGON_OFFSET_FILL);
    glViewport(0, 0, static_cast<GLsizei>(gGraphicsCore->GetWidth()),
               static_cast<GLsizei>(gGraphicsCore->GetHeight()));
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    if (!useFramebuffer)
    {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // Lit pass as without shadows, each object with its own textures and programs; right after
    // its lit draw, the object's plain geometry goes through the depth-compare program, which
    // multiplies the frame by its shadow factor on the pixels that draw left in front.
    glLoadIdentity();
    gCamera->Look();
    glActiveTextureARB(GL_TEXTURE1_ARB);
    // Only the depth-compare program reads the map; fixed-function lit draws would multiply
    // their colour by it.
    glDisable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, depthTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE_ARB, GL_COMPARE_R_TO_TEXTURE_ARB);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC_ARB, GL_LEQUAL);
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(gGraphicsCore->GetBiasMatrix()->Data());
    glMultMatrixf(lightProjection.Data());
    glMultMatrixf(lightView.Data());
    glMultMatrixf(gCamera->UpdateInverseViewMatrix()->Data());
    glMatrixMode(GL_MODELVIEW);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    CShader* shader = gShaderManager->GetShader(SHADER_SHADOW_MAPPING_PCF);
    if (shader)
    {
        shader->Bind();
        shader->SetSampler("shadowMap", 1);
        CShader::Unbind();
    }

    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    DrawVisibleObjects(shader, depthTexture);

    // The objects' draws may have selected another unit; the shadow transform lives on unit 1.
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    CShader::Unbind();
}

void CGameObjectManager::DarkenShadowedPixels(CGameObject& object, CShader& shader,
                                              unsigned depthTexture)
{
    CEntity* entity = EntityOf(object);
    const ModelKind* row = ModelKindOf(object.GetKind());
    if (!entity || !row)
    {
        return;
    }
    // The lit draw may have put its own picture (a height map) on unit 1.
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glBindTexture(GL_TEXTURE_2D, depthTexture);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_POLYGON_BIT | GL_ENABLE_BIT);
    shader.Bind();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    // The same triangles sent another way (immediate mode instead of buffers, another program)
    // may land a rounding step behind the lit ones.
    glPolygonOffset(DARKEN_OFFSET_FACTOR, DARKEN_OFFSET_UNITS);
    glEnable(GL_POLYGON_OFFSET_FILL);
    // Faces the lit draw culled must not darken what shows through them.
    if (row->cullFace != 0)
    {
        glEnable(GL_CULL_FACE);
        glCullFace(static_cast<GLenum>(row->cullFace));
    }
    entity->Render(false);
    CShader::Unbind();
    glPopAttrib();
}
