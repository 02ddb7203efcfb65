/// \file
/// Writes a CXMLModel as a document of the engine's own model format, through the XML writer, with
/// every number written so that the model reader gives back the same float bits.
#ifndef KYREL_XMLMODELWRITER_H
#define KYREL_XMLMODELWRITER_H

#include "models/CXMLModel.h"
#include "xml/xmlParser.h"

/// Room for any number FormatModelFloat writes, terminating zero included.
const int MODEL_FLOAT_TEXT_SIZE = 32;

/// The shortest text of value that the model reader turns back into the same bits.
void FormatModelFloat(float value, char (&text)[MODEL_FLOAT_TEXT_SIZE]);

/// The document tree of the model: materials, height maps, then sub-objects with their vertices
/// and faces. Fields the reader leaves at zero when absent (u1 to v3) are written only when set,
/// and a sub-object's relief only when on, so documents stay as small as the model allows.
CXmlElement BuildModelDocument(const CXMLModel& model);

/// Writes the document to path; XML_ERROR_NONE, or the writer's error.
XmlError SaveXMLModel(const CXMLModel& model, const char* path);

#endif
