// 4 x 4 float matrix in OpenGL's column-major layout (element index = column * 4 + row).
#ifndef KYREL_CMATRIX4_H
#define KYREL_CMATRIX4_H

class CMatrix4
{
public:
    float m[16] = {0};

    CMatrix4() = default;

    static CMatrix4 Identity()
    {
        CMatrix4 r;
        r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0f;
        return r;
    }

    float& operator[](int index) { return m[index]; }
    float operator[](int index) const { return m[index]; }
    const float* Data() const { return m; }
};

#endif
