# Headers of the base library that only its own sources include: the pieces the JPEG decoder, the
# XML parser and the OBJ reader are split into. They are not installed, and the API reference
# leaves them out; every other header under src/ (apart from the programs) is public.
# Paths are relative to src/base/.
set(KYREL_INTERNAL_HEADERS
    images/CJpegColour.h
    images/CJpegIdct.h
    images/CJpegMarkerReader.h
    images/CJpegPlanes.h
    images/CJpegProgressive.h
    models/ObjTextScan.h
    xml/XmlInternal.h
    xml/XmlParseState.h)
