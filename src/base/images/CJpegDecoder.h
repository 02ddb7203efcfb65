/// \file
/// JPEG decoder (baseline: one interleaved Huffman-coded scan; progressive: any sequence of
/// Huffman-coded scans; 8-bit samples, one to three components) producing RGBA pixels, top row
/// first.
#ifndef KYREL_CJPEGDECODER_H
#define KYREL_CJPEGDECODER_H

#include "images/CDecodedImage.h"
#include "images/CJpegBitReader.h"
#include "images/CJpegHuffmanTable.h"

#include <cstddef>
#include <cstdint>

/// One frame component and the tables its scan uses.
struct CJpegComponent
{
    int id;                  ///< as the frame header names it
    int horizontalSampling;  ///< 1..MAX_SAMPLING
    int verticalSampling;    ///< 1..MAX_SAMPLING
    /// Table numbers, 0..MAX_TABLES - 1.
    ///@{
    int quantTable;
    int dcTable;
    int acTable;
    ///@}
};

/// Why a file was refused: most refusals are simply not a valid (or supported) file; two kinds of
/// valid file get their own message.
enum class JpegRefusal
{
    NotValid,          ///< broken, truncated or unsupported data
    ArithmeticCoding,  ///< valid, but arithmetic-coded
    TwelveBitSamples   ///< valid, but with 12-bit samples
};

/// The decoder's whole working state. There is one engine-wide block, so only one decode runs at a
/// time; Reset() clears it to zero at the start of each decode.
class CJpegDecoder
{
public:
    static const int MAX_COMPONENTS = 3;  ///< grey or YCbCr
    static const int MAX_TABLES = 4;      ///< of each kind, as the format allows
    static const int MAX_SAMPLING = 4;    ///< largest sampling factor
    /// Larger pictures are refused before anything is allocated.
    static const int MAX_DIMENSION = 16384;

    /// Clears every field to zero.
    void Reset();
    /// Decodes a whole file held in memory. The result is width * height * 4 bytes of RGBA, owned
    /// by the caller (release with delete[]), or null; width and height are written on success only.
    uint8_t* Decode(const uint8_t* data, size_t size, int& widthOut, int& heightOut);

    /// Frame and tables, as the file gives them (sizes in pixels, restart interval in MCUs).
    ///@{
    int width;
    int height;
    int precision;  ///< stored, not used: samples are always 8-bit
    bool progressive;
    int componentCount;
    int restartInterval;
    CJpegComponent components[MAX_COMPONENTS];
    CJpegHuffmanTable acTables[MAX_TABLES];
    CJpegHuffmanTable dcTables[MAX_TABLES];
    int quantTables[MAX_TABLES][64];  ///< zigzag order, as stored in the file
    ///@}
    /// Scan parameters of the current scan (a sequential scan stores but does not use the band and
    /// approximation: it codes every coefficient in full).
    ///@{
    int spectralStart;
    int spectralEnd;
    int approximationHigh;
    int approximationLow;
    int scanComponentCount;
    int scanOrder[MAX_COMPONENTS];  ///< frame component index of each scan component
    int scansRead;
    int dcPredictors[MAX_COMPONENTS];
    ///@}

    CJpegBitReader bitReader;  ///< over the entropy-coded data of the current scan

    /// Dequantisation folded with the transform's scale factors, natural order, per component.
    alignas(16) float scaledQuant[MAX_COMPONENTS][64];

    bool useAvx2;  ///< the processor runs the wider transform

    /// MCU geometry derived from the frame (MCU size in pixels).
    ///@{
    int mcuWidth;
    int mcuHeight;
    int replicateX[MAX_COMPONENTS];  ///< pixels per sample across, per component
    int replicateY[MAX_COMPONENTS];  ///< pixels per sample down, per component
    int blocksWide[MAX_COMPONENTS];  ///< blocks per MCU across, per component
    int blocksHigh[MAX_COMPONENTS];  ///< blocks per MCU down, per component
    ///@}

    JpegRefusal refusal;  ///< set where a refusal has a message of its own
};

class CByteReader;

/// Decodes a JPEG file from an open reader over a file or memory into RGBA (format RGBA,
/// components 4); null, after a message on standard error naming name, when it cannot.
CDecodedImage* DecodeJPEG(CByteReader& reader, const char* name);

#endif
