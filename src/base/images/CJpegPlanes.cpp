// Component planes of one MCU row to RGBA rows: greyscale, two components, and YCbCr with the
// subsampled chroma widened by replication.
#include "images/CJpegPlanes.h"

#include "images/CJpegColour.h"

#include <emmintrin.h>

namespace
{
void GreyRow(const uint8_t* lumaRow, uint8_t* out, int width)
{
    const __m128i opaque = _mm_set1_epi8(static_cast<char>(0xFF));
    int x = 0;
    for (; x + 16 <= width; x += 16)
    {
        __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(lumaRow + x));
        __m128i pairsLow = _mm_unpacklo_epi8(luma, luma);
        __m128i pairsHigh = _mm_unpackhi_epi8(luma, luma);
        __m128i alphaLow = _mm_unpacklo_epi8(luma, opaque);
        __m128i alphaHigh = _mm_unpackhi_epi8(luma, opaque);
        __m128i* target = reinterpret_cast<__m128i*>(out + 4 * x);
        _mm_storeu_si128(target, _mm_unpacklo_epi16(pairsLow, alphaLow));
        _mm_storeu_si128(target + 1, _mm_unpackhi_epi16(pairsLow, alphaLow));
        _mm_storeu_si128(target + 2, _mm_unpacklo_epi16(pairsHigh, alphaHigh));
        _mm_storeu_si128(target + 3, _mm_unpackhi_epi16(pairsHigh, alphaHigh));
    }
    for (; x < width; ++x)
    {
        out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = lumaRow[x];
        out[4 * x + 3] = 255;
    }
}

// Two components carry no colour model; they land in red and green.
void TwoComponentRow(const uint8_t* first, const uint8_t* second, uint8_t* out, int width)
{
    for (int x = 0; x < width; ++x)
    {
        out[4 * x] = first[x];
        out[4 * x + 1] = second[x];
        out[4 * x + 2] = 0;
        out[4 * x + 3] = 255;
    }
}

// Each sample covers `factor` pixels across. The source plane holds whole MCUs, so it is always
// at least (width + 15) / 16 * 8 samples wide for a factor of 2.
void ReplicateRow(const uint8_t* samples, uint8_t* out, int width, int factor)
{
    if (factor == 2)
    {
        for (int x = 0; x < width; x += 16)
        {
            __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(samples + x / 2));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_unpacklo_epi8(eight, eight));
        }
        return;
    }
    for (int x = 0; x < width; ++x)
    {
        out[x] = samples[x / factor];
    }
}
}  // namespace

void CJpegPlanes::Prepare(const CJpegDecoder& d, int mcusAcross)
{
    for (int c = 0; c < d.componentCount; ++c)
    {
        m_stride[c] = mcusAcross * d.blocksWide[c] * BLOCK_SIZE;
        m_planes[c].resize(static_cast<size_t>(m_stride[c]) * d.blocksHigh[c] * BLOCK_SIZE);
        // Replication writes whole groups of 16 pixels.
        m_wideRows[c].resize(static_cast<size_t>(d.width) + 16);
    }
}

void CJpegPlanes::ConvertRows(const CJpegDecoder& d, uint8_t* output, int firstRow, int rowCount)
{
    // With chroma at half resolution both ways, two rows share each chroma row: they are
    // converted together, so each chroma sample is worked out once for its four pixels.
    bool halfBothWays = d.componentCount == 3 && d.replicateX[0] == 1 && d.replicateY[0] == 1 &&
                        d.replicateX[1] == 2 && d.replicateY[1] == 2 && d.replicateX[2] == 2 &&
                        d.replicateY[2] == 2;
    int j = 0;
    if (halfBothWays && d.useAvx2)
    {
        size_t rowBytes = static_cast<size_t>(d.width) * 4;
        for (; j + 1 < rowCount; j += 2)
        {
            const uint8_t* luma = m_planes[0].data() + j * m_stride[0];
            uint8_t* out = output + static_cast<size_t>(firstRow + j) * rowBytes;
            CJpegColour::ConvertRowPairAvx2(
                luma, luma + m_stride[0], m_planes[1].data() + (j / 2) * m_stride[1],
                m_planes[2].data() + (j / 2) * m_stride[2], out, out + rowBytes, d.width);
        }
    }
    for (; j < rowCount; ++j)
    {
        const uint8_t* rows[CJpegDecoder::MAX_COMPONENTS] = {};
        // Chroma at half horizontal resolution is widened inside the colour conversion.
        int chromaStep = d.componentCount == 3 && d.replicateX[0] == 1 && d.replicateX[1] == 2 &&
                                 d.replicateX[2] == 2
                             ? 2
                             : 1;
        for (int c = 0; c < d.componentCount; ++c)
        {
            const uint8_t* samples = m_planes[c].data() + (j / d.replicateY[c]) * m_stride[c];
            if (d.replicateX[c] == 1 || (c > 0 && chromaStep == 2))
            {
                rows[c] = samples;
            }
            else
            {
                ReplicateRow(samples, m_wideRows[c].data(), d.width, d.replicateX[c]);
                rows[c] = m_wideRows[c].data();
            }
        }
        uint8_t* out =
            output + static_cast<size_t>(firstRow + j) * static_cast<size_t>(d.width) * 4;
        if (d.componentCount == 3)
        {
            CJpegColour::ConvertRow(rows[0], rows[1], rows[2], chromaStep, out, d.width);
        }
        else if (d.componentCount == 2)
        {
            TwoComponentRow(rows[0], rows[1], out, d.width);
        }
        else
        {
            GreyRow(rows[0], out, d.width);
        }
    }
}
