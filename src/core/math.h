// Vectors, colours and 4x4 matrices: the small value types every stage passes around.
//
// Everything is single precision and by value. Matrices are row-major (element 4r + c) and
// multiply column vectors on their right, so matrixMultiply(A, B) applies B first.
// Nothing here clamps r, g or b; colourAdd alone limits alpha from above.
// Division by zero follows IEEE rules: normalising a zero vector yields NaN, on purpose.
#pragma once

#include <cmath>

struct Vec2 {
    float x, y;
};

struct Vec3 {
    float x, y, z;
};

struct Vec4 {
    float x, y, z, w;
};

struct Colour {
    float r, g, b, a;
};

struct Matrix4 {
    float m[16];
};

// ---- colours ----

inline Colour makeColour(float r, float g, float b, float a) { return {r, g, b, a}; }

inline Colour colourAdd(Colour p, Colour q) {
    // Alpha is limited from above only; a NaN alpha stays NaN.
    float a = p.a + q.a;
    return {p.r + q.r, p.g + q.g, p.b + q.b, a > 1.0f ? 1.0f : a};
}

inline Colour colourModulate(Colour p, Colour q) { return {p.r * q.r, p.g * q.g, p.b * q.b, p.a * q.a}; }

inline Colour colourScale(Colour c, float s) { return {c.r * s, c.g * s, c.b * s, c.a}; }

inline Colour colourLerp(Colour p, Colour q, float t) {
    float s = 1.0f - t;
    return {s * p.r + t * q.r, s * p.g + t * q.g, s * p.b + t * q.b, s * p.a + t * q.a};
}

// ---- vectors ----

inline Vec2 vec2Sub(Vec2 p, Vec2 q) { return {p.x - q.x, p.y - q.y}; }

inline Vec3 vec3Sub(Vec3 p, Vec3 q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
inline Vec3 vec3Scale(Vec3 v, float s) { return {v.x * s, v.y * s, v.z * s}; }
inline float vec3Dot(Vec3 p, Vec3 q) { return p.x * q.x + p.y * q.y + p.z * q.z; }
inline Vec3 vec3Cross(Vec3 p, Vec3 q) {
    return {p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}
inline float vec3Length(Vec3 v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }
inline void vec3Normalize(Vec3& v) {
    float length = vec3Length(v);
    v.x /= length;
    v.y /= length;
    v.z /= length;
}

inline Vec3 xyz(Vec4 v) { return {v.x, v.y, v.z}; }

inline Vec4 vec4Add(Vec4 p, Vec4 q) { return {p.x + q.x, p.y + q.y, p.z + q.z, p.w + q.w}; }
inline Vec4 vec4Sub(Vec4 p, Vec4 q) { return {p.x - q.x, p.y - q.y, p.z - q.z, p.w - q.w}; }
inline void vec4Scale(Vec4& v, float s) {
    v.x *= s;
    v.y *= s;
    v.z *= s;
    v.w *= s;
}
// w is 1 whatever the inputs: the result is used as a direction only by callers that ignore w.
inline Vec4 vec4Cross(Vec4 p, Vec4 q) {
    Vec3 c = vec3Cross(xyz(p), xyz(q));
    return {c.x, c.y, c.z, 1.0f};
}
inline void vec4Normalize(Vec4& v) {
    float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    v.x /= length;
    v.y /= length;
    v.z /= length;
}
inline void vec4Homogenize(Vec4& v) {
    v.x /= v.w;
    v.y /= v.w;
    v.z /= v.w;
    v.w /= v.w;
}

// ---- matrices ----

inline Matrix4 matrixIdentity() { return {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}}; }

inline Matrix4 matrixTranslation(float tx, float ty, float tz) {
    Matrix4 t = matrixIdentity();
    t.m[3] = tx;
    t.m[7] = ty;
    t.m[11] = tz;
    return t;
}

inline Matrix4 matrixMultiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 p;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            p.m[4 * r + c] = a.m[4 * r] * b.m[c] + a.m[4 * r + 1] * b.m[4 + c] + a.m[4 * r + 2] * b.m[8 + c] +
                             a.m[4 * r + 3] * b.m[12 + c];
    return p;
}

inline Vec4 matrixTransform(const Matrix4& m, Vec4 v) {
    const float* e = m.m;
    return {e[0] * v.x + e[1] * v.y + e[2] * v.z + e[3] * v.w, e[4] * v.x + e[5] * v.y + e[6] * v.z + e[7] * v.w,
            e[8] * v.x + e[9] * v.y + e[10] * v.z + e[11] * v.w,
            e[12] * v.x + e[13] * v.y + e[14] * v.z + e[15] * v.w};
}

// a, b and c become the first three columns; only their x, y, z are read.
template <class A, class B, class C>
inline Matrix4 matrixFromColumns(A a, B b, C c) {
    return {{a.x, b.x, c.x, 0, a.y, b.y, c.y, 0, a.z, b.z, c.z, 0, 0, 0, 0, 1}};
}
