/// \file
/// Registry of the screen images whose textures were loaded through SDL_image, one entry per
/// texture name. The registry does not own the images.
#ifndef KYREL_CTEXTUREMANAGER_H
#define KYREL_CTEXTUREMANAGER_H

#include <cstddef>
#include <vector>

class CScreenImage;

/// The list of loaded screen images, reached through gTextureManager; CScreenImage registers
/// itself when it loads a picture.
class CTextureManager
{
public:
    CTextureManager() = default;
    /// Releases the list only: the images belong to whoever created them.
    ~CTextureManager() = default;

    CTextureManager(const CTextureManager&) = delete;
    CTextureManager& operator=(const CTextureManager&) = delete;

    /// Appends the image unless an entry with the same texture name is already listed.
    void RegisterImage(CScreenImage* image);
    /// Removes the last entry with the image's texture name and destroys the image; an image
    /// whose texture name is not listed is left alone.
    void RemoveImage(CScreenImage* image);
    /// Drops every entry that is this very object, destroying nothing: a screen image going away
    /// calls it so that the list never points at a deleted object.
    void Forget(const CScreenImage* image);

    /// Number of images listed.
    size_t GetCount() const { return images.size(); }
    /// The image at index (from 0, in order of registration); null past the end.
    CScreenImage* GetImage(size_t index) const
    {
        return index < images.size() ? images[index] : nullptr;
    }

private:
    std::vector<CScreenImage*> images;
};

/// The engine's texture manager, created and deleted by CEngine.
extern CTextureManager* gTextureManager;

#endif
