// Screen image registry: registration by texture name, removal, and forgetting deleted images.
#include "overlay/CTextureManager.h"

#include "overlay/CScreenImage.h"

#include <algorithm>

void CTextureManager::RegisterImage(CScreenImage* image)
{
    if (!image)
    {
        return;
    }
    for (const CScreenImage* entry : images)
    {
        if (entry->GetTextureName() == image->GetTextureName())
        {
            return;
        }
    }
    images.push_back(image);
}

void CTextureManager::RemoveImage(CScreenImage* image)
{
    if (!image)
    {
        return;
    }
    const size_t notFound = images.size();
    size_t match = notFound;
    for (size_t i = 0; i < images.size(); ++i)
    {
        if (images[i]->GetTextureName() == image->GetTextureName())
        {
            match = i;
        }
    }
    if (match == notFound)
    {
        return;
    }
    images.erase(images.begin() + static_cast<std::ptrdiff_t>(match));
    // The image's destructor calls Forget, which finds nothing left to drop.
    delete image;
}

void CTextureManager::Forget(const CScreenImage* image)
{
    images.erase(std::remove(images.begin(), images.end(), image), images.end());
}
