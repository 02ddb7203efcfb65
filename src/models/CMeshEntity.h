/// \file
/// Base of the entities drawn from a generic mesh model (OBJ, 3DS): the model with its parts, one
/// stencil shadow volume per part, and the debug boxes over the model and its parts.
#ifndef KYREL_CMESHENTITY_H
#define KYREL_CMESHENTITY_H

#include "models/CEntity.h"
#include "models/CModelData.h"
#include "models/CShadowVolume.h"

#include <cstddef>
#include <memory>
#include <vector>

/// Entity over a CModelData (the OBJ and 3DS kinds): stencil shadow volumes per part and the
/// model's debug boxes come with it.
class CMeshEntity : public CEntity
{
public:
    /// One volume per part, created on the first call and rebuilt in place afterwards.
    void BuildShadowVolume(float lightX, float lightY, float lightZ) override;
    void RenderShadowVolumeStencil() override;
    /// The same on a chosen path: two-sided stencil in one pass, or two passes with face culling.
    void RenderShadowVolumeStencil(bool twoSided);
    void DrawShadowVolume() override;

    /// The loaded model (empty until the kind's Load succeeded).
    const CModelData& GetModel() const { return model; }
    /// The shadow volumes, one per part once BuildShadowVolume has run (none before); index must
    /// be below GetShadowVolumeCount.
    ///@{
    size_t GetShadowVolumeCount() const { return shadowVolumes.size(); }
    const CShadowVolume& GetShadowVolume(size_t index) const { return *shadowVolumes[index]; }
    ///@}

protected:
    /// The model's box, then each part's box when withParts, as lines in the box colour.
    void DrawModelBoxes(bool withParts);

    CModelData model;  ///< owned: objects, materials, boxes and buffer names
    std::vector<std::unique_ptr<CShadowVolume>> shadowVolumes;  ///< one per part, owned
};

#endif
