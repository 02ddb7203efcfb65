/// \file
/// The engine's bitmap fonts, numbered from 1 in order of addition.
#ifndef KYREL_CFONTMANAGER_H
#define KYREL_CFONTMANAGER_H

#include <vector>

class CFont;

/// The loaded fonts, reached through gFontManager; it owns them.
class CFontManager
{
public:
    CFontManager() = default;
    /// Deletes the fonts while the GL context is still there, so their lists go with them.
    ~CFontManager();

    CFontManager(const CFontManager&) = delete;
    CFontManager& operator=(const CFontManager&) = delete;

    /// Creates, loads and appends a font; a sheet that cannot be read ends the process.
    void LoadFont(const char* path);
    /// Takes ownership of a constructed and loaded font.
    void AddFont(CFont* font);
    /// The font with that number, or the last one for 0 or a number past the end; null when
    /// there is none.
    CFont* GetFont(unsigned number) const;
    /// Number of fonts held.
    unsigned GetCount() const { return count; }

private:
    std::vector<CFont*> fonts;
    unsigned count = 0;
};

/// The engine's font manager, created and deleted by CEngine.
extern CFontManager* gFontManager;

#endif
