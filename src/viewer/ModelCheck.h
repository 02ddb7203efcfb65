// Reads a model file and its picture with the engine's readers before any window opens, so that a
// file the viewer cannot show is refused with one line instead of an empty window; also counts
// what the statistics panel shows.
#ifndef KYREL_VIEWER_MODELCHECK_H
#define KYREL_VIEWER_MODELCHECK_H

#include "game/ModelKinds.h"

#include <string>

using ModelStats = ModelCounts;

// True when the file is a model of its kind (null: no kind has its extension) with at least one
// triangle; otherwise why not.
bool CheckModel(const ModelKind* kind, const std::string& path, bool swapAxes, ModelStats& stats,
                std::string& reason);

// True when the picture decodes with the reader the engine's image loading picks for its name (a
// file SDL_image reads for names no engine reader claims); otherwise why not. A reader that refuses
// the file has printed its own message first.
bool CheckTexture(const std::string& path, std::string& reason);

#endif
