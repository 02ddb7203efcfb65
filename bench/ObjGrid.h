// The benchmark corpus's 1.5-million-triangle OBJ: a rolling height field written as an exporter
// writes one, shared by the OBJ reader's and the converter's benchmarks.
#ifndef KYREL_BENCH_OBJGRID_H
#define KYREL_BENCH_OBJGRID_H

#include <cmath>
#include <cstdio>

namespace
{
// 867 x 867 grid points: 866 x 866 cells of two triangles, 1,499,912 triangles.
const int GRID_POINTS = 867;
const char* const BENCH_FILE = "/tmp/kyrel_bench_grid_1500k.obj";

// A rolling height field with texture coordinates, written as an exporter writes it: six
// decimals, then faces "f v/t v/t v/t".
inline void WriteGridFile(const char* path)
{
    FILE* file = std::fopen(path, "w");
    if (file == nullptr)
    {
        return;
    }
    std::fprintf(file, "# generated grid\no grid\n");
    const float step = 100.0f / (GRID_POINTS - 1);
    for (int row = 0; row < GRID_POINTS; ++row)
    {
        for (int column = 0; column < GRID_POINTS; ++column)
        {
            const float x = -50.0f + column * step;
            const float z = -50.0f + row * step;
            const float y = 3.0f * std::sin(x * 0.37f) * std::cos(z * 0.23f);
            std::fprintf(file, "v %.6f %.6f %.6f\n", x, y, z);
        }
    }
    for (int row = 0; row < GRID_POINTS; ++row)
    {
        for (int column = 0; column < GRID_POINTS; ++column)
        {
            std::fprintf(file, "vt %.6f %.6f\n", column / float(GRID_POINTS - 1),
                         row / float(GRID_POINTS - 1));
        }
    }
    for (int row = 0; row + 1 < GRID_POINTS; ++row)
    {
        for (int column = 0; column + 1 < GRID_POINTS; ++column)
        {
            const int a = row * GRID_POINTS + column + 1;  // 1-based
            const int b = a + 1;
            const int c = a + GRID_POINTS;
            const int d = c + 1;
            std::fprintf(file, "f %d/%d %d/%d %d/%d\n", a, a, c, c, b, b);
            std::fprintf(file, "f %d/%d %d/%d %d/%d\n", b, b, c, c, d, d);
        }
    }
    std::fclose(file);
}

const int EXPECTED_TRIANGLES = 2 * (GRID_POINTS - 1) * (GRID_POINTS - 1);
}  // namespace

#endif
