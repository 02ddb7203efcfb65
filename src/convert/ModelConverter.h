// kyrel-convert's work: reads a model with the engine's reader of its kind, places its pictures
// (and height maps) beside the document, and writes the document under a temporary name that is
// renamed to the real one only once it is whole.
#ifndef KYREL_CONVERT_MODELCONVERTER_H
#define KYREL_CONVERT_MODELCONVERTER_H

#include "convert/ConvertOptions.h"
#include "models/CModelData.h"

#include <string>

// The mesh of options.inputPath as the reader of its kind gives it; keyFrames is set for MD2.
// False with the reason when there is none.
bool ReadSourceMesh(const ConvertOptions& options, CModelData& mesh, bool& keyFrames,
                    std::string& error);

// Converts options.inputPath into options.outputPath. False with a one-line reason when a file
// cannot be read or written; no document is left at the output path then. Pictures the model
// names but that cannot be found are reported on standard error and left out.
bool ConvertModelFile(const ConvertOptions& options, std::string& error);

#endif
