#include "import/polygon_triangulation.h"

#include <cmath>

namespace {

struct Point {
    double x, y;
};

double cross(Point o, Point a, Point b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); }

// The polygon seen along its normal (Newell's method, robust for concave polygons), in two
// coordinates in which it runs counter-clockwise.
std::vector<Point> flatten(const std::vector<Vec3>& corners) {
    double nx = 0, ny = 0, nz = 0;
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Vec3& a = corners[i];
        const Vec3& b = corners[(i + 1) % corners.size()];
        nx += (static_cast<double>(a.y) - b.y) * (static_cast<double>(a.z) + b.z);
        ny += (static_cast<double>(a.z) - b.z) * (static_cast<double>(a.x) + b.x);
        nz += (static_cast<double>(a.x) - b.x) * (static_cast<double>(a.y) + b.y);
    }
    std::vector<Point> points;
    points.reserve(corners.size());
    // Drop the axis the normal is most along; the other two, in right-handed order, give a
    // counter-clockwise polygon when that normal component is positive: mirror it otherwise.
    double ax = std::fabs(nx), ay = std::fabs(ny), az = std::fabs(nz);
    for (const Vec3& c : corners) {
        if (az >= ax && az >= ay)
            points.push_back({c.x, nz >= 0 ? c.y : -static_cast<double>(c.y)});
        else if (ax >= ay)
            points.push_back({c.y, nx >= 0 ? c.z : -static_cast<double>(c.z)});
        else
            points.push_back({c.z, ny >= 0 ? c.x : -static_cast<double>(c.x)});
    }
    return points;
}

bool insideOrOnTriangle(Point p, Point a, Point b, Point c) {
    return cross(a, b, p) >= 0 && cross(b, c, p) >= 0 && cross(c, a, p) >= 0;
}

bool samePoint(Point p, Point q) { return p.x == q.x && p.y == q.y; }

// Corner `at` of the remaining polygon is an ear when it turns left and no other remaining
// corner lies in the triangle it would cut off.
bool isEar(const std::vector<Point>& points, const std::vector<int>& remaining, std::size_t at) {
    std::size_t n = remaining.size();
    Point a = points[remaining[(at + n - 1) % n]], b = points[remaining[at]], c = points[remaining[(at + 1) % n]];
    if (!(cross(a, b, c) > 0)) return false;
    for (std::size_t k = 0; k < n; ++k) {
        if (k == at || k == (at + 1) % n || k == (at + n - 1) % n) continue;
        Point p = points[remaining[k]];
        if (samePoint(p, a) || samePoint(p, b) || samePoint(p, c)) continue;
        if (insideOrOnTriangle(p, a, b, c)) return false;
    }
    return true;
}

}  // namespace

std::vector<std::array<int, 3>> triangulatePolygon(const std::vector<Vec3>& corners) {
    std::vector<std::array<int, 3>> triangles;
    if (corners.size() < 3) return triangles;
    std::vector<Point> points = flatten(corners);
    std::vector<int> remaining(corners.size());
    for (std::size_t i = 0; i < remaining.size(); ++i) remaining[i] = static_cast<int>(i);

    std::size_t start = 0;  // ears tend to follow one another: look on from the last one
    while (remaining.size() > 3) {
        std::size_t n = remaining.size();
        std::size_t ear = n;
        for (std::size_t step = 0; step < n && ear == n; ++step)
            if (isEar(points, remaining, (start + step) % n)) ear = (start + step) % n;
        // No ear: the polygon crosses itself or has collapsed; cut off any corner so that the
        // rest is still covered.
        if (ear == n) ear = start % n;
        start = ear;
        triangles.push_back({remaining[(ear + n - 1) % n], remaining[ear], remaining[(ear + 1) % n]});
        remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(ear));
    }
    triangles.push_back({remaining[0], remaining[1], remaining[2]});
    return triangles;
}
